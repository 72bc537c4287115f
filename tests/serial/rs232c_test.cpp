// Trs232c on real pseudo-terminals: the open/close state rules, reads and
// writes with their time-outs, pacing, and a far end that goes away.
#include "serialtesting.h"

#include <fcntl.h>
#include <cstring>
#include <pty.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace marbolt;
using namespace marbolt::testing;
using Clock = std::chrono::steady_clock;

TEST(Rs232cPortNames, ComNamesMapToSerialDevicesOtherNamesStand)
{
    EXPECT_EQ(devicePathFor(QStringLiteral("COM1")), "/dev/ttyS0");
    EXPECT_EQ(devicePathFor(QStringLiteral("COM8")), "/dev/ttyS7");
    EXPECT_EQ(devicePathFor(QStringLiteral("COM12")), "/dev/ttyS11");
    EXPECT_EQ(devicePathFor(QStringLiteral("/dev/ttyUSB0")), "/dev/ttyUSB0");
    EXPECT_EQ(devicePathFor(QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0")),
              "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    // Not a COM name: used as it stands.
    EXPECT_EQ(devicePathFor(QStringLiteral("COM0")), "COM0");
    EXPECT_EQ(devicePathFor(QStringLiteral("com1")), "com1");
}

TEST(Rs232cOpenClose, StateRules)
{
    auto machine = makeMachine();
    Trs232c port;
    int opens = 0, closes = 0;
    port.OnOpen = [&](Trs232c &) { ++opens; };
    port.OnClose = [&](Trs232c &) { ++closes; };

    // Closed: every operation fails, RxCount is -1, Handle is none.
    EXPECT_FALSE(port.Close());
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(port.RxCount(), -1);
    EXPECT_FALSE(port.Handle());
    std::uint8_t b = 0x55;
    EXPECT_FALSE(port.WriteByte(1));
    EXPECT_FALSE(port.ReadByte(b));
    EXPECT_FALSE(port.SetRts(true));

    // A device that does not exist, then a valid one.
    port.portname = QStringLiteral("/dev/marbolt-no-such-port");
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(opens, 0);
    pointAt(port, *machine);
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(opens, 1);
    ASSERT_TRUE(port.Handle());
    const int handle = *port.Handle();

    // Open on an open port fails and changes nothing.
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(*port.Handle(), handle);
    EXPECT_TRUE(port.WriteByte('A'));
    EXPECT_TRUE(machine->waitForCount(1, 1000ms));

    EXPECT_TRUE(port.Close());
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(port.Close());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(::fcntl(handle, F_GETFD), -1) << "the device was not released";

    // It opens again after a close.
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(opens, 2);
}

TEST(Rs232cOpenClose, CreateNotificationAndDestructionCloses)
{
    auto machine = makeMachine();
    int created = 0, closes = 0;
    {
        Trs232c port({}, posixSerialSystem(), [&](Trs232c &) { ++created; });
        EXPECT_EQ(created, 1);
        port.OnClose = [&](Trs232c &) { ++closes; };
        pointAt(port, *machine);
        ASSERT_TRUE(port.Open());
    }
    EXPECT_EQ(closes, 1);
}

TEST(Rs232cOpenClose, ABusyDeviceIsRefused)
{
    auto machine = makeMachine();
    Trs232c first, second;
    pointAt(first, *machine);
    pointAt(second, *machine);
    ASSERT_TRUE(first.Open());
    EXPECT_FALSE(second.Open()) << "the other port object holds the device";
    first.Close();
    EXPECT_TRUE(second.Open()) << "a closed port must free the device";
    second.Close();

    // Another program holding the device's lock.
    const int other = ::open(machine->portPath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(first.Open());
    ::close(other);
    EXPECT_TRUE(first.Open());
}

TEST(Rs232cOpenClose, SettingsADriverRefusesFailTheOpen)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    port.charbit = 9;
    EXPECT_FALSE(port.Open());
    port.charbit = 8;
    port.bps = 0;
    EXPECT_FALSE(port.Open());
    port.bps = 9600;
    EXPECT_TRUE(port.Open()) << "a refused open must leave the device free";
}

TEST(Rs232cOpenClose, TheLineIsSetAsTheProperties)
{
    auto machine = makeMachine();
    Trs232c port(LineSettings::receivePortDefaults());
    pointAt(port, *machine);
    port.bps = 19200;
    port.stopbit = QStringLiteral("2");
    port.paritymode = QStringLiteral("ｅｖｅｎ");
    port.XonChar = 0x11;
    port.XoffChar = 0x93;
    port.flowflag = kReceiveFlowFlag;
    ASSERT_TRUE(port.Open()) << std::strerror(port.lastError());
    termios t{};
    ASSERT_EQ(::tcgetattr(*port.Handle(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    // A pseudo-terminal keeps no parity; the mapping itself is tested
    // apart. Opening must still succeed, also a second time.
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x93);
    EXPECT_FALSE(t.c_iflag & IXOFF) << "the port sends XOFF at its own levels, not Linux";
    EXPECT_FALSE(t.c_iflag & IXON) << "the program reads DC1 and DC3 itself";
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
    port.Close();
    ASSERT_TRUE(port.Open()) << std::strerror(port.lastError());
    port.Close();

    // A speed outside the table goes through the custom-speed call.
    port.bps = 31250;
    EXPECT_TRUE(port.Open()) << std::strerror(port.lastError());
}

TEST(Rs232cTransfer, BytesGoBothWaysUnchanged)
{
    auto machine = makeMachine();
    Trs232c port(LineSettings::sendPortDefaults());
    pointAt(port, *machine);
    port.bps = 115200;
    ASSERT_TRUE(port.Open());
    std::vector<std::uint8_t> all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<std::uint8_t>(i));
    for (std::uint8_t b : all)
        ASSERT_TRUE(port.WriteByte(b));
    ASSERT_TRUE(machine->waitForCount(256, 2000ms));
    EXPECT_EQ(machine->received(), all) << "no byte may be translated on the way out";

    // On the way in, NUL bytes are dropped (dfNull) and nothing else.
    machine->sendNow(all);
    std::vector<std::uint8_t> in;
    ASSERT_TRUE(pumpUntil([&] {
        while (port.RxCount() > 0) {
            std::uint8_t b;
            if (!port.ReadByte(b))
                return false;
            in.push_back(b);
        }
        return in.size() >= 255;
    }));
    EXPECT_EQ(in, std::vector<std::uint8_t>(all.begin() + 1, all.end()));
    EXPECT_EQ(port.RxCount(), 0);
}

TEST(Rs232cTransfer, NulBytesAreKeptWithoutDfNull)
{
    auto machine = makeMachine();
    Trs232c port;  // flowflag 1: binary only
    pointAt(port, *machine);
    ASSERT_TRUE(port.Open());
    machine->sendNow({0x00, 'A'});
    ASSERT_TRUE(pumpUntil([&] { return port.RxCount() == 2; }));
    std::uint8_t b = 0xFF;
    ASSERT_TRUE(port.ReadByte(b));
    EXPECT_EQ(b, 0x00);
}

TEST(Rs232cTransfer, WaitingCountsOnlyWhatWillBeRead)
{
    // NUL bytes never count as waiting: a loop that reads while RxCount is
    // not 0 must not stall on a NUL.
    auto machine = makeMachine();
    Trs232c port(LineSettings::sendPortDefaults());
    pointAt(port, *machine);
    ASSERT_TRUE(port.Open());
    machine->sendNow({0x00, 0x00, 0x00});
    pumpFor(50ms);
    EXPECT_EQ(port.RxCount(), 0);
    machine->sendNow({0x00, 'X', 0x00});
    ASSERT_TRUE(pumpUntil([&] { return port.RxCount() == 1; }));
}

TEST(Rs232cTransfer, ReadTimeOutLeavesTheOutByte)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    port.rxtimeout = 150;
    ASSERT_TRUE(port.Open());
    std::uint8_t b = 0x5A;
    const auto start = Clock::now();
    EXPECT_FALSE(port.ReadByte(b));
    const auto took = Clock::now() - start;
    EXPECT_EQ(b, 0x5A);
    EXPECT_GE(took, 140ms);
    EXPECT_LT(took, 1000ms);
    EXPECT_TRUE(port.isOpen()) << "a time-out leaves the port open";

    // A byte that arrives within the time-out is read.
    std::thread later([&] {
        std::this_thread::sleep_for(30ms);
        machine->sendNow({'Q'});
    });
    EXPECT_TRUE(port.ReadByte(b));
    later.join();
    EXPECT_EQ(b, 'Q');
}

TEST(Rs232cTransfer, WriteByteReturnsAfterOneCharacterTime)
{
    // A pseudo-terminal gives no queue count, so the write is paced at the
    // line's character rate: 9600 bit/s 8N1 is 10 bits, 1.04 ms a byte.
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    port.bps = 9600;
    ASSERT_TRUE(port.Open());
    const int n = 96;
    const auto start = Clock::now();
    for (int i = 0; i < n; ++i)
        ASSERT_TRUE(port.WriteByte('A'));
    const auto took = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_GE(took, n * 10 / 9600.0 * 0.99);
    EXPECT_LT(took, n * 10 / 9600.0 * 3);

    // With two stop bits and parity a character is 12 bits.
    port.Close();
    port.stopbit = QStringLiteral("2");
    port.paritymode = QStringLiteral("奇数");
    ASSERT_TRUE(port.Open());
    const auto start12 = Clock::now();
    for (int i = 0; i < n; ++i)
        ASSERT_TRUE(port.WriteByte('A'));
    const auto took12 = std::chrono::duration<double>(Clock::now() - start12).count();
    EXPECT_GE(took12, n * 12 / 9600.0 * 0.99);
}

TEST(Rs232cTransfer, WriteTimesOutWhenTheFarEndTakesNothing)
{
    // A far end that never reads: once the line's buffer is full, a write
    // gives up after txtimeout, no sooner and not much later.
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    Trs232c port;
    port.portname = QString::fromLatin1(name);
    port.bps = 4000000;
    port.txtimeout = 200;
    ASSERT_TRUE(port.Open());
    std::vector<std::uint8_t> block(256, 'A');
    bool failed = false;
    Clock::duration failedAfter{};
    for (int i = 0; i < 4096 && !failed; ++i) {
        const auto start = Clock::now();
        failed = !port.Write(block.data(), static_cast<int>(block.size()));
        failedAfter = Clock::now() - start;
    }
    ASSERT_TRUE(failed) << "a megabyte went into a line nobody reads";
    EXPECT_GE(failedAfter, 190ms);
    EXPECT_LT(failedAfter, 1000ms);
    EXPECT_TRUE(port.isOpen());
    port.Close();
    ::close(master);
    ::close(slave);
}

TEST(Rs232cFarEnd, HangingUpEndsAWaitingReadAtOnce)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    port.rxtimeout = 5000;
    ASSERT_TRUE(port.Open());
    std::thread hang([&] {
        std::this_thread::sleep_for(100ms);
        machine->hangUp();
    });
    std::uint8_t b = 0;
    const auto start = Clock::now();
    EXPECT_FALSE(port.ReadByte(b));
    EXPECT_LT(Clock::now() - start, 2000ms) << "the read waited for its time-out";
    hang.join();
    EXPECT_FALSE(port.WriteByte('A')) << "a write to a vanished line must fail";
    EXPECT_TRUE(port.Close());
}

TEST(Rs232cFarEnd, AWatcherOnAVanishedLineDoesNotSpin)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    int calls = 0;
    port.OnRXCHAR = [&](tcommthread &) { ++calls; };
    ASSERT_TRUE(port.Open());
    machine->hangUp();
    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    std::this_thread::sleep_for(300ms);
    ::getrusage(RUSAGE_SELF, &after);
    const auto cpu = [](const rusage &r) {
        return r.ru_utime.tv_sec + r.ru_stime.tv_sec + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
    };
    EXPECT_LT(cpu(after) - cpu(before), 0.1) << "the watcher busy-loops on a dead device";
    const auto start = Clock::now();
    EXPECT_TRUE(port.Close());
    EXPECT_LT(Clock::now() - start, 500ms);
}
