#pragma once
// A machine's transfer session: its ports, its DC1/DC3 state and the one
// job it runs, on a thread of its own, so that every machine of the
// station sends and receives at the same time as the others and none
// waits on a window. Commands are given from the owner's thread and
// queued to the session's; what happens comes back as signals and as a
// status the owner can read at any time.
#include "common/clock.h"
#include "serial/serialsystem.h"
#include "transfer/transfervalues.h"
#include "transfer/receivejob.h"
#include "transfer/sendjob.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

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
};

class SessionWorker;

class TransferSession : public QObject {
    Q_OBJECT
public:
    TransferSession(QString machine, TransferValues values, Clock &clock = systemClock(),
                    SerialSystem &serial = posixSerialSystem(), QObject *parent = nullptr);
    ~TransferSession() override;
    TransferSession(const TransferSession &) = delete;
    TransferSession &operator=(const TransferSession &) = delete;

    const QString &machine() const { return machine_; }
    QString port() const;
    // The values the next transfer uses.
    void setValues(TransferValues values);

    // Refused (false) while a transfer runs.
    bool send(SendPlan plan, QString program);
    bool receive();
    void cancel();

    SessionStatus status() const;
    bool busy() const { return status().state != SessionState::Idle; }

signals:
    void statusChanged();
    void sendFinished(marbolt::SessionOutcome outcome);
    void received(const marbolt::Reception &reception);

private:
    friend class SessionWorker;
    void publish(const SessionStatus &status);
    // Marks the session busy for a transfer and gives its values; nullopt
    // while one runs.
    std::optional<TransferValues> claim(const QString &program);

    QString machine_;
    QThread thread_;
    SessionWorker *worker_ = nullptr;  // lives on thread_
    mutable std::mutex mutex_;
    SessionStatus status_;
    TransferValues values_;
};

}  // namespace marbolt
