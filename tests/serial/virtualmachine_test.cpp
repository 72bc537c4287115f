// The virtual machine tool is the measure of every transfer test, so its
// own pacing and tape must be right.
#include "serialtesting.h"

#include <algorithm>

using namespace marbolt;
using namespace marbolt::testing;

TEST(VirtualMachine, TapesInIsoAndEia)
{
    const auto iso = vm::punchTape("O1\nM30\n", PunchCode::Iso, 2);
    EXPECT_EQ(iso, (std::vector<std::uint8_t>{0x00, 0x00, sendiso('%'), sendiso('\n'), sendiso('O'),
                                              sendiso('1'), sendiso('\n'), sendiso('M'), sendiso('3'),
                                              sendiso('0'), sendiso('\n'), sendiso('%'), kDC4}));
    const auto eia = vm::punchTape("O1\r\nM30", PunchCode::Eia, 0, false);
    EXPECT_EQ(eia, (std::vector<std::uint8_t>{sendeia('%'), 0x80, sendeia('O'), sendeia('1'), 0x80,
                                              sendeia('M'), sendeia('3'), sendeia('0'), 0x80,
                                              sendeia('%')}));
}

TEST(VirtualMachine, PacesWithDc3AndDc1AndCountsTheOvershoot)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    port.bps = 9600;  // a byte a millisecond: each arrives on its own
    port.XonChar = kDC1;
    port.XoffChar = kDC3;
    ASSERT_TRUE(port.Open());
    vm::ReceiveMode mode;
    mode.stopLevel = 10;
    mode.resumeLevel = 2;
    mode.drainPerSecond = 10;  // far slower than the line: the buffer fills
    machine->receive(mode);

    std::vector<std::uint8_t> fromMachine;
    auto readBack = [&] {
        std::uint8_t b;
        while (port.RxCount() > 0 && port.ReadByte(b))
            fromMachine.push_back(b);
    };
    ASSERT_TRUE(pumpUntil([&] { readBack(); return !fromMachine.empty(); }));
    EXPECT_EQ(fromMachine, std::vector<std::uint8_t>{kDC1}) << "DC1 when receiving starts";

    // Ten bytes fill the buffer: DC3, then after draining eight, DC1. Each
    // byte is taken before the next is written, so the ones after the
    // tenth arrive after the DC3 however busy the machine is.
    for (std::size_t i = 1; i <= 12; ++i) {
        ASSERT_TRUE(port.WriteByte('A'));
        ASSERT_TRUE(machine->waitForCount(i, 2000ms));
    }
    ASSERT_TRUE(pumpUntil([&] { readBack(); return fromMachine.size() >= 3; }))
        << fromMachine.size() << " bytes back, " << machine->received().size() << " taken";
    EXPECT_EQ(fromMachine, (std::vector<std::uint8_t>{kDC1, kDC3, kDC1}));
    const auto overshoot = machine->bytesAfterDc3();
    ASSERT_EQ(overshoot.size(), 1u);
    EXPECT_GE(overshoot[0], 1);
    EXPECT_LE(overshoot[0], 2);
    // The count agrees with the arrival times around the DC3 on the wire.
    const auto sent = machine->sent();
    const auto dc3 = std::find_if(sent.begin(), sent.end(), [](const vm::Arrival &a) { return a.byte == kDC3; });
    ASSERT_NE(dc3, sent.end());
    const auto arrivals = machine->arrivals();
    EXPECT_EQ(std::count_if(arrivals.begin(), arrivals.end(), [&](const vm::Arrival &a) { return a.at > dc3->at; }),
              overshoot[0]);
}

TEST(VirtualMachine, PunchWaitsForDc1AndHoldsOnDc3)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    ASSERT_TRUE(port.Open());
    vm::PunchMode mode;
    mode.bytesPerSecond = 500;
    machine->punch(vm::punchTape("G01X1.\n", PunchCode::Iso, 0), mode);
    pumpFor(50ms);
    EXPECT_EQ(port.RxCount(), 0) << "punching before DC1";
    ASSERT_TRUE(port.WriteByte(kDC1));
    ASSERT_TRUE(pumpUntil([&] { return port.RxCount() >= 2; }));
    ASSERT_TRUE(port.WriteByte(kDC3));
    pumpFor(30ms);
    const int held = port.RxCount();
    pumpFor(60ms);
    EXPECT_EQ(port.RxCount(), held) << "punching went on after DC3";
    ASSERT_TRUE(port.WriteByte(kDC1));
    EXPECT_TRUE(machine->waitForPunchFinished(2000ms));
}

TEST(VirtualMachine, AStrictControlFlagsWhatItWouldReject)
{
    for (const PunchCode code : {PunchCode::Iso, PunchCode::Eia}) {
        auto machine = makeMachine();
        Trs232c port;
        pointAt(port, *machine);
        ASSERT_TRUE(port.Open());
        vm::ReceiveMode mode;
        mode.sendDc1AtStart = false;
        mode.code = code;
        machine->receive(mode);
        // A clean block, then: ISO "(荒)" in Shift-JIS as the send converts
        // it (0x8D goes out as 0x0D, a CR of odd parity; 0x72 as "r"), SO,
        // and a byte of odd parity; EIA a code without a character and the
        // tape delete (no fault).
        std::vector<std::uint8_t> bytes;
        for (char c : std::string("G1 X1.\n"))
            bytes.push_back(encodeFor(code, static_cast<std::uint8_t>(c)));
        const std::size_t clean = bytes.size();
        if (code == PunchCode::Iso) {
            for (std::uint8_t b : {std::uint8_t{0x28}, std::uint8_t{0x8D}, std::uint8_t{0x72}, std::uint8_t{0x29}})
                bytes.push_back(sendiso(b));
            bytes.push_back(0x0E);  // SO: a control character a control rejects
            bytes.push_back(0x31);  // "1" without its parity bit
        } else {
            bytes.push_back(0x03);
            bytes.push_back(0x7F);
        }
        for (std::uint8_t b : bytes)
            ASSERT_TRUE(port.WriteByte(b));
        ASSERT_TRUE(machine->waitForCount(bytes.size(), std::chrono::seconds(2)));
        std::vector<std::size_t> at;
        for (const vm::Rejection &r : machine->rejected())
            at.push_back(r.index);
        if (code == PunchCode::Iso)
            EXPECT_EQ(at, (std::vector<std::size_t>{clean + 1, clean + 4, clean + 5}));
        else
            EXPECT_EQ(at, (std::vector<std::size_t>{clean}));
    }
}
