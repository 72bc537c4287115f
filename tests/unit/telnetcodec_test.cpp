// The Telnet side of RFC 2217 ports and the network port names.
#include "serial/netaddress.h"
#include "serial/telnetcodec.h"

#include <gtest/gtest.h>

#include <random>

namespace marbolt {
namespace {

using namespace telnet;

std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

struct Fed {
    std::string data, replies;
};

Fed feed(TelnetCodec &codec, const std::string &wire)
{
    Fed out;
    codec.feed(reinterpret_cast<const std::uint8_t *>(wire.data()), wire.size(), out.data, out.replies);
    return out;
}

std::string sub(std::uint8_t command, const std::string &value)
{
    std::string s = bytes({IAC, SB, OPT_COM_PORT, command});
    TelnetCodec::escape(reinterpret_cast<const std::uint8_t *>(value.data()), value.size(), s);
    return s + bytes({IAC, SE});
}

TEST(NetworkPortNames, SchemesHostsAndPorts)
{
    const auto raw = networkAddressOf(QStringLiteral("tcp://192.168.1.20:4001"));
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->protocol, NetworkAddress::Protocol::RawTcp);
    EXPECT_EQ(raw->host, "192.168.1.20");
    EXPECT_EQ(raw->port, 4001);
    const auto telnet = networkAddressOf(QStringLiteral("RFC2217://lathe-3.shop.local:2217"));
    ASSERT_TRUE(telnet);
    EXPECT_EQ(telnet->protocol, NetworkAddress::Protocol::Rfc2217);
    EXPECT_EQ(telnet->host, "lathe-3.shop.local");
    const auto v6 = networkAddressOf(QStringLiteral("tcp://[fe80::1]:7000"));
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "fe80::1");

    for (const char *bad : {"tcp://", "tcp://host", "tcp://host:", "tcp://host:0", "tcp://host:65536",
                            "tcp://host:80/path", "tcp://ho st:80", "rfc2217://:2217", "tcp://[::1:80",
                            "tcp://host:8x"}) {
        EXPECT_FALSE(networkAddressOf(QString::fromLatin1(bad))) << bad;
        EXPECT_TRUE(namesNetworkPort(QString::fromLatin1(bad))) << bad << " must never be opened as a device";
    }
    for (const char *device : {"COM1", "/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI-if00-port0"}) {
        EXPECT_FALSE(namesNetworkPort(QString::fromLatin1(device))) << device;
        EXPECT_FALSE(networkAddressOf(QString::fromLatin1(device))) << device;
    }
}

TEST(TelnetCodecData, EveryByteSurvivesEscapingAndAnySplitOfTheWire)
{
    std::mt19937 random(2217);
    for (int round = 0; round < 200; ++round) {
        std::string data(1 + random() % 300, '\0');
        for (char &c : data)
            c = static_cast<char>(random() % 4 == 0 ? 0xFF : random() % 256);
        // A notification in the middle must not disturb the data around it.
        const std::size_t k = random() % data.size();
        std::string wire;
        TelnetCodec::escape(reinterpret_cast<const std::uint8_t *>(data.data()), k, wire);
        wire += sub(kServerOffset + NOTIFY_MODEMSTATE, bytes({0x30}));
        TelnetCodec::escape(reinterpret_cast<const std::uint8_t *>(data.data()) + k, data.size() - k, wire);

        TelnetCodec codec;
        std::string got, replies;
        for (std::size_t at = 0; at < wire.size();) {
            const std::size_t n = std::min<std::size_t>(1 + random() % 7, wire.size() - at);
            codec.feed(reinterpret_cast<const std::uint8_t *>(wire.data() + at), n, got, replies);
            at += n;
        }
        ASSERT_EQ(got, data) << "round " << round;
        EXPECT_TRUE(replies.empty());
        EXPECT_EQ(codec.modemState(), 0x30);
    }
}

