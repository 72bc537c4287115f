// Ports on the network: Trs232c through Debian's ser2net in front of the
// virtual machine's pseudo-terminal, and through scripted RFC 2217 servers
// for what ser2net does not do on a pseudo-terminal.
#include "serialtesting.h"
#include "../network/ser2netserver.h"
#include "serial/telnetcodec.h"

#include <arpa/inet.h>
#include <termios.h>

namespace marbolt::testing {
namespace {

using Clock = std::chrono::steady_clock;

struct Served {
    std::unique_ptr<vm::VirtualMachine> machine;
    std::unique_ptr<Ser2net> server;
};

Served serve(Ser2net::Accepter accepter)
{
    Served s;
    s.machine = makeMachine();
    std::string why;
    if (s.machine)
        s.server = Ser2net::start(s.machine->portPath(), accepter, &why);
    EXPECT_TRUE(s.server) << why;
    return s;
}

void pointAtServer(Trs232c &port, const Ser2net &server)
{
    port.portname = QString::fromStdString(server.url());
    port.rxtimeout = 2000;
    port.txtimeout = 2000;
}

class ThroughSer2net : public ::testing::TestWithParam<Ser2net::Accepter> {};

TEST_P(ThroughSer2net, EveryByteValuePassesBothWaysUnchanged)
{
    auto s = serve(GetParam());
    ASSERT_TRUE(s.server);
    Trs232c port;
    pointAtServer(port, *s.server);
    port.bps = 115200;
    ASSERT_TRUE(port.Open()) << std::strerror(port.lastError());
    vm::ReceiveMode listen;
    listen.sendDc1AtStart = false;
    s.machine->receive(listen);

    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<std::uint8_t>(i);
    ASSERT_TRUE(port.Write(all.data(), 256));
    ASSERT_TRUE(s.machine->waitForCount(256, 3000ms));
    EXPECT_EQ(s.machine->received(), all) << "0xFF is the Telnet escape and CR its line end: both must pass";

    s.machine->sendNow(all);
    std::vector<std::uint8_t> got(256);
    ASSERT_TRUE(port.Read(got.data(), 256));
    EXPECT_EQ(got, all);
    EXPECT_EQ(port.RxCount(), 0);
    EXPECT_TRUE(port.Close());
}

TEST_P(ThroughSer2net, ArrivingBytesRaiseTheWatchersEventAndAStoppedServerEndsWaitsAtOnce)
{
    auto s = serve(GetParam());
    ASSERT_TRUE(s.server);
    Trs232c port;
    pointAtServer(port, *s.server);
    port.rxtimeout = 10000;
    int arrivals = 0;
    port.OnRXCHAR = [&](tcommthread &) { ++arrivals; };
    ASSERT_TRUE(port.Open());
    s.machine->sendNow({0x93});
    ASSERT_TRUE(pumpUntil([&] { return arrivals > 0; })) << "DC3 from the machine must reach the handler";
    EXPECT_EQ(port.RxCount(), 1);
    std::uint8_t b = 0;
    ASSERT_TRUE(port.ReadByte(b));
    EXPECT_EQ(b, 0x93);

    s.server->kill();
    const auto start = Clock::now();
    EXPECT_FALSE(port.ReadByte(b));
    EXPECT_LT(Clock::now() - start, 3000ms) << "the read waited for its time-out";
    EXPECT_EQ(port.WaitForInput(0), LinePort::InputWait::Gone);
    EXPECT_FALSE(port.WriteByte('A')) << "a write to a vanished server must fail";
    port.Close();
}

INSTANTIATE_TEST_SUITE_P(Accepters, ThroughSer2net,
                         ::testing::Values(Ser2net::Accepter::Raw, Ser2net::Accepter::Rfc2217),
                         [](const auto &info) {
                             return info.param == Ser2net::Accepter::Raw ? std::string("RawTcp")
                                                                         : std::string("Rfc2217");
                         });

TEST(Rfc2217ThroughSer2net, TheLineIsSetOnTheServer)
{
    auto s = serve(Ser2net::Accepter::Rfc2217);
    ASSERT_TRUE(s.server);
    for (const auto &[bps, stop, code, twoStops] :
         {std::tuple{4800, "2", B4800, true}, std::tuple{115200, "1", B115200, false}}) {
        Trs232c port;
        pointAtServer(port, *s.server);
        port.bps = bps;
        port.stopbit = QString::fromLatin1(stop);
        ASSERT_TRUE(port.Open()) << std::strerror(port.lastError());
        // The device behind the server now runs at the asked settings.
        const int fd = ::open(s.machine->portPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        termios t{};
        ASSERT_EQ(::tcgetattr(fd, &t), 0);
        ::close(fd);
        EXPECT_EQ(cfgetospeed(&t), code) << bps;
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, twoStops) << bps;
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_FALSE(t.c_cflag & PARENB);
        port.Close();
    }
}

// A one-connection Telnet server on loopback that answers as a script says.
class ScriptedServer {
public:
    using Script = std::function<void(int client)>;
    explicit ScriptedServer(Script script)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr *>(&a), sizeof a);
        socklen_t length = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr *>(&a), &length);
        port_ = ntohs(a.sin_port);
        ::listen(listener_, 1);
        thread_ = std::thread([this, script] {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                return;
            script(client);
            ::close(client);
        });
    }
    ~ScriptedServer()
    {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    QString url(const char *scheme = "rfc2217") const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(port_);
    }

