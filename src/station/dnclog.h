#pragma once
// What the DNC server tells of its transfers: a line for each one (time,
// machine, direction, program, bytes, outcome) in the machine's own log
// file, and the same on standard error with a syslog level in front
// ("<6>", "<4>", "<3>"), which journald reads as the line's priority when
// the server runs as a service.
#include "common/clock.h"

#include <QString>

#include <cstdio>

namespace marbolt {

enum class DncDirection { Receive, Send, Request };

enum class DncOutcome {
    Done,      // the transfer came whole, or went out whole
    Refused,   // a request answered with the program saying why
    Stopped,   // the server stopped it
    Failed,    // the line, the port or a file failed
};

struct DncEntry {
    QString machine;
    DncDirection direction = DncDirection::Receive;
    QString program;  // "O1234", or "" when the text had none
    qint64 bytes = 0;
    DncOutcome outcome = DncOutcome::Done;
    QString detail;   // what became of it: the files, the reason
};

// A program number as the log and a control show it: "O0012".
QString programLabel(long number);

// "受信", "送信", "要求"; "完了", "拒否", "中断", "失敗".
QString directionText(DncDirection direction);
QString outcomeText(DncOutcome outcome);

class DncLog {
public:
    // folder: where "<machine>.log" files go (made when missing); err:
    // where the journal lines go (nullptr: nowhere).
    DncLog(QString folder, std::FILE *err, Clock &clock = systemClock());

    void record(const DncEntry &entry);
    // A line that is no transfer: the server's start, a port it retries.
    enum class Level { Info, Warning, Error };
    void note(const QString &machine, Level level, const QString &text);

    // The log file of a machine: its name with what a file name cannot
    // hold replaced by "_".
    QString fileOf(const QString &machine) const;
    const QString &folder() const { return folder_; }

private:
    void write(const QString &machine, Level level, const QString &fileLine, const QString &journalLine);

    QString folder_;
    std::FILE *err_;
    Clock &clock_;
};

}  // namespace marbolt
