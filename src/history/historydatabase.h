#pragma once
// The transfer history in its database: each transfer a row, each program
// it carried a row of its own (number, comment), each distinct program
// text stored once under its SHA-256. The same code runs on SQLite (one
// file, the default) and PostgreSQL (one history for a shop). A
// connection belongs to the thread that opened it.
#include "history/historyconnection.h"
#include "history/historyschema.h"
#include "transfer/transferrecord.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace marbolt {

// Who recorded: the user, the PC and the program.
struct RecordOrigin {
    QString user;
    QString host;
    QString via;  // "marbolt", "marbolt-dnc"
};
// This process's user and host, with via.
RecordOrigin thisProcess(const QString &via);

// One program of a transfer, as the history shows it.
struct HistoryEntry {
    qint64 transfer = 0;  // the transfer's id: the programs of one tape share it
    int position = 0;     // the program's place on its tape, from 0
    QDateTime started;
    QDateTime ended;
    QString machine;
    QString port;
    RecordDirection direction = RecordDirection::Send;
    RecordOutcome outcome = RecordOutcome::Completed;
    qint64 bytes = 0;  // of the whole transfer
    QString user;
    QString host;
    QString via;
    QString detail;
    std::optional<long> program;
    QString comment;
    QString content;  // the text's SHA-256, hex
    qint64 size = 0;  // of the program's text
};

struct HistoryFilter {
    QString machine;               // "" for every machine
    std::optional<long> program;
    QDateTime from;                // started at or after (invalid: no bound)
    QDateTime until;               // started before (invalid: no bound)
    int limit = 1000;              // the latest this many
};

// A program of a transfer's text: the number, the comment of its O-line,
// and its text without the tape's "%" lines.
struct RecordedProgram {
    std::optional<long> number;
    QString comment;
    std::string text;
};
std::vector<RecordedProgram> recordedPrograms(const std::string &text);

// "O1234", "O1234 (FLANGE)" or "-"; and the words of the record's
// direction ("送信", "受信") and outcome ("完了", "中断", "失敗").
QString programText(const std::optional<long> &number);
QString recordDirectionText(RecordDirection direction);
QString recordOutcomeText(RecordOutcome outcome);
// "履歴にこの版がありません"
QString noSuchVersionText();
// The outcome with what it does not tell ("中断 (パリティエラー 1 バイト)"),
// and who recorded ("sato@pc1 (marbolt)"): the list's and the command's words.
QString outcomeWithDetail(const HistoryEntry &entry);
QString recordedBy(const HistoryEntry &entry);

// How long a version's shortened name is, where a list shows it.
inline constexpr int kShortVersion = 12;

// The words a record's direction and outcome are stored as, in the
// database and in the pending files ("send", "completed"), and back.
QString directionKey(RecordDirection direction);
QString outcomeKey(RecordOutcome outcome);
RecordDirection directionOf(const QString &key);
RecordOutcome outcomeOf(const QString &key);

class HistoryDatabase {
public:
    HistoryDatabase();
    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase &) = delete;
    HistoryDatabase &operator=(const HistoryDatabase &) = delete;

    // Opens the place and brings its schema up to this program's version
    // (target, for the tests of the steps). False with why in error().
    bool open(const HistoryConnection &connection, int target = kHistorySchemaVersion);
    void close();
    bool isOpen() const;
    const QString &error() const { return error_; }
    HistoryDialect dialect() const { return dialect_; }
    QSqlDatabase &database() { return db_; }

    // Writes one transfer and its programs in one transaction: all of it
    // or nothing. The transfer's id, or nullopt.
    std::optional<qint64> record(const TransferRecord &record, const RecordOrigin &origin);

    // The latest transfers' programs matching filter, the latest first.
    std::optional<std::vector<HistoryEntry>> find(const HistoryFilter &filter);
    // A text by its hash (Shift-JIS bytes as they went or came).
    std::optional<std::string> content(const QString &hash);
    // The same by the hash's first letters (at least 6): error() is
    // noSuchVersionText() when none has them, and says so when several do.
    std::optional<std::string> contentByPrefix(const QString &prefix);

private:
    bool fail(const QString &what);

    QString name_;
    QSqlDatabase db_;
    HistoryDialect dialect_ = HistoryDialect::Sqlite;
    QString error_;
};

}  // namespace marbolt
