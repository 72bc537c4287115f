// The transfers without a window: the controller, the send engine and the
// reception over a port of the test's own, with a view that records.
#include "transfer/transfercontroller.h"

#include "common/settingsstore.h"
#include "serial/punchcodes.h"
#include "../window/scripteddialogs.h"
#include "../punchbytes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <string>

using namespace marbolt;
using marbolt::testing::iso;
using Kind = ScriptedDialogs::Kind;

namespace {

// A port that takes every byte written and hands out the bytes queued.
struct TestPort : LinePort {
    LineSettings settings;
    bool opens = true;
    bool open = false;
    std::string written;
    std::deque<std::uint8_t> input;
    int opened = 0;

    LineSettings &line() override { return settings; }
    bool Open() override
    {
        open = opens;
        opened += opens ? 1 : 0;
        return opens;
    }
    bool Close() override
    {
        open = false;
        return true;
    }
    bool ReadByte(std::uint8_t &b) override
    {
        if (!open || input.empty())
            return false;
        b = input.front();
        input.pop_front();
        return true;
    }
    std::function<void()> onWritten;
    bool WriteByte(std::uint8_t b) override
    {
        if (!open)
            return false;
        written += static_cast<char>(b);
        if (onWritten)
            onWritten();
        return true;
    }
    int RxCount() override { return open ? static_cast<int>(input.size()) : -1; }
    bool SetRts(bool) override { return open; }
    InputWait WaitForInput(int) override
    {
        if (!open)
            return InputWait::Gone;
        return input.empty() ? InputWait::TimedOut : InputWait::Waiting;
    }
    std::optional<CommStatus> ClearCommError() override
    {
        if (!open)
            return std::nullopt;
        return CommStatus{};
    }
};

// A transfer's waits are timers: each runs out at once, after onSleep
// (with the length asked) and onWait.
struct NoSleep : Clock {
    std::function<void(int)> onSleep;
    std::function<void()> onWait;
    int timerLength(int ms) override
    {
        if (onSleep)
            onSleep(ms);
        if (onWait)
            onWait();
        return 0;
    }
};

// The window as the transfers see it, reduced to records. A send's waits
// and each byte it has written run `onPump`, where a test plays the
// machine or the user.
struct RecordingView : SendView, ReceiveView {
    std::string document;
    std::function<void()> onPump;
    std::function<void()> onLock;
    std::function<void()> onUnlock;
    int locks = 0, unlocks = 0;
    QString status;
    QStringList programs;
    std::string received;

    void pumpMessages()
    {
        if (onPump)
            onPump();
    }
    void setStatusText(const QString &text) override { status = text; }
    void lockForTransfer() override
    {
        ++locks;
        if (onLock)
            onLock();
    }
    void unlockAfterTransfer() override
    {
        ++unlocks;
        if (onUnlock)
            onUnlock();
    }
    void beep() override {}
    std::string_view documentText() const override { return document; }
    std::size_t selectionStart() const override { return 0; }
    std::size_t selectionEnd() const override { return document.size(); }
    QString documentFileName() const override { return QStringLiteral("PART.NC"); }
    void showProgress(int) override {}
    void setProgress(int) override {}
    void hideProgress() override {}
    void startRateTimer() override {}
    void stopRateTimer() override {}
    void highlightLine(std::size_t) override {}
    QString lineText(std::size_t) const override { return {}; }
    void setIndexText(const QString &) override {}
    void showFirstIndexEntry() override {}
    void placeCaret(std::size_t) override {}
    bool startNewDocument() override { return true; }
    void showReceivedLine(const QString &) override {}
    void addProgram(const QString &line) override { programs << line; }
    void setReceivedText(const std::string &text) override { received = text; }
    std::vector<std::size_t> faultyLines;
    void markFaultyLines(const std::vector<std::size_t> &lines) override { faultyLines = lines; }
};

struct Bench {
    // A send runs on the event loop.
    std::unique_ptr<QCoreApplication> app =
        QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
    TestPort sendPort, receivePort;
    SettingsStore settings;
    ScriptedDialogs dialogs;
    NoSleep clock;
    RecordingView view;
    // The machine's session runs on this thread, over the test's ports.
    TransferSession session{QStringLiteral("M1"), SessionPorts{sendPort, receivePort}, clock};
    TransferController transfers{[this] { return &session; }, settings, dialogs, clock, view, view, QString()};