private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

std::string wire(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

void put(int fd, const std::string &bytes)
{
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

// Reads what the client sends for a while, to let it finish its part.
std::string drain(int fd, std::chrono::milliseconds span)
{
    std::string got;
    const auto end = Clock::now() + span;
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            char buffer[512];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return got;
}

using namespace telnet;

std::string answer(int command, const std::string &value)
{
    return wire({IAC, SB, OPT_COM_PORT, kServerOffset + command}) + value + wire({IAC, SE});
}

TEST(Rfc2217Servers, AServerWithoutTheComPortOptionIsRefusedAtOnce)
{
    ScriptedServer server([](int client) {
        put(client, wire({IAC, DONT, OPT_COM_PORT, IAC, DO, OPT_BINARY, IAC, WILL, OPT_BINARY}));
        drain(client, 1500ms);
    });
    Trs232c port;
    port.portname = server.url();
    const auto start = Clock::now();
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.lastError(), EPROTONOSUPPORT);
    EXPECT_LT(Clock::now() - start, 1000ms);
}

TEST(Rfc2217Servers, AServerThatKeepsAnotherSpeedFailsTheOpen)
{
    ScriptedServer server([](int client) {
        put(client, wire({IAC, DO, OPT_COM_PORT, IAC, DO, OPT_BINARY, IAC, WILL, OPT_BINARY}));
        drain(client, 200ms);
        put(client, answer(SET_BAUDRATE, wire({0, 0, 0x25, 0x80})) + answer(SET_DATASIZE, wire({8}))
                        + answer(SET_PARITY, wire({1})) + answer(SET_STOPSIZE, wire({1})));
        drain(client, 1000ms);
    });
    Trs232c port;
    port.portname = server.url();
    port.bps = 19200;
    EXPECT_FALSE(port.Open()) << "a program at 19200 into a line at 9600 arrives as garbage";
    EXPECT_EQ(port.lastError(), EINVAL);
}

TEST(Rfc2217Servers, LineStateNotificationsAreLineErrors)
{
    std::atomic<bool> notify{false};
    ScriptedServer server([&](int client) {
        put(client, wire({IAC, DO, OPT_COM_PORT, IAC, DO, OPT_BINARY, IAC, WILL, OPT_BINARY}));
        drain(client, 200ms);
        put(client, answer(SET_BAUDRATE, wire({0, 0, 0x25, 0x80})) + answer(SET_DATASIZE, wire({8}))
                        + answer(SET_PARITY, wire({1})) + answer(SET_STOPSIZE, wire({1})));
        while (!notify)
            std::this_thread::sleep_for(5ms);
        put(client, "G0" + answer(NOTIFY_LINESTATE, wire({kLineParity})) + "1");
        drain(client, 1000ms);
    });
    Trs232c port;
    port.portname = server.url();
    port.bps = 9600;
    int errors = 0;
    port.OnERR = [&](tcommthread &) { ++errors; };
    ASSERT_TRUE(port.Open()) << std::strerror(port.lastError());
    notify = true;
    ASSERT_TRUE(pumpUntil([&] { return errors > 0; })) << "the watcher must hand the server's error over";
    std::uint8_t got[3] = {};
    ASSERT_TRUE(port.Read(got, 3));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(got), 3), "G01");
    port.Close();
}

TEST(NetworkPorts, NamesThatCannotBeReachedFailTheOpenQuickly)
{
    for (const char *name : {"tcp://127.0.0.1:1", "tcp://no-such-host.invalid:4001", "tcp://127.0.0.1",
                             "rfc2217://:2217"}) {
        Trs232c port;
        port.portname = QString::fromLatin1(name);
        const auto start = Clock::now();
        EXPECT_FALSE(port.Open()) << name;
        EXPECT_LT(Clock::now() - start, 6000ms) << name;
        EXPECT_FALSE(port.isOpen());
    }
}

}  // namespace
}  // namespace marbolt::testing
