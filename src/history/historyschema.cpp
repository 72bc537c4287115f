#include "history/historyschema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace marbolt {

namespace {

// Version 1: the transfers, their programs, and each distinct program text
// once, by its SHA-256.
QStringList version1(HistoryDialect d)
{
    const QString id = d == HistoryDialect::Sqlite ? QStringLiteral("INTEGER PRIMARY KEY")
                                                   : QStringLiteral("BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY");
    const QString blob = d == HistoryDialect::Sqlite ? QStringLiteral("BLOB") : QStringLiteral("BYTEA");
    return {
        QStringLiteral("CREATE TABLE history_schema (version INTEGER NOT NULL)"),
        QStringLiteral("INSERT INTO history_schema (version) VALUES (0)"),
        QStringLiteral("CREATE TABLE contents (hash TEXT PRIMARY KEY, size BIGINT NOT NULL, text %1 NOT NULL)").arg(blob),
        QStringLiteral("CREATE TABLE transfers (id %1, started BIGINT NOT NULL, ended BIGINT NOT NULL,"
                       " machine TEXT NOT NULL, port TEXT NOT NULL, direction TEXT NOT NULL, outcome TEXT NOT NULL,"
                       " bytes BIGINT NOT NULL, user_name TEXT NOT NULL, host TEXT NOT NULL, detail TEXT NOT NULL)")
            .arg(id),
        QStringLiteral("CREATE TABLE transfer_programs (transfer_id BIGINT NOT NULL REFERENCES transfers (id),"
                       " position INTEGER NOT NULL, program BIGINT, comment TEXT NOT NULL,"
                       " content TEXT NOT NULL REFERENCES contents (hash), PRIMARY KEY (transfer_id, position))"),
        QStringLiteral("CREATE INDEX transfer_programs_program ON transfer_programs (program, transfer_id)"),
        QStringLiteral("CREATE INDEX transfers_started ON transfers (started)"),
    };
}

// Version 2: which program wrote a transfer (the window or the DNC
// server), and a machine's transfers by time.
QStringList version2(HistoryDialect)
{
    return {
        QStringLiteral("ALTER TABLE transfers ADD COLUMN via TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("CREATE INDEX transfers_machine ON transfers (machine, started)"),
    };
}

using Step = QStringList (*)(HistoryDialect);
constexpr Step kSteps[] = {version1, version2};
static_assert(std::size(kSteps) == kHistorySchemaVersion);

bool exec(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

}  // namespace

bool beginWriting(QSqlDatabase &db, HistoryDialect dialect, QString *error)
{
    if (dialect == HistoryDialect::Sqlite)
        return exec(db, QStringLiteral("BEGIN IMMEDIATE"), error);
    if (db.transaction())
        return true;
    if (error)
        *error = db.lastError().text();
    return false;
}

bool commitWriting(QSqlDatabase &db, HistoryDialect dialect, QString *error)
{
    if (dialect == HistoryDialect::Sqlite)
        return exec(db, QStringLiteral("COMMIT"), error);
    if (db.commit())
        return true;
    if (error)
        *error = db.lastError().text();
    return false;
}

void rollBackWriting(QSqlDatabase &db, HistoryDialect dialect)
{
    if (dialect == HistoryDialect::Sqlite)
        exec(db, QStringLiteral("ROLLBACK"), nullptr);
    else
        db.rollback();
}

int historySchemaVersion(QSqlDatabase &db)
{
    if (!db.tables().contains(QStringLiteral("history_schema")))
        return 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT version FROM history_schema")) || !q.next())
        return -1;
    return q.value(0).toInt();
}

bool migrateHistory(QSqlDatabase &db, HistoryDialect dialect, int target, QString *error, int *found)
{
    // One opener at a time: SQLite takes its write lock at once, PostgreSQL
    // a lock of the transaction's own.
    if (!beginWriting(db, dialect, error))
        return false;
    auto rollback = [&] {
        rollBackWriting(db, dialect);
        return false;
    };
    if (dialect == HistoryDialect::Postgres && !exec(db, QStringLiteral("SELECT pg_advisory_xact_lock(4177001)"), error))
        return rollback();
    const int version = historySchemaVersion(db);
    if (found)
        *found = version;
    if (version < 0) {
        if (error)
            *error = QStringLiteral("履歴の版が読めません");
        return rollback();
    }
    if (version > target) {
        if (error)
            *error = QStringLiteral("履歴はこの Marbolt より新しい版 (%1) で作られています").arg(version);
        return rollback();
    }
    for (int v = version; v < target; ++v) {
        for (const QString &sql : kSteps[v](dialect)) {
            if (!exec(db, sql, error))
                return rollback();
        }
        if (!exec(db, QStringLiteral("UPDATE history_schema SET version = %1").arg(v + 1), error))
            return rollback();
    }
    if (!commitWriting(db, dialect, error))
        return rollback();
    return true;
}

}  // namespace marbolt