TEST(TelnetCodecNegotiation, AcceptsBinaryAndComPortRefusesTheRestAndNeverLoops)
{
    TelnetCodec codec;
    const std::string hello = codec.greeting();
    EXPECT_EQ(hello, bytes({IAC, WILL, OPT_COM_PORT, IAC, WILL, OPT_BINARY, IAC, WILL, OPT_SGA, IAC, DO,
                            OPT_BINARY, IAC, DO, OPT_SGA}));
    EXPECT_FALSE(codec.comPortAccepted());
    // The greeting ser2net sends: our requests confirmed, plus WILL ECHO.
    const Fed first = feed(codec, bytes({IAC, WILL, OPT_SGA, IAC, DO, OPT_SGA, IAC, WILL, 1, IAC, DONT, 1,
                                         IAC, DO, OPT_BINARY, IAC, WILL, OPT_BINARY, IAC, DO, OPT_COM_PORT}));
    EXPECT_TRUE(first.data.empty());
    EXPECT_EQ(first.replies, bytes({IAC, DONT, 1})) << "only the echo it did not ask for is refused";
    EXPECT_TRUE(codec.comPortAccepted());
    EXPECT_FALSE(codec.refused());
    // Asked again, confirmations get no answer; unknown options a refusal.
    EXPECT_TRUE(feed(codec, bytes({IAC, DO, OPT_BINARY, IAC, WILL, OPT_BINARY})).replies.empty());
    EXPECT_EQ(feed(codec, bytes({IAC, DO, 24})).replies, bytes({IAC, WONT, 24}));
    // A server that withdraws binary makes the line unusable for NC data.
    const Fed withdrawn = feed(codec, bytes({IAC, WONT, OPT_BINARY}));
    EXPECT_EQ(withdrawn.replies, bytes({IAC, DONT, OPT_BINARY}));
    EXPECT_TRUE(codec.refused());

    TelnetCodec plain;
    plain.greeting();
    EXPECT_TRUE(feed(plain, bytes({IAC, DONT, OPT_COM_PORT})).replies.empty());
    EXPECT_TRUE(plain.refused()) << "a server without the COM port option cannot set the line";
}

TEST(TelnetCodecComPort, SetupAnswersNotificationsAndFlowControl)
{
    ComPortSettings s;
    s.baud = 115200;
    s.stopSize = StopSizeCode::Two;
    const std::string setup = TelnetCodec::comPortSetup(s);
    EXPECT_EQ(setup.substr(0, 10), bytes({IAC, SB, OPT_COM_PORT, SET_BAUDRATE, 0x00, 0x01, 0xC2, 0x00, IAC, SE}));
    EXPECT_NE(setup.find(sub(SET_STOPSIZE, bytes({2}))), std::string::npos);
    EXPECT_NE(setup.find(sub(SET_PARITY, bytes({1}))), std::string::npos);
    EXPECT_NE(setup.find(sub(SET_DATASIZE, bytes({8}))), std::string::npos);
    EXPECT_NE(setup.find(sub(SET_CONTROL, bytes({1}))), std::string::npos) << "no flow control on the server";

    TelnetCodec codec;
    feed(codec, sub(101, bytes({0x00, 0x01, 0xC2, 0x00})) + sub(102, bytes({8})) + sub(103, bytes({1})));
    EXPECT_FALSE(codec.allReported());
    feed(codec, sub(104, bytes({2})));
    ASSERT_TRUE(codec.allReported());
    EXPECT_TRUE(codec.matches(s));
    feed(codec, sub(101, bytes({0x00, 0x00, 0x25, 0x80})));
    EXPECT_FALSE(codec.matches(s)) << "a server that kept 9600 does not match 115200";

    // Line errors count up as a UART's counters do; data ready alone is none.
    feed(codec, sub(106, bytes({0x01})) + sub(106, bytes({0x04 | 0x01})) + sub(106, bytes({0x08 | 0x02}))
                    + sub(106, bytes({0x10})));
    EXPECT_EQ(codec.lineErrors().parity, 1u);
    EXPECT_EQ(codec.lineErrors().frame, 1u);
    EXPECT_EQ(codec.lineErrors().overrun, 1u);
    EXPECT_EQ(codec.lineErrors().brk, 1u);

    EXPECT_FALSE(codec.suspended());
    feed(codec, sub(108, ""));
    EXPECT_TRUE(codec.suspended());
    feed(codec, sub(109, ""));
    EXPECT_FALSE(codec.suspended());

    // A subnegotiation that never ends is cut off without swallowing
    // memory, and the data after its end flows again.
    std::string endless = bytes({IAC, SB, OPT_COM_PORT, 106}) + std::string(100000, 'x');
    const Fed after = feed(codec, endless + bytes({IAC, SE}) + "G01");
    EXPECT_EQ(after.data, "G01");
    EXPECT_EQ(codec.lineErrors().parity, 1u);
}

}  // namespace
}  // namespace marbolt
