#pragma once
// Records the transfers of a process in its history, on a thread of its
// own: a transfer's end only queues its record, so neither a window nor
// the DNC server waits on a database, however far away or slow. A record
// that cannot be written waits in the queue and is tried again, less often
// the longer the database stays away, in the order the transfers ended;
// those still waiting when the recorder ends are kept as files in the
// pending folder, and written by the next recorder on this PC.
#include "history/historyconnection.h"
#include "history/historydatabase.h"
#include "history/pendingrecords.h"
#include "transfer/transferrecord.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace marbolt {

class HistoryRecorder : public QObject, public TransferRecorder {
    Q_OBJECT
public:
    // pendingFolder: where records left by an earlier end wait, taken
    // first; "" for none.
    HistoryRecorder(HistoryConnection connection, RecordOrigin origin, QString pendingFolder = {},
                    QObject *parent = nullptr);
    // Writes what is queued (trying the database once more), keeps what
    // is still left in the pending folder, then ends.
    ~HistoryRecorder() override;

    void record(TransferRecord record) override;
    // Waits until every record queued so far is written, or ms passed.
    // True when none is left.
    bool flush(int ms);
    // Records queued and not yet written.
    std::size_t pending() const;
    const HistoryConnection &connection() const { return connection_; }

signals:
    // From the recorder's thread, once for each stretch of failures: why
    // the history cannot be written now (the records wait).
    void failed(const QString &message);
    // The history can be written again.
    void recovered();

private:
    void run();

    HistoryConnection connection_;
    RecordOrigin origin_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable drained_;
    QString pendingFolder_;
    std::deque<PendingRecord> queue_;
    bool writing_ = false;  // the front record is being written
    bool stopping_ = false;
    std::thread thread_;
};

// The longest pause between tries of a database that is away.
inline constexpr int kHistoryLongestRetryMs = 60 * 1000;

}  // namespace marbolt
