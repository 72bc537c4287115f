// Input flow control of the receive port against a machine that punches at
// line speed, honours XOFF and XON, and like a real control still punches a
// few characters after each XOFF.
#include "serialtesting.h"

#include "serial/punchcodes.h"

#include <algorithm>

using namespace marbolt;
using namespace marbolt::testing;

namespace {

constexpr int kOverrun = 10;

// The receive port as a reception sets it up.
void setUpForReception(Trs232c &port, const vm::VirtualMachine &machine, int bps)
{
    pointAt(port, machine);
    port.bps = bps;
    port.flowflag = kReceiveFlowFlag;
    port.XoffChar = kDC3;
    port.XonChar = kDC1;
}

vm::PunchMode lineSpeed(int bps)
{
    vm::PunchMode mode;
    mode.bytesPerSecond = vm::lineBytesPerSecond(bps);
    mode.overrunAfterDc3 = kOverrun;
    return mode;
}

std::vector<std::uint8_t> tapeOf(int bytes)
{
    std::string text;
    for (int i = 0; static_cast<int>(text.size()) < bytes; ++i)
        text += "G01X" + std::to_string(i) + ".Y-" + std::to_string(i % 97) + ".5F300\n";
    return vm::punchTape(text, PunchCode::Iso, 0);
}

// Reads until count bytes came or the line stays quiet for quiet.
std::vector<std::uint8_t> readAll(Trs232c &port, std::size_t count, std::chrono::milliseconds quiet = 1500ms)
{
    std::vector<std::uint8_t> got;
    auto last = std::chrono::steady_clock::now();
    while (got.size() < count && std::chrono::steady_clock::now() - last < quiet) {
        if (port.RxCount() < 1) {
            std::this_thread::sleep_for(1ms);
            continue;
        }
        std::uint8_t b = 0;
        if (!port.ReadByte(b))
            break;
        got.push_back(b);
        last = std::chrono::steady_clock::now();
    }
    return got;
}

}  // namespace

// Nobody reads for a second (the window is busy): the port stops the
// machine once more than 224 bytes wait, the backlog stays far below the
// overflow stop, and XON lets the machine go on once the backlog drained.
TEST(InputFlow, AMachineAtLineSpeedIsStoppedWhileNobodyReads)
{
    auto machine = makeMachine();
    Trs232c port(LineSettings::receivePortDefaults());
    setUpForReception(port, *machine, 19200);
    ASSERT_TRUE(port.Open());
    const auto tape = tapeOf(2600);
    machine->punch(tape, lineSpeed(19200));
    ASSERT_TRUE(port.WriteByte(kDC1));
    std::this_thread::sleep_for(1000ms);  // 1920 bytes would come at full speed

    const auto stopped = port.inputFlowRecord();
    ASSERT_EQ(stopped.backlogAtStop.size(), 1u);
    EXPECT_GT(stopped.backlogAtStop[0], 224);
    EXPECT_LT(stopped.backlogAtStop[0], 224 + 40) << "XOFF went out late";
    const int waiting = port.RxCount();
    EXPECT_LE(waiting, stopped.backlogAtStop[0] + kOverrun + 2) << "the machine was not stopped";
    const auto fromPc = machine->received();
    EXPECT_EQ(std::count(fromPc.begin(), fromPc.end(), kDC3), 1);

    const auto got = readAll(port, tape.size());
    EXPECT_EQ(got, tape) << "every byte arrives, in order";
    const auto record = port.inputFlowRecord();
    EXPECT_GE(record.resumes, 1);
    EXPECT_LT(record.peakBacklog, 1000);
    EXPECT_EQ(machine->received().back(), kDC1) << "the machine was let go on";
}

// A slow reader at 115200 bit/s: many stops and starts, never a lost or
// doubled byte, never near the overflow stop.
TEST(InputFlow, ASlowReaderStopsAndStartsTheMachineWithoutLosingAByte)
{
    auto machine = makeMachine();
    Trs232c port(LineSettings::receivePortDefaults());
    setUpForReception(port, *machine, 115200);
    ASSERT_TRUE(port.Open());
    const auto tape = tapeOf(6000);
    machine->punch(tape, lineSpeed(115200));
    ASSERT_TRUE(port.WriteByte(kDC1));
    std::vector<std::uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (got.size() < tape.size() && std::chrono::steady_clock::now() < end) {
        if (port.RxCount() < 1) {
            std::this_thread::sleep_for(1ms);
            continue;
        }
        std::uint8_t b = 0;
        ASSERT_TRUE(port.ReadByte(b));
        got.push_back(b);
        if (got.size() % 16 == 0)
            std::this_thread::sleep_for(2ms);  // 8,000 bytes a second against 11,520
    }
    EXPECT_EQ(got, tape);
    const auto record = port.inputFlowRecord();
    EXPECT_GE(record.backlogAtStop.size(), 2u);
    EXPECT_LT(record.peakBacklog, 500);
    const auto fromPc = machine->received();
    EXPECT_EQ(static_cast<std::size_t>(std::count(fromPc.begin(), fromPc.end(), kDC3)), record.backlogAtStop.size());
}

// Without input flow control (the send port) no flow character is sent.
TEST(InputFlow, TheSendPortSendsNoFlowCharacters)
{
    auto machine = makeMachine();
    Trs232c port(LineSettings::sendPortDefaults());
    pointAt(port, *machine);
    ASSERT_TRUE(port.Open());
    machine->punch(tapeOf(800), lineSpeed(115200));
    ASSERT_TRUE(port.WriteByte(kDC1));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(machine->received(), std::vector<std::uint8_t>{kDC1});
    EXPECT_TRUE(port.inputFlowRecord().backlogAtStop.empty());
}
