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

std::vector<std::uint8_t> tapeOf(std::size_t bytes)
{
    return vm::punchTape(vm::longProgramText(bytes), PunchCode::Iso, 0);
}

// Opens the port and asks the machine, punching tape at line speed, to start.
bool startPunching(Trs232c &port, vm::VirtualMachine &machine, int bps, const std::vector<std::uint8_t> &tape)
{
    setUpForReception(port, machine, bps);
    if (!port.Open())
        return false;
    machine.punch(tape, lineSpeed(bps));
    return port.WriteByte(kDC1);
}

// Reads until count bytes came or the line stays quiet for 1.5 s; a slow
// reader rests 10 ms after every 16 bytes.
std::vector<std::uint8_t> readAll(Trs232c &port, std::size_t count, bool slow = false)
{
    std::vector<std::uint8_t> got;
    auto last = std::chrono::steady_clock::now();
    while (got.size() < count && std::chrono::steady_clock::now() - last < 1500ms) {
        if (port.RxCount() < 1) {
            std::this_thread::sleep_for(1ms);
            continue;
        }
        std::uint8_t b = 0;
        if (!port.ReadByte(b))
            break;
        got.push_back(b);
        last = std::chrono::steady_clock::now();
        if (slow && got.size() % 16 == 0)
            std::this_thread::sleep_for(10ms);
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
    const auto tape = tapeOf(2600);
    ASSERT_TRUE(startPunching(port, *machine, 19200, tape));
    std::this_thread::sleep_for(1000ms);  // 1920 bytes would come at full speed

    const auto stopped = port.inputFlowRecord();
    ASSERT_EQ(stopped.stops, 1);
    EXPECT_GT(stopped.largestBacklogAtStop, 224);
    // Some 16 bytes late on an idle machine (bench_receive); a busy one
    // may wake the throttle later, but never near the overflow stop.
    EXPECT_LT(stopped.largestBacklogAtStop, 600) << "XOFF went out late";
    const int waiting = port.RxCount();
    EXPECT_LE(waiting, stopped.largestBacklogAtStop + kOverrun + 2) << "the machine was not stopped";
    const auto fromPc = machine->received();
    EXPECT_EQ(std::count(fromPc.begin(), fromPc.end(), kDC3), 1);

    const auto got = readAll(port, tape.size());
    EXPECT_EQ(got, tape) << "every byte arrives, in order";
    const auto record = port.inputFlowRecord();
    EXPECT_GE(record.resumes, 1);
    EXPECT_LT(record.peakBacklog, 1000);
    EXPECT_EQ(machine->received().back(), kDC1) << "the machine was let go on";
}

// A reader slower than the line: many stops and starts, never a lost or
// doubled byte, never near the overflow stop.
TEST(InputFlow, ASlowReaderStopsAndStartsTheMachineWithoutLosingAByte)
{
    auto machine = makeMachine();
    Trs232c port(LineSettings::receivePortDefaults());
    const auto tape = tapeOf(3000);
    ASSERT_TRUE(startPunching(port, *machine, 19200, tape));
    // Some 1,600 bytes a second against the line's 1,920.
    EXPECT_EQ(readAll(port, tape.size(), true), tape);
    const auto record = port.inputFlowRecord();
    EXPECT_GE(record.stops, 2);
    EXPECT_LT(record.peakBacklog, 1000);
    const auto fromPc = machine->received();
    EXPECT_EQ(std::count(fromPc.begin(), fromPc.end(), kDC3), record.stops);
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
    EXPECT_EQ(port.inputFlowRecord().stops, 0);
}
