#include "history/historydatabase.h"

#include "document/programsplit.h"
#include "document/sjistext.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>

#include <atomic>
#include <pwd.h>
#include <unistd.h>

namespace marbolt {

namespace {

// A text column is never NULL: an empty text is bound as "".
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QByteArray bytesOf(const std::string &text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// The comment of an O-line: what its first parentheses hold.
QString commentOf(std::string_view programText)
{
    const std::size_t end = programText.find_first_of("\r\n");
    const std::string_view line = programText.substr(0, end);
    const std::size_t open = line.find('(');
    if (open == std::string_view::npos)
        return {};
    const std::size_t close = line.find(')', open);
    const std::string_view inside =
        line.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
    return QString::fromStdString(decodeSjisFile(inside, SjisFileDecoder::Case::Keep)).trimmed();
}

// The text without the "%" lines (and blank lines) a tape puts before its
// first program and after its last.
std::string withoutTapeMarks(std::string_view text)
{
    auto markOrBlank = [](std::string_view line) {
        return isPercentLine(line) || line.find_first_not_of(" \t\r\n") == std::string_view::npos;
    };
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (!markOrBlank(text.substr(0, next)))
            break;
        text.remove_prefix(next);
    }
    while (!text.empty()) {
        std::size_t cut = text.size();
        while (cut > 0 && (text[cut - 1] == '\n' || text[cut - 1] == '\r'))
            --cut;
        const std::size_t start = text.rfind('\n', cut == 0 ? 0 : cut - 1);
        const std::size_t from = start == std::string_view::npos ? 0 : start + 1;
        if (from >= cut || !markOrBlank(text.substr(from, cut - from))) {
            break;
        }
        text = text.substr(0, from);
    }
    return std::string(text);
}

std::atomic<int> connectionCount{0};

}  // namespace

QString directionKey(RecordDirection d)
{
    return d == RecordDirection::Send ? QStringLiteral("send") : QStringLiteral("receive");
}

QString outcomeKey(RecordOutcome o)
{
    switch (o) {
    case RecordOutcome::Completed:
        return QStringLiteral("completed");
    case RecordOutcome::Cancelled:
        return QStringLiteral("cancelled");
    case RecordOutcome::Failed:
        break;
    }
    return QStringLiteral("failed");
}

RecordDirection directionOf(const QString &key)
{
    return key == QLatin1String("send") ? RecordDirection::Send : RecordDirection::Receive;
}

RecordOutcome outcomeOf(const QString &key)
{
    if (key == QLatin1String("completed"))
        return RecordOutcome::Completed;
    if (key == QLatin1String("cancelled"))
        return RecordOutcome::Cancelled;
    return RecordOutcome::Failed;
}

QString outcomeWithDetail(const HistoryEntry &e)
{
    const QString outcome = recordOutcomeText(e.outcome);
    return e.detail.isEmpty() ? outcome : QStringLiteral("%1 (%2)").arg(outcome, e.detail);
}

QString recordedBy(const HistoryEntry &e)
{
    const QString who = e.user + u'@' + e.host;
    return e.via.isEmpty() ? who : QStringLiteral("%1 (%2)").arg(who, e.via);
}

RecordOrigin thisProcess(const QString &via)
{
    RecordOrigin origin;
    if (const passwd *pw = getpwuid(geteuid()))
        origin.user = QString::fromLocal8Bit(pw->pw_name);
    else
        origin.user = QString::number(geteuid());
    origin.host = QSysInfo::machineHostName();
    origin.via = via;
    return origin;
}

std::vector<RecordedProgram> recordedPrograms(const std::string &text)
{
    std::vector<RecordedProgram> programs;
    for (const ReceivedProgram &p : splitPrograms(text)) {
        std::string bytes = withoutTapeMarks(p.bytes);
        if (bytes.empty())
            continue;
        RecordedProgram program;
        program.number = p.number;
        if (p.number)
            program.comment = commentOf(bytes);
        program.text = std::move(bytes);
        programs.push_back(std::move(program));
    }
    return programs;
}

QString programText(const std::optional<long> &number)
{
    return number ? QStringLiteral("O%1").arg(*number, 4, 10, QLatin1Char('0')) : QStringLiteral("-");
}

QString recordDirectionText(RecordDirection direction)
{
    return direction == RecordDirection::Send ? QStringLiteral("送信") : QStringLiteral("受信");
}

QString noSuchVersionText()
{
    return QStringLiteral("履歴にこの版がありません");
}

QString recordOutcomeText(RecordOutcome outcome)
{
    switch (outcome) {
    case RecordOutcome::Completed:
        return QStringLiteral("完了");
    case RecordOutcome::Cancelled:
        return QStringLiteral("中断");
    case RecordOutcome::Failed:
        break;
    }
    return QStringLiteral("失敗");
}

HistoryDatabase::HistoryDatabase() : name_(QStringLiteral("marbolt-history-%1").arg(++connectionCount)) {}

HistoryDatabase::~HistoryDatabase()
{
    close();
}

bool HistoryDatabase::fail(const QString &what)
{
    error_ = what;
    return false;
}

bool HistoryDatabase::open(const HistoryConnection &connection, int target)
{
    close();
    error_.clear();
    if (connection.kind == HistoryConnection::Kind::Sqlite) {
        dialect_ = HistoryDialect::Sqlite;
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
            return fail(QStringLiteral("SQLite のドライバーがありません (libqt6sql6-sqlite)"));
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(connection.file);
        // Another process (the window and the DNC server) may be writing:
        // wait for it rather than fail.
        db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    } else {
        dialect_ = HistoryDialect::Postgres;
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            return fail(QStringLiteral("PostgreSQL のドライバーがありません (libqt6sql6-psql)"));
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        db_.setHostName(connection.host);
        db_.setPort(connection.port);
        db_.setDatabaseName(connection.database);
        db_.setUserName(connection.user);
        db_.setPassword(connection.password);
        db_.setConnectOptions(QStringLiteral("connect_timeout=%1;application_name=marbolt").arg(connection.connectTimeoutSeconds));
    }
    if (!db_.open()) {
        const QString why = db_.lastError().text();
        close();
        return fail(QStringLiteral("%1 を開けません (%2)").arg(describe(connection), why));
    }
    if (dialect_ == HistoryDialect::Sqlite) {
        // The write-ahead log: a reader never waits for a writer, and a
        // commit is one append. FULL: a committed transfer survives a
        // power cut too, not only the end of the process.
        QSqlQuery q(db_);
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.exec(QStringLiteral("PRAGMA synchronous=FULL"))
            || !q.exec(QStringLiteral("PRAGMA foreign_keys=ON"))) {
            const QString why = q.lastError().text();
            close();
            return fail(QStringLiteral("%1 を開けません (%2)").arg(describe(connection), why));
        }
    }
    QString why;
    if (!migrateHistory(db_, dialect_, target, &why)) {
        close();
        return fail(QStringLiteral("%1 の履歴を使えません (%2)").arg(describe(connection), why));
    }
    return true;
}

