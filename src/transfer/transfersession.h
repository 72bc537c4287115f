#pragma once
// A machine's transfer session: its ports, its DC1/DC3 state and the one
// job it runs, on a thread of its own, so that every machine of the
// station sends and receives at the same time as the others and none
// waits on a window (the window's own transfers run on the session of
// its active machine too). Commands are given from the owner's thread and
// queued to the session's; what happens comes back as signals, in the
// order it happened, and as a status the owner can read at any time.
#include "common/clock.h"
#include "serial/serialsystem.h"
#include "transfer/transfervalues.h"
#include "transfer/receivejob.h"
#include "transfer/sendjob.h"
#include "transfer/transferrecord.h"
#include "transfer/transferstate.h"
#include "serial/lineport.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace marbolt {

enum class SessionState {
    Idle,
    Connecting,  // the port opens (a device server may take seconds)
    Waiting,     // a send waits for the machine's DC1
    Sending,
    Receiving,
    Ending,      // the machine's second after a send
};

// What a machine list shows of a session.
struct SessionStatus {
    SessionState state = SessionState::Idle;
    QString program;    // the program under way: the job's label, or the last O-line received
    qint64 done = 0;    // bytes sent or received
    qint64 total = 0;   // bytes of a send; 0 for a reception
    QString text;       // the status text a window shows in its panel 0
    QString openError;  // why the port did not open, when it did not ("" when unknown)
};

// How a session's transfer ended.
enum class SessionOutcome {
    Completed,    // a send whole, or a reception to "%" or DC4
    Cancelled,
    NotOpened,    // the port did not open
    Failed,       // a write, a read or the line failed
};

struct Reception {
    SessionOutcome outcome = SessionOutcome::Cancelled;
    ReceiveOutcome detail = ReceiveOutcome::Cancelled;
    std::string text;  // the NC text, CR LF lines
    long long faultyBytes = 0;
    std::vector<std::size_t> faultyLines;  // lines of text (0-based) they fell on
};

// How a reception looks at its port: between the arrivals its port
// announces (when it announces them), every lookMs.
struct ReceiveStyle {
    int lookMs = 100;
    bool arrivals = true;
    // A reception that came whole leaves its port open for the next one
    // (a server that listens again at once): what the machine punches in
    // between waits in the port instead of being lost to a closed line.
    // The next reception takes the port as it is; a send closes it.
    bool keepOpen = false;
};

// Ports of the caller's own, for a session that runs on the caller's
// thread: a test drives its transfers through them and tells it each
// arrival (handshake(), lineError()).
struct SessionPorts {
    LinePort &send;
    LinePort &receive;
};

class SessionWorker;
class Trs232c;

class TransferSession : public QObject {
    Q_OBJECT
public:
    TransferSession(QString machine, TransferValues values, Clock &clock = systemClock(),
                    SerialSystem &serial = posixSerialSystem(), QObject *parent = nullptr);
    // On the caller's thread, over the caller's ports.
    TransferSession(QString machine, SessionPorts ports, Clock &clock, QObject *parent = nullptr);
    ~TransferSession() override;
    TransferSession(const TransferSession &) = delete;
    TransferSession &operator=(const TransferSession &) = delete;

    const QString &machine() const { return machine_; }
    QString port() const;
    // The values the next transfer uses.
    void setValues(TransferValues values);
    const TransferValues &values() const { return values_; }

    // Refused (false) while a transfer runs. Without values, the
    // session's own (setValues) are used.
    bool send(SendPlan plan, QString program);
    bool send(SendPlan plan, QString program, TransferValues values);
    bool receive();
    bool receive(TransferValues values, ReceiveStyle style);
    // Stops the running transfer (also a port that is still connecting);
    // without one, raises the stop flags, so that a repeat's pause sees it.
    void cancel();
    // The machine's DC1/DC3 came, or the receive line failed, on ports of
    // the caller's own (the session's own ports tell it themselves).
    void handshake();
    void lineError();
    // The measured rate, asked every 5 s while a send runs (rateMeasured).
    void rateTick();

    SessionStatus status() const;
    bool busy() const { return status().state != SessionState::Idle; }
    // The flags of the machine's transfers: DC1/DC3 and the stop flags.
    TransferState &flags();
    const TransferState &flags() const;
    // One of the session's ports is open.
    bool portOpen() const;
    // Where each transfer that moved bytes is recorded when it ends (from
    // the session's thread); nullptr: nowhere. It must outlive the session
    // or be taken away first.
    void setRecorder(TransferRecorder *recorder) { recorder_ = recorder; }
    TransferRecorder *recorder() const { return recorder_; }
    // Runs f on the session's own ports, on their thread, and returns when
    // it has run: for the benchmarks and tests that look into a port.
    void withPorts(const std::function<void(Trs232c &send, Trs232c &receive)> &f);

signals:
    // For a list of machines: the status changed.
    void statusChanged();
    // What a window serving this machine follows, in order.
    void jobStatus(const QString &text);  // the job's status text (panel 0)
    void portOpened();                     // the job starts
    void progressShown(int maximum);
    void progressed(int position);
    void lineReached(std::size_t line);
    void dataSent();
    void handshakeReadFailed();
    void writeFailed();
    void logFailed(const QString &message);
    void rateMeasured(long long bytesPerSecond, int seconds);
    void lineReceived(const QString &line, const QString &status);  // a line, and the count after it
    void receiveFailed(marbolt::ReceiveOutcome outcome);
    void lineFailed();  // the receive line failed; the machine was stopped
    // The ends. NotOpened only when the port failed to open, not when a
    // cancel gave the connection up (Cancelled).
    void sendFinished(marbolt::SessionOutcome outcome);
    void received(const marbolt::Reception &reception);

private:
    friend class SessionWorker;
    void publish(const SessionStatus &status);
    // Marks the session busy for a transfer and gives its values; nullopt
    // while one runs.
    std::optional<TransferValues> claim(const QString &program);

    void startSend(SendPlan plan, QString program, TransferValues values);
    void startReceive(TransferValues values, ReceiveStyle style);
    // Runs f on the worker's thread: at once when called there, else queued.
    void onWorker(std::function<void()> f);

    QString machine_;
    QThread thread_;
    SessionWorker *worker_ = nullptr;  // lives on thread_, or on the caller's
    mutable std::mutex mutex_;
    SessionStatus status_;
    TransferValues values_;
    std::atomic<TransferRecorder *> recorder_{nullptr};
};

}  // namespace marbolt