    Bench()
    {
        settings.storeDefaults(QStringLiteral("/"));
        settings.set(setting::SE, QStringLiteral("0"));
        settings.set(setting::SPEED, QStringLiteral("115200"));
        // The window tells the controller of its lock; so does this one.
        view.onLock = [this] { transfers.lockTaken(); };
        view.onUnlock = [this] { transfers.lockReleased(); };
        clock.onWait = [this] { view.pumpMessages(); };
        sendPort.onWritten = [this] { view.pumpMessages(); };
        transfers.setCloseWindow([this](TransferPhase) { ++closes; });
    }
    // What the window does once a transfer has ended.
    enum class Afterwards { Stay, CloseWindow };
    int closes = 0;
    // Runs the event loop until the transfer a command started has ended.
    Afterwards settle()
    {
        for (int i = 0; i < 100000 && (transfers.loopRunning() || transfers.phase() != TransferPhase::Idle); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::processEvents();
        return std::exchange(closes, 0) > 0 ? Afterwards::CloseWindow : Afterwards::Stay;
    }
    static inline int argc = 1;
    static inline char name[] = "unit_tests";
    static inline char *argv[] = {name, nullptr};
};

}  // namespace

TEST(TransferController, ASendRunsInItsPhaseAndLeavesNothingBehind)
{
    Bench b;
    b.view.document = "O1\r\nM30\r\n%";
    TransferPhase during = TransferPhase::Idle;
    TransferActivity state = TransferActivity::Idle;
    b.view.onPump = [&] {
        during = b.transfers.phase();
        state = b.transfers.activity();
    };
    EXPECT_EQ(b.transfers.activity(), TransferActivity::Idle);
    b.transfers.send();
    b.settle();
    EXPECT_EQ(during, TransferPhase::Sending);
    EXPECT_EQ(state, TransferActivity::Sending);
    EXPECT_EQ(b.sendPort.written, iso("\nO1\r\nM30\r\n%"));
    EXPECT_EQ(b.sendPort.settings.bps, 115200);
    EXPECT_FALSE(b.sendPort.open);
    EXPECT_EQ(b.transfers.phase(), TransferPhase::Idle);
    EXPECT_EQ(b.transfers.activity(), TransferActivity::Idle);
    EXPECT_EQ(b.transfers.activity(), TransferActivity::Idle);
    EXPECT_EQ(b.view.locks, 1);
    EXPECT_EQ(b.view.unlocks, 1);
}

TEST(TransferController, ASendWaitsForDc1AndCancelEndsIt)
{
    Bench b;
    b.settings.set(setting::SE, QStringLiteral("1"));
    b.view.document = "O1\r\nM30\r\n%";
    // The machine asks with DC1 at the third pump; it stops the send with
    // DC3 after a few bytes, and the user cancels.
    int pumps = 0;
    TransferActivity afterCancel = TransferActivity::Idle;
    b.view.onPump = [&] {
        ++pumps;
        if (pumps == 3) {
            b.sendPort.input.push_back(kDC1);
            b.transfers.handshake();
        }
        if (b.sendPort.written.size() == 4 && b.transfers.flags().sendok) {
            b.sendPort.input.push_back(kDC3);
            b.transfers.handshake();
        }
        if (pumps == 40) {
            b.transfers.cancel();
            afterCancel = b.transfers.activity();
        }
    };
    b.transfers.send();
    b.settle();
    // The byte at hand when the wait was cancelled still goes out.
    EXPECT_EQ(b.sendPort.written, iso("\nO1\r\n"));
    // No longer "send", but still locked while the send finishes.
    EXPECT_EQ(afterCancel, TransferActivity::Stopping);
    EXPECT_TRUE(b.transfers.flags().sendstop);
    EXPECT_EQ(b.transfers.activity(), TransferActivity::Idle);
}

// The machine's DC3 and DC1 are read before each byte and at each look
// while held, also when the port's event for them never comes.
TEST(TransferController, TheHandshakeIsSeenWithoutThePortsEvent)
{
    Bench b;
    b.settings.set(setting::SE, QStringLiteral("0"));
    b.view.document = "O1\r\nG01X1.\r\nM30\r\n%";
    std::size_t whenHeld = 0;
    int looksHeld = 0;
    b.sendPort.onWritten = [&] {
        if (b.sendPort.written.size() == 3)
            b.sendPort.input.push_back(kDC3);
    };
    b.clock.onSleep = [&](int ms) {
        if (ms != 10 || b.sendPort.written.size() < 3)
            return;  // not a look while held
        whenHeld = b.sendPort.written.size();
        if (++looksHeld == 5)
            b.sendPort.input.push_back(kDC1);
    };
    b.transfers.send();
    b.settle();
    EXPECT_EQ(whenHeld, 3u);
    EXPECT_EQ(looksHeld, 5);
    EXPECT_EQ(b.sendPort.written, iso("\nO1\r\nG01X1.\r\nM30\r\n%"));
}

TEST(TransferController, ACloseIsRefusedOrWaitsAsTheTransferRequires)
{
    Bench b;
    EXPECT_EQ(b.transfers.requestClose(), TransferController::CloseAnswer::Now);

    // During a send: refused with the message; right after cancel: allowed.
    b.view.document = "O1\r\n%";
    b.settings.set(setting::SE, QStringLiteral("1"));
    std::optional<TransferController::CloseAnswer> during, afterCancel;
    b.view.onPump = [&] {
        if (!during) {
            during = b.transfers.requestClose();
            b.transfers.cancel();
            afterCancel = b.transfers.requestClose();
        }
    };
    b.transfers.send();
    b.settle();
    EXPECT_EQ(during, TransferController::CloseAnswer::Refused);
    EXPECT_EQ(b.dialogs.texts(Kind::Message), QStringList{QStringLiteral("通信を終了してください")});
    EXPECT_EQ(afterCancel, TransferController::CloseAnswer::Now);

    // During a reception: it is cancelled (DC3 to the machine), and the
    // window closes once the reception has returned.
    Bench r;
    std::optional<TransferController::CloseAnswer> receiving;
    r.view.onPump = [&] {
        if (!receiving)
            receiving = r.transfers.requestClose();
    };
    r.transfers.receive();
    EXPECT_EQ(r.settle(), Bench::Afterwards::CloseWindow);
    EXPECT_EQ(receiving, TransferController::CloseAnswer::AfterTransfer);
    EXPECT_EQ(r.receivePort.written, std::string({static_cast<char>(kDC1), static_cast<char>(kDC3)}));
}

TEST(TransferController, TheRepeatSendsUntilCancelledAndStopsWhenThePortWillNotOpen)
{
    Bench b;
    b.view.document = "O5\r\nM30\r\n";
    b.dialogs.answers = {Answer::Ok};  // SE "0": carry on without the request signal
    int pauses = 0;
    TransferPhase inPause = TransferPhase::Idle;
    TransferActivity activityInPause = TransferActivity::Idle;
    b.clock.onSleep = [&](int ms) {
        if (ms != 1000 || b.transfers.loopRunning())
            return;
        inPause = b.transfers.phase();
        activityInPause = b.transfers.activity();
        ++pauses;
    };
    // F8 in the fourth send: that send ends, its pause follows, the repeat ends.
    bool cancelledInSend = false;
    b.view.onPump = [&] {
        if (pauses == 3 && !cancelledInSend) {
            cancelledInSend = true;
            b.transfers.cancel();
        }
    };
    b.transfers.repeat();
    EXPECT_EQ(b.settle(), Bench::Afterwards::Stay);
    EXPECT_EQ(inPause, TransferPhase::Repeating);
    // Between two sends nothing is locked, but a second transfer is refused.
    EXPECT_EQ(activityInPause, TransferActivity::Preparing);
    EXPECT_EQ(b.sendPort.opened, 4);
    EXPECT_EQ(pauses, 4);
    EXPECT_EQ(b.transfers.phase(), TransferPhase::Idle);

    Bench closed;
    closed.view.document = "O5\r\n";
    closed.settings.set(setting::SE, QStringLiteral("1"));
    closed.sendPort.opens = false;
    closed.transfers.repeat();
    EXPECT_EQ(closed.settle(), Bench::Afterwards::Stay);
    EXPECT_EQ(closed.dialogs.texts(Kind::Message), QStringList{QStringLiteral("回線オープンエラー")});

    Bench empty;
    empty.transfers.repeat();
    EXPECT_EQ(empty.settle(), Bench::Afterwards::Stay);
    EXPECT_EQ(empty.dialogs.texts(Kind::Message), QStringList{QStringLiteral("送信データがありません")});
    EXPECT_EQ(empty.sendPort.opened, 0);
}

TEST(TransferController, AReceptionTakesWhatTheMachinePunchesUntilTheEnd)
{
    Bench b;
    TransferPhase during = TransferPhase::Idle;
    TransferActivity state = TransferActivity::Idle;
    b.view.onPump = [&] {
        during = b.transfers.phase();
        state = b.transfers.activity();
    };
    for (char c : std::string("%\nO12\nG1 X1.\n%"))
        b.receivePort.input.push_back(sendiso(static_cast<std::uint8_t>(c)));
    b.transfers.receive();
    EXPECT_EQ(b.settle(), Bench::Afterwards::Stay);
    EXPECT_EQ(during, TransferPhase::Receiving);
    EXPECT_EQ(state, TransferActivity::Receiving);
    EXPECT_EQ(b.view.received, "O12\r\nG1 X1.\r\n%\r\n");
    EXPECT_EQ(b.view.programs, QStringList{QStringLiteral("O12")});
    EXPECT_EQ(b.dialogs.texts(Kind::Information), QStringList{QStringLiteral("受信を完了しました。")});
    EXPECT_EQ(b.transfers.activity(), TransferActivity::Idle);

    // A line error reaches the reception only while one runs.
    b.transfers.lineError();
    EXPECT_TRUE(b.dialogs.texts(Kind::Error).isEmpty());
}

TEST(TransferController, ASpeedThatIsNoNumberStopsTheTransferBeforeThePortOpens)
{
    Bench b;
    b.view.document = "O1\r\n";
    b.settings.set(setting::SPEED, QStringLiteral("96OO"));
    b.transfers.send();
    b.settle();
    b.transfers.receive();
    b.settle();
    EXPECT_EQ(b.dialogs.texts(Kind::Error).size(), 2);
    EXPECT_EQ(b.sendPort.opened + b.receivePort.opened, 0);
    EXPECT_EQ(b.transfers.activity(), TransferActivity::Idle);
    EXPECT_EQ(b.transfers.activity(), TransferActivity::Idle);
}
