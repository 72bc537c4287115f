#pragma once
// The history's tables, and the steps that bring a database of any earlier
// version up to this one. The version stands in history_schema; each step
// runs in the transaction that also raises it, so a database is always at
// one version or the next, never between. A database newer than this
// program is left alone.
#include <QSqlDatabase>
#include <QString>

namespace marbolt {

// The version this program writes.
inline constexpr int kHistorySchemaVersion = 2;

enum class HistoryDialect { Sqlite, Postgres };

// Brings db up to `target` (at most kHistorySchemaVersion), creating the
// tables in an empty one; concurrent openers wait for each other. The
// version found (0 for an empty database) is put in found. False, with
// why in error, when a step failed (nothing of it stays) or the database
// is newer than target.
bool migrateHistory(QSqlDatabase &db, HistoryDialect dialect, int target, QString *error, int *found = nullptr);

// A transaction that writes. On SQLite it takes the write lock at once
// (BEGIN IMMEDIATE), so that of two writers one waits for the other
// instead of failing half-way; on PostgreSQL it is a plain one. False,
// with why in error, when it could not begin or commit.
bool beginWriting(QSqlDatabase &db, HistoryDialect dialect, QString *error);
bool commitWriting(QSqlDatabase &db, HistoryDialect dialect, QString *error);
void rollBackWriting(QSqlDatabase &db, HistoryDialect dialect);

// The version of db's schema; 0 for an empty database, -1 when unreadable.
int historySchemaVersion(QSqlDatabase &db);

}  // namespace marbolt
