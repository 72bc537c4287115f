// Line errors. A pseudo-terminal cannot make framing, overrun or parity
// errors, so these tests count them through the serial seam instead.
#include "serial/comthd.h"
#include "injectederrors.h"
#include "serialtesting.h"

#include <string>

using namespace marbolt;
using namespace marbolt::testing;


TEST(LineErrors, AnErrorRaisesOnErrBeforeOnRxcharOfTheSameWait)
{
    auto machine = makeMachine();
    InjectedErrors errors;
    Trs232c port({}, errors);
    pointAt(port, *machine);
    std::string log;
    port.OnERR = [&](tcommthread &) { log += "err "; };
    port.OnRXCHAR = [&](tcommthread &) {
        log += "rxchar ";
        std::uint8_t b;
        while (port.RxCount() > 0 && port.ReadByte(b)) {
        }
    };
    ASSERT_TRUE(port.Open());
    errors.frame = 1;  // the byte arrives with a framing error
    machine->sendNow({'A'});
    ASSERT_TRUE(pumpUntil([&] { return log.size() >= 11; }));
    EXPECT_EQ(log, "err rxchar ");

    // A clean byte raises no error.
    log.clear();
    machine->sendNow({'B'});
    ASSERT_TRUE(pumpUntil([&] { return !log.empty(); }));
    pumpFor(30ms);
    EXPECT_EQ(log, "rxchar ");
}

TEST(LineErrors, OnlyOnErrAssignedSeesOnlyErrors)
{
    // The receive port: the watcher must not take bytes or clear the error
    // state itself; only EV_ERR reaches it.
    auto machine = makeMachine();
    InjectedErrors errors;
    Trs232c port({}, errors);
    pointAt(port, *machine);
    int errs = 0;
    std::uint32_t mask = 0;
    port.OnERR = [&](tcommthread &s) {
        ++errs;
        mask = s.EventMask();
    };
    ASSERT_TRUE(port.Open());
    machine->sendNow({'A', 'B'});
    pumpFor(50ms);
    EXPECT_EQ(errs, 0);
    EXPECT_EQ(port.RxCount(), 2) << "the watcher must leave the bytes waiting";
    errors.overrun = 1;
    machine->sendNow({'C'});
    ASSERT_TRUE(pumpUntil([&] { return errs == 1; }));
    EXPECT_EQ(mask, EV_ERR);
}

TEST(LineErrors, AbortOnErrorHoldsTransfersUntilTheStateIsCleared)
{
    auto machine = makeMachine();
    InjectedErrors errors;
    Trs232c port(LineSettings::sendPortDefaults(), errors);  // dfAbortOnError set
    pointAt(port, *machine);
    port.rxtimeout = 100;
    ASSERT_TRUE(port.Open());
    machine->sendNow({'A'});
    ASSERT_TRUE(pumpUntil([&] { return port.RxCount() == 1; }));
    errors.parity = 3;
    std::uint8_t b = 0;
    EXPECT_FALSE(port.WriteByte('X'));
    EXPECT_FALSE(port.ReadByte(b));
    const auto status = port.ClearCommError();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->errors, CE_RXPARITY);
    EXPECT_EQ(status->inQueue, 1);
    EXPECT_TRUE(port.WriteByte('X'));
    EXPECT_TRUE(port.ReadByte(b));
    EXPECT_EQ(b, 'A');
    // RxCount clears the state too.
    errors.frame = 1;
    EXPECT_FALSE(port.WriteByte('Y'));
    EXPECT_EQ(port.RxCount(), 0);
    EXPECT_TRUE(port.WriteByte('Y'));
    EXPECT_EQ(port.ClearCommError()->errors, 0u);
}

TEST(LineErrors, WithoutAbortOnErrorTransfersGoOn)
{
    auto machine = makeMachine();
    InjectedErrors errors;
    Trs232c port({}, errors);  // flowflag 1
    pointAt(port, *machine);
    ASSERT_TRUE(port.Open());
    errors.frame = 1;
    EXPECT_TRUE(port.WriteByte('X'));
    EXPECT_EQ(port.ClearCommError()->errors, CE_FRAME);
}
