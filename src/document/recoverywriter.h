#pragma once
// Writes recovery copies on a thread of its own, one job at a time in the
// order given, so that typing never waits for the encoding or the disk,
// and a removal given after a write always comes after it.
#include "document/recoveryfiles.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace marbolt {

// The bytes of a copy for editor text: the file's bytes exactly as a save
// writes them (line breaks as CR LF, Shift-JIS, escapes back to their
// bytes); when Shift-JIS cannot hold a character, the editor's own text
// with CR LF, and editorText is set.
std::string recoveryBytes(std::string_view text, bool &editorText);

class RecoveryWriter {
public:
    struct Outcome {
        bool ok = true;
        QString reason;  // the system's reason for a failure
        std::size_t bytes = 0;
        bool editorText = false;
    };

    RecoveryWriter();
    // Runs every job given, then ends the thread.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter &) = delete;
    RecoveryWriter &operator=(const RecoveryWriter &) = delete;

    // Writes a copy of text into slot; done then runs on receiver's
    // thread. slot must outlive the job and receiver the writer (own it:
    // its destructor waits for the last job).
    void write(RecoverySlot &slot, std::string text, RecoveryInfo info, QObject *receiver,
               std::function<void(const Outcome &)> done);
    // Removes slot's copy once the jobs before have run.
    void remove(RecoverySlot &slot);

    // The buffer for the next snapshot: empty, with room kept from the
    // last one or made by prepareBuffer (in memory already touched, so
    // that filling it costs no page faults on the caller's thread).
    std::string takeBuffer();
    // Makes room for a snapshot of capacity bytes, on the writer's thread.
    void prepareBuffer(std::size_t capacity);
    // Gives the buffer's memory back (the document is saved).
    void releaseBuffer();
    // Waits until every job given has run.
    void drain();
    // No job waits or runs.
    bool idle() const;

private:
    void run();
    void post(std::function<void()> job);
    void keepBuffer(std::string buffer);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable drained_;
    std::deque<std::function<void()>> jobs_;
    int running_ = 0;
    std::mutex bufferMutex_;
    std::string buffer_;  // the spare snapshot buffer
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace marbolt
