// The watcher: which events it waits for, the order of a dispatch, the
// blocking hand-over to this thread, and ending it from Close.
#include "serial/comthd.h"
#include "serialtesting.h"

#include <string>

using namespace marbolt;
using namespace marbolt::testing;
using Clock = std::chrono::steady_clock;

TEST(CommThreadMask, HandlersSelectTheEvents)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.eventMask(), 0u);
    EXPECT_FALSE(port.hasWatcher()) << "no handler, no watcher";
    const auto start = Clock::now();
    port.Close();
    EXPECT_LT(Clock::now() - start, 100ms);

    port.OnPACKET = [](tcommthread &) {};
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.eventMask(), EV_RXCHAR) << "OnPACKET alone selects EV_RXCHAR";
    EXPECT_TRUE(port.hasWatcher());
    port.Close();
    EXPECT_FALSE(port.hasWatcher());

    port.OnPACKET = {};
    port.OnERR = [](tcommthread &) {};
    port.OnBREAK = [](tcommthread &) {};
    port.OnTXEMPTY = [](tcommthread &) {};
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.eventMask(), EV_ERR | EV_BREAK | EV_TXEMPTY);
}

TEST(CommThreadDispatch, ArrivingBytesRunOnRxcharOnThisThread)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    std::string got;
    std::thread::id ranOn;
    port.OnRXCHAR = [&](tcommthread &sender) {
        ranOn = std::this_thread::get_id();
        EXPECT_EQ(&sender.Owner(), &port);
        EXPECT_TRUE(sender.EventMask() & EV_RXCHAR);
        std::uint8_t b;
        while (port.RxCount() > 0 && port.ReadByte(b))
            got.push_back(static_cast<char>(b));
    };
    ASSERT_TRUE(port.Open());
    machine->sendNow({'G', '0', '1'});
    ASSERT_TRUE(pumpUntil([&] { return got.size() == 3; }));
    EXPECT_EQ(got, "G01");
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    // Each later arrival is reported again.
    for (char c : std::string("X10.")) {
        machine->sendNow({static_cast<std::uint8_t>(c)});
        ASSERT_TRUE(pumpUntil([&] { return got.back() == c; }));
    }
    EXPECT_EQ(got, "G01X10.");
}

TEST(CommThreadDispatch, AByteArrivingDuringADispatchIsReportedToo)
{
    // The second byte lands while the first dispatch runs, after its
    // handler has read: the watcher must still report it.
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    std::string got;
    port.OnRXCHAR = [&](tcommthread &) {
        std::uint8_t b;
        while (port.RxCount() > 0 && port.ReadByte(b))
            got.push_back(static_cast<char>(b));
        if (got == "1") {
            machine->sendNow({'2'});
            std::this_thread::sleep_for(30ms);
        }
    };
    ASSERT_TRUE(port.Open());
    machine->sendNow({'1'});
    EXPECT_TRUE(pumpUntil([&] { return got == "12"; }, 1000ms)) << got;
}

TEST(CommThreadDispatch, PacketThenRxcharWithThePacketSize)
{
    struct Case {
        const char *name;
        int packetsize;
        int bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"12 waiting, packet 10", 10, 12, "packet:0 rxchar:0 "},
        {"12 waiting, packet 12", 12, 12, "packet:0 rxchar:0 "},
        {"5 waiting, packet 10", 10, 5, "rxchar:5 "},
        {"packet size 0 never delivers", 0, 12, "rxchar:12 "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto machine = makeMachine();
        Trs232c port;
        pointAt(port, *machine);
        port.packetsize = c.packetsize;
        std::string log;
        port.OnPACKET = [&](tcommthread &s) { log += "packet:" + std::to_string(s.ReceivedCount()) + " "; };
        port.OnRXCHAR = [&](tcommthread &s) { log += "rxchar:" + std::to_string(s.ReceivedCount()) + " "; };
        ASSERT_TRUE(port.Open());
        // Let the bytes land before the watcher's dispatch runs, so the
        // count is the whole packet.
        machine->sendNow(std::vector<std::uint8_t>(c.bytes, 'N'));
        std::this_thread::sleep_for(50ms);
        ASSERT_TRUE(pumpUntil([&] { return !log.empty(); }));
        EXPECT_EQ(log, c.expected);
    }
}

TEST(CommThreadClose, CloseRunsTheBlockedHandOverThenEnds)
{
    // The watcher has handed a dispatch over and waits for this thread;
    // Close, on this thread, must run it and not wait forever.
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    std::vector<std::string> order;
    port.OnRXCHAR = [&](tcommthread &) {
        order.push_back(port.isOpen() ? "rxchar, port open" : "rxchar, port closed");
    };
    port.OnClose = [&](Trs232c &) { order.push_back("close"); };
    ASSERT_TRUE(port.Open());
    machine->sendNow({'A'});
    std::this_thread::sleep_for(100ms);  // no pumping: the hand-over stays blocked
    ASSERT_TRUE(order.empty());
    const auto start = Clock::now();
    EXPECT_TRUE(port.Close());
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_EQ(order, (std::vector<std::string>{"rxchar, port open", "close"}));
}

TEST(CommThreadClose, NoHandlerRunsAfterClose)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    int calls = 0;
    port.OnRXCHAR = [&](tcommthread &) {
        ++calls;
        std::uint8_t b;
        while (port.RxCount() > 0 && port.ReadByte(b)) {
        }
    };
    ASSERT_TRUE(port.Open());
    machine->sendNow({'1'});
    ASSERT_TRUE(pumpUntil([&] { return calls == 1; }));
    machine->sendNow({'2'});
    std::this_thread::sleep_for(50ms);  // hand-over posted, not yet run
    port.Close();
    const int afterClose = calls;
    machine->sendNow({'3'});
    pumpFor(100ms);
    EXPECT_EQ(calls, afterClose) << "a handler ran after Close";
    EXPECT_LE(afterClose, 2);
}

TEST(CommThreadClose, AHandlerMayCloseItsOwnPort)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    int rx = 0, err = 0;
    port.OnRXCHAR = [&](tcommthread &) {
        ++rx;
        port.Close();
    };
    port.OnTXEMPTY = [&](tcommthread &) { ++err; };
    ASSERT_TRUE(port.Open());
    machine->sendNow({'A'});
    ASSERT_TRUE(pumpUntil([&] { return rx == 1; }));
    EXPECT_FALSE(port.isOpen());
    pumpFor(50ms);
    EXPECT_EQ(rx, 1);
    // And it opens again, the old watcher gone.
    ASSERT_TRUE(port.Open());
    machine->sendNow({'B'});
    ASSERT_TRUE(pumpUntil([&] { return rx == 2; }));
}

TEST(CommThreadClose, CloseEndsAnIdleWatcherPromptly)
{
    auto machine = makeMachine();
    Trs232c port;
    pointAt(port, *machine);
    port.OnRXCHAR = [](tcommthread &) {};
    port.OnERR = [](tcommthread &) {};
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(port.Open());
        const auto start = Clock::now();
        ASSERT_TRUE(port.Close());
        EXPECT_LT(Clock::now() - start, 50ms) << "Close waited on a time-out, not a wake-up";
    }
}