void HistoryDatabase::close()
{
    if (db_.isValid()) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
}

bool HistoryDatabase::isOpen() const
{
    return db_.isValid() && db_.isOpen();
}

std::optional<qint64> HistoryDatabase::record(const TransferRecord &record, const RecordOrigin &origin)
{
    if (!isOpen()) {
        fail(QStringLiteral("履歴が開かれていません"));
        return std::nullopt;
    }
    const std::vector<RecordedProgram> programs = recordedPrograms(record.text);
    QString why;
    if (!beginWriting(db_, dialect_, &why)) {
        fail(QStringLiteral("履歴に書けません (%1)").arg(why));
        return std::nullopt;
    }
    auto rollback = [&](const QString &failure) -> std::optional<qint64> {
        fail(QStringLiteral("履歴に書けません (%1)").arg(failure));
        rollBackWriting(db_, dialect_);
        return std::nullopt;
    };

    QSqlQuery content(db_);
    content.prepare(QStringLiteral("INSERT INTO contents (hash, size, text) VALUES (?, ?, ?) ON CONFLICT (hash) DO NOTHING"));
    std::vector<QString> hashes;
    for (const RecordedProgram &p : programs) {
        const QByteArray bytes = bytesOf(p.text);
        const QString hash = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
        content.addBindValue(hash);
        content.addBindValue(static_cast<qint64>(bytes.size()));
        content.addBindValue(bytes);
        if (!content.exec())
            return rollback(content.lastError().text());
        hashes.push_back(hash);
    }

    QSqlQuery transfer(db_);
    transfer.prepare(QStringLiteral(
        "INSERT INTO transfers (started, ended, machine, port, direction, outcome, bytes, user_name, host, detail, via)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"));
    transfer.addBindValue(record.started.toMSecsSinceEpoch());
    transfer.addBindValue(record.ended.toMSecsSinceEpoch());
    transfer.addBindValue(notNull(record.machine));
    transfer.addBindValue(notNull(record.port));
    transfer.addBindValue(directionKey(record.direction));
    transfer.addBindValue(outcomeKey(record.outcome));
    transfer.addBindValue(record.bytes);
    transfer.addBindValue(notNull(origin.user));
    transfer.addBindValue(notNull(origin.host));
    transfer.addBindValue(notNull(record.detail));
    transfer.addBindValue(notNull(origin.via));
    if (!transfer.exec() || !transfer.next())
        return rollback(transfer.lastError().text());
    const qint64 id = transfer.value(0).toLongLong();
    transfer.finish();

    QSqlQuery program(db_);
    program.prepare(QStringLiteral(
        "INSERT INTO transfer_programs (transfer_id, position, program, comment, content) VALUES (?, ?, ?, ?, ?)"));
    for (std::size_t i = 0; i < programs.size(); ++i) {
        program.addBindValue(id);
        program.addBindValue(static_cast<int>(i));
        program.addBindValue(programs[i].number ? QVariant::fromValue<qint64>(*programs[i].number)
                                                : QVariant(QMetaType::fromType<qint64>()));
        program.addBindValue(notNull(programs[i].comment));
        program.addBindValue(hashes[i]);
        if (!program.exec())
            return rollback(program.lastError().text());
    }
    if (!commitWriting(db_, dialect_, &why))
        return rollback(why);
    return id;
}

