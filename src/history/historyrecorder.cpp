#include "history/historyrecorder.h"

#include <algorithm>
#include <chrono>

namespace marbolt {

HistoryRecorder::HistoryRecorder(HistoryConnection connection, RecordOrigin origin, QString pendingFolder,
                                 QObject *parent)
    : QObject(parent), connection_(std::move(connection)), origin_(std::move(origin)),
      pendingFolder_(std::move(pendingFolder))
{
    if (!pendingFolder_.isEmpty())
        for (PendingRecord &p : takePending(pendingFolder_))
            queue_.push_back(std::move(p));
    thread_ = std::thread([this] { run(); });
}

HistoryRecorder::~HistoryRecorder()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (!pendingFolder_.isEmpty())
        keepPending(pendingFolder_, std::vector<PendingRecord>(queue_.begin(), queue_.end()));
}

void HistoryRecorder::record(TransferRecord record)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(PendingRecord{std::move(record), origin_, {}});
    }
    wake_.notify_all();
}

bool HistoryRecorder::flush(int ms)
{
    std::unique_lock lock(mutex_);
    return drained_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return queue_.empty() && !writing_; });
}

std::size_t HistoryRecorder::pending() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void HistoryRecorder::run()
{
    HistoryDatabase db;
    int pauseMs = 0;     // before the next try, after a failure
    bool failing = false;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (pauseMs > 0 && !stopping_)
            wake_.wait_for(lock, std::chrono::milliseconds(pauseMs), [this] { return stopping_; });
        else
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            if (stopping_)
                break;
            continue;
        }
        // The record stays at the front until it is written.
        PendingRecord record = queue_.front();
        writing_ = true;
        lock.unlock();
        QString why;
        bool written = false;
        if (db.isOpen() || db.open(connection_))
            written = db.record(record.record, record.origin).has_value();
        if (!written) {
            why = db.error();
            db.close();  // opened afresh at the next try: the server may have gone and come back
        }
        lock.lock();
        writing_ = false;
        if (written) {
            dropPending(record);
            queue_.pop_front();
            pauseMs = 0;
            if (std::exchange(failing, false)) {
                lock.unlock();
                emit recovered();
                lock.lock();
            }
        } else {
            pauseMs = std::clamp(pauseMs * 2, 1000, kHistoryLongestRetryMs);
            if (!std::exchange(failing, true)) {
                lock.unlock();
                emit failed(why);
                lock.lock();
            }
            if (stopping_)
                break;  // tried once more at the end; what is left goes to the pending files
        }
        if (queue_.empty())
            drained_.notify_all();
    }
    drained_.notify_all();
}

}  // namespace marbolt
