#pragma once
// What a transfer leaves for the record when it ends: which machine, which
// way, when, how it ended, and the text itself, so that which version of a
// program went to a machine can be shown later. A session hands each one
// to the recorder its owner gave it.
#include <QDateTime>
#include <QString>

#include <string>

namespace marbolt {

enum class RecordDirection { Send, Receive };

enum class RecordOutcome {
    Completed,  // the send went out whole; the reception came to its end
    Cancelled,  // stopped by the user or the server
    Failed,     // the line or the port failed on the way
};

struct TransferRecord {
    QDateTime started;
    QDateTime ended;
    QString machine;
    QString port;
    RecordDirection direction = RecordDirection::Send;
    RecordOutcome outcome = RecordOutcome::Completed;
    // Shift-JIS, CR LF lines: a send's text before its punch code (with
    // its "%" lead and end), a reception's text as it came.
    std::string text;
    qint64 bytes = 0;  // on the line: of a send cut short, as far as it went
    QString detail;    // what the outcome alone does not tell
};

// Takes the records of ended transfers. Sessions call it from their own
// threads, so record() must be safe to call from any thread, and must not
// wait long: a transfer's end waits for it.
class TransferRecorder {
public:
    virtual ~TransferRecorder() = default;
    virtual void record(TransferRecord record) = 0;
};

}  // namespace marbolt