std::optional<std::vector<HistoryEntry>> HistoryDatabase::find(const HistoryFilter &filter)
{
    if (!isOpen()) {
        fail(QStringLiteral("履歴が開かれていません"));
        return std::nullopt;
    }
    QString sql = QStringLiteral(
        "SELECT t.id, p.position, t.started, t.ended, t.machine, t.port, t.direction, t.outcome, t.bytes,"
        " t.user_name, t.host, t.via, t.detail, p.program, p.comment, p.content, c.size"
        " FROM transfer_programs p JOIN transfers t ON t.id = p.transfer_id JOIN contents c ON c.hash = p.content"
        " WHERE 1 = 1");
    QVariantList binds;
    if (filter.program) {
        sql += QStringLiteral(" AND p.program = ?");
        binds << QVariant::fromValue<qint64>(*filter.program);
    }
    if (!filter.machine.isEmpty()) {
        sql += QStringLiteral(" AND t.machine = ?");
        binds << filter.machine;
    }
    if (filter.from.isValid()) {
        sql += QStringLiteral(" AND t.started >= ?");
        binds << filter.from.toMSecsSinceEpoch();
    }
    if (filter.until.isValid()) {
        sql += QStringLiteral(" AND t.started < ?");
        binds << filter.until.toMSecsSinceEpoch();
    }
    sql += QStringLiteral(" ORDER BY t.started DESC, t.id DESC, p.position LIMIT ?");
    binds << std::max(1, filter.limit);
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant &b : binds)
        q.addBindValue(b);
    if (!q.exec()) {
        fail(QStringLiteral("履歴を読めません (%1)").arg(q.lastError().text()));
        return std::nullopt;
    }
    std::vector<HistoryEntry> entries;
    while (q.next()) {
        HistoryEntry e;
        e.transfer = q.value(0).toLongLong();
        e.position = q.value(1).toInt();
        e.started = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong());
        e.ended = QDateTime::fromMSecsSinceEpoch(q.value(3).toLongLong());
        e.machine = q.value(4).toString();
        e.port = q.value(5).toString();
        e.direction = directionOf(q.value(6).toString());
        e.outcome = outcomeOf(q.value(7).toString());
        e.bytes = q.value(8).toLongLong();
        e.user = q.value(9).toString();
        e.host = q.value(10).toString();
        e.via = q.value(11).toString();
        e.detail = q.value(12).toString();
        if (!q.value(13).isNull())
            e.program = static_cast<long>(q.value(13).toLongLong());
        e.comment = q.value(14).toString();
        e.content = q.value(15).toString();
        e.size = q.value(16).toLongLong();
        entries.push_back(std::move(e));
    }
    return entries;
}

std::optional<std::string> HistoryDatabase::content(const QString &hash)
{
    if (!isOpen()) {
        fail(QStringLiteral("履歴が開かれていません"));
        return std::nullopt;
    }
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT text FROM contents WHERE hash = ?"));
    q.addBindValue(hash);
    if (!q.exec()) {
        fail(QStringLiteral("履歴を読めません (%1)").arg(q.lastError().text()));
        return std::nullopt;
    }
    if (!q.next()) {
        fail(noSuchVersionText());
        return std::nullopt;
    }
    const QByteArray bytes = q.value(0).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::optional<std::string> HistoryDatabase::contentByPrefix(const QString &prefix)
{
    if (!isOpen()) {
        fail(QStringLiteral("履歴が開かれていません"));
        return std::nullopt;
    }
    const QString low = prefix.toLower();
    if (low.size() < 6 || low.size() > 64 || low.contains(QRegularExpression(QStringLiteral("[^0-9a-f]")))) {
        fail(noSuchVersionText());
        return std::nullopt;
    }
    // Every hash that begins with it sorts between it and the same with
    // its last letter one higher (hex letters are ASCII: "f" + 1 is "g").
    QString above = low;
    above.back() = QChar(above.back().unicode() + 1);
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT hash FROM contents WHERE hash >= ? AND hash < ? LIMIT 2"));
    q.addBindValue(low);
    q.addBindValue(above);
    if (!q.exec()) {
        fail(QStringLiteral("履歴を読めません (%1)").arg(q.lastError().text()));
        return std::nullopt;
    }
    QStringList hashes;
    while (q.next())
        hashes << q.value(0).toString();
    if (hashes.isEmpty()) {
        fail(noSuchVersionText());
        return std::nullopt;
    }
    if (hashes.size() > 1) {
        fail(QStringLiteral("%1 で始まる版が2つ以上あります。もっと長く指定してください").arg(low));
        return std::nullopt;
    }
    return content(hashes.first());
}

}  // namespace marbolt
