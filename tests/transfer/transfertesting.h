#pragma once
// The real main window on a pseudo-terminal against the virtual machine
// tool: its dialogs answered by script, its clock fixed and its long
// sleeps cut short.
#include "app/widgets/sdiappform.h"
#include "app/widgets/statuspanels.h"
#include "transfer/transfercontroller.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "serial/punchcodes.h"
#include "common/clock.h"
#include "virtualmachine.h"
#include "../window/scripteddialogs.h"
#include "../window/windowprobe.h"
#include "../punchbytes.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QSemaphore>
#include <QThread>
#include <QCoreApplication>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace marbolt::testing {

// Fixed local time; a transfer's timers run for real but never longer
// than `cap` ms, so the 1000 ms end of a send costs 10 ms. onSleep runs
// as a timer starts, with the asked length, on the user-interface thread
// while the session's thread waits for it: tests look at the window
// there, at the points where a transfer waits, once the window has taken
// in everything the session told before.
struct TestClock : Clock {
    QDateTime fixed{QDate(2026, 12, 8), QTime(10, 20, 30)};
    int cap = 10;
    std::function<void(int)> onSleep;
    QDateTime now() const override { return fixed; }
    int timerLength(int ms) override
    {
        if (!onSleep)
            return std::min(ms, cap);
        if (QThread::currentThread() == qApp->thread()) {
            onSleep(ms);
            return std::min(ms, cap);
        }
        // A window going away does not wait for a session: the session
        // gives up after a while rather than wait on a window that is
        // itself waiting for the session to end.
        auto ran = std::make_shared<QSemaphore>();
        QMetaObject::invokeMethod(
            qApp, [this, ms, ran] {
                if (onSleep)
                    onSleep(ms);
                ran->release();
            },
            Qt::QueuedConnection);
        ran->tryAcquire(1, 5000);
        return std::min(ms, cap);
    }
};

struct Rig {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TestClock clock;
    std::unique_ptr<vm::VirtualMachine> machine;
    std::unique_ptr<TSDIAppForm> form;

    explicit Rig(SerialSystem *serial = nullptr)
    {
        machine = vm::VirtualMachine::create();
        AppEnvironment env;
        env.paths = AppPaths::inFolder(dir.path());
        env.dialogs = &dialogs;
        env.clock = &clock;
        env.serial = serial;
        form = std::make_unique<TSDIAppForm>(std::move(env));
        set("PORT", QString::fromStdString(machine->portPath()));
        set("SPEED", "115200");
        set("SE", "0");
        set("HEAD%", "0");
        set("CODE", "ISO");
        set("TAPE", "0");
        set("FEED", "0");
        set("WAIT", "0");
        set("LOG", "0");
    }

    void set(const char *key, const QString &value) { form->settings().set(QString::fromLatin1(key), value); }
    void set(const char *key, const char *value) { set(key, QString::fromUtf8(value)); }

    void setDocument(std::string_view utf8)
    {
        auto loader = form->editor()->beginLoad(utf8.size());
        loader->add(utf8);
        loader->commit();
        form->indexBox()->rebuild(form->editor()->textView());
    }

    QString logPath() const { return dir.filePath(QStringLiteral("marbolt.log")); }
    // The send log as text (it is written in Shift-JIS); empty when absent.
    QString logText() const
    {
        QFile log(logPath());
        if (!log.open(QIODevice::ReadOnly))
            return QString();
        QStringDecoder sjis("windows-31j");
        return sjis.decode(log.readAll());
    }
    QString panel0() const { return form->statusPanels()->panelText(0); }
};

// Printable form of bytes, for failure messages.
inline std::string hex(const std::string &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

// Asks a widget to repaint every 20 ms and notes when it was painted:
// a window thread that waits without painting shows as a long gap.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget *widget) : widget_(widget)
    {
        clock_.start();
        widget_->installEventFilter(this);
        QObject::connect(&ask_, &QTimer::timeout, widget_, qOverload<>(&QWidget::update));
        ask_.start(20);
    }
    // Starts a span in which the gaps count.
    void begin()
    {
        from_ = clock_.elapsed();
        last_ = from_;
        longest_ = 0;
        paints_ = 0;
    }
    // The longest time without a paint since begin(), up to now.
    qint64 longestGap() const { return std::max(longest_, clock_.elapsed() - last_); }
    int paints() const { return paints_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == widget_ && event->type() == QEvent::Paint && from_ >= 0) {
            const qint64 now = clock_.elapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
            ++paints_;
        }
        return false;
    }

private:
    QWidget *widget_;
    QTimer ask_;
    QElapsedTimer clock_;
    qint64 from_ = -1, last_ = 0, longest_ = 0;
    int paints_ = 0;
};

// A transfer command returns at once and its transfer runs as a job on
// the window's event loop: this runs the loop until it has ended, and not
// beyond (what the end queued, such as a close, is still to come).
inline void finish(Rig &rig, int timeoutMs = 60000)
{
    TransferController &t = rig.form->transfers();
    QDeadlineTimer deadline(timeoutMs);
    // A running transfer always has a step or a timer coming.
    while ((t.loopRunning() || isBusy(t.activity())) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The machine takes the transmission without pacing it.
inline void listen(Rig &rig)
{
    vm::ReceiveMode mode;
    mode.sendDc1AtStart = false;
    rig.machine->receive(mode);
}

// Runs a send handler against a machine that takes the transmission
// unpaced, and returns what reached it.
template <typename Handler>
std::string sendWith(Rig &rig, Handler handler)
{
    rig.machine->clearReceived();
    listen(rig);
    handler();
    finish(rig);
    rig.machine->waitForCount(1, std::chrono::milliseconds(200));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return bytesOf(rig.machine->received());
}

// Runs a whole-document send and returns what reached the machine.
inline std::string sendDocument(Rig &rig)
{
    return sendWith(rig, [&] { rig.form->send1Execute(); });
}

}  // namespace marbolt::testing

// Compares byte strings, showing both in hex when they differ.
#define COMPARE_BYTES(actual, expected)                                                        \
    do {                                                                                       \
        const std::string a_ = (actual), e_ = (expected);                                      \
        QVERIFY2(a_ == e_, ("\n got  " + hex(a_) + "\n want " + hex(e_)).c_str());             \
    } while (false)

