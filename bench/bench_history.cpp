// The transfer history at shop size: 1,000,000 transfers (2,000 programs,
// 32 machines, a transfer a minute for two years) on SQLite and on a
// private PostgreSQL server started here. Times, through the program's
// own calls:
//   - a program's history (its latest 1,000 transfers): target under 50 ms;
//   - a machine's day, the latest 1,000 of all;
//   - recording one more transfer (a transaction of its own, committed to
//     disk): target under 5 ms.
// The baseline is the same on a history of 10,000 transfers, measured in
// the same run: the ratio shows how the history's size tells on each.
//
//   bench_history [--rows N] [--sqlite-only]
#include "history/historydatabase.h"
#include "../tests/history/pgcluster.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace marbolt;

namespace {

constexpr int kPrograms = 2000;
constexpr int kMachines = 32;
const qint64 kStart = QDateTime(QDate(2025, 1, 1), QTime(6, 0), Qt::UTC).toMSecsSinceEpoch();

std::string programText(int number, int version)
{
    std::string text = "O" + std::to_string(number) + " (PART " + std::to_string(number) + ")\r\n";
    for (int line = 0; line < 40; ++line)
        text += "N" + std::to_string(line * 10) + " G1 X" + std::to_string((number * 7 + line + version) % 500) + ". F300\r\n";
    return text + "M30\r\n";
}

TransferRecord transferOf(int number, int version, qint64 at)
{
    TransferRecord r;
    r.started = QDateTime::fromMSecsSinceEpoch(at);
    r.ended = r.started.addSecs(30);
    r.machine = QStringLiteral("MC%1").arg(number % kMachines);
    r.port = QStringLiteral("COM1");
    r.text = "%\r\n" + programText(number, version) + "%\r\n";
    r.bytes = static_cast<qint64>(r.text.size());
    return r;
}

bool exec(HistoryDatabase &db, const QString &sql)
{
    QSqlQuery q(db.database());
    if (q.exec(sql))
        return true;
    std::fprintf(stderr, "%s\n%s\n", qPrintable(sql), qPrintable(q.lastError().text()));
    return false;
}

// rows transfers: the first kPrograms through the program's own record()
// (their texts), the rest written by the database itself from those.
bool fill(HistoryDatabase &db, int rows)
{
    const RecordOrigin origin{QStringLiteral("bench"), QStringLiteral("pc"), QStringLiteral("marbolt")};
    for (int p = 1; p <= kPrograms && p <= rows; ++p)
        if (!db.record(transferOf(p, 0, kStart + (p - 1) * 60000LL), origin))
            return false;
    if (rows <= kPrograms)
        return true;
    const bool sqlite = db.dialect() == HistoryDialect::Sqlite;
    const QString series =
        sqlite ? QStringLiteral("WITH RECURSIVE s(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM s WHERE i < %2) SELECT i FROM s")
               : QStringLiteral("SELECT i FROM generate_series(%1::bigint, %2::bigint) AS s(i)");
    const QString machine = sqlite ? QStringLiteral("'MC' || (i % %1)") : QStringLiteral("'MC' || (i % %1)::text");
    return exec(db, QStringLiteral("BEGIN"))
        && exec(db, QStringLiteral("INSERT INTO transfers (started, ended, machine, port, direction, outcome, bytes, user_name,"
                                   " host, detail, via) SELECT %1 + i * 60000, %1 + i * 60000 + 30000, %2, 'COM1',"
                                   " CASE WHEN i % 3 = 0 THEN 'receive' ELSE 'send' END, 'completed', 1000, 'bench', 'pc',"
                                   " '', 'marbolt' FROM (%3) AS n")
                            .arg(kStart)
                            .arg(machine.arg(kMachines))
                            .arg(series.arg(kPrograms).arg(rows - 1)))
        && exec(db, QStringLiteral("CREATE TEMP TABLE numbered AS SELECT program, content FROM transfer_programs"))
        && exec(db, QStringLiteral("INSERT INTO transfer_programs (transfer_id, position, program, comment, content)"
                                   " SELECT t.id, 0, n.program, 'PART', n.content FROM transfers t"
                                   " JOIN numbered n ON n.program = (t.id - 1) % %1 + 1 WHERE t.id > %1")
                            .arg(kPrograms))
        && exec(db, QStringLiteral("DROP TABLE numbered")) && exec(db, QStringLiteral("COMMIT"))
        && exec(db, QStringLiteral("ANALYZE"));
}

struct Times {
    double median = 0, p95 = 0, most = 0;
};

template <typename F>
Times timed(int runs, F &&f)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if (!f(i))
            return {-1, -1, -1};
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 95 / 100)], ms.back()};
}

struct Measure {
    Times program, machineDay, latest, record;
    std::size_t programRows = 0;
};

Measure measure(HistoryDatabase &db, int rows)
{
    Measure m;
    std::mt19937 random(12);
    std::uniform_int_distribution<int> anyProgram(1, kPrograms);
    std::size_t found = 0;
    m.program = timed(200, [&](int) {
        HistoryFilter f;
        f.program = anyProgram(random);
        const auto entries = db.find(f);
        found = entries ? entries->size() : 0;
        return entries.has_value();
    });
    m.programRows = found;
    const qint64 days = std::max<qint64>(1, static_cast<qint64>(rows) / (24 * 60));
    std::uniform_int_distribution<qint64> anyDay(0, days - 1);
    m.machineDay = timed(100, [&](int i) {
        HistoryFilter f;
        f.machine = QStringLiteral("MC%1").arg(i % kMachines);
        f.from = QDateTime::fromMSecsSinceEpoch(kStart + anyDay(random) * 86400000LL);
        f.until = f.from.addDays(1);
        return db.find(f).has_value();
    });
    m.latest = timed(50, [&](int) { return db.find(HistoryFilter{}).has_value(); });
    const RecordOrigin origin{QStringLiteral("bench"), QStringLiteral("pc"), QStringLiteral("marbolt")};
    m.record = timed(200, [&](int i) {
        return db.record(transferOf(anyProgram(random), 1 + i, kStart + rows * 60000LL + i * 1000LL), origin).has_value();
    });
    return m;
}

void report(const char *backend, int rows, const Measure &big, const Measure &base)
{
    auto line = [&](const char *what, const Times &b, const Times &s) {
        std::printf("%-10s %-28s median %7.2f ms  p95 %7.2f ms  most %7.2f ms   baseline (%d) median %6.2f ms  ratio %5.2f\n",
                    backend, what, b.median, b.p95, b.most, 10000, s.median, s.median > 0 ? b.median / s.median : 0.0);
    };
    std::printf("%s: %d transfers; a program's history returns %zu rows\n", backend, rows, big.programRows);
    line("program history (1000)", big.program, base.program);
    line("machine's day", big.machineDay, base.machineDay);
    line("latest 1000", big.latest, base.latest);
    line("record one transfer", big.record, base.record);
    std::printf("%s targets: program history %s (under 50 ms, most %.1f ms), recording %s (under 5 ms, p95 %.1f ms)\n",
                backend, big.program.most < 50 ? "met" : "MISSED", big.program.most, big.record.p95 < 5 ? "met" : "MISSED",
                big.record.p95);
}

bool runOn(const char *backend, const std::function<std::optional<HistoryConnection>(const QString &)> &place, int rows)
{
    Measure results[2];
    const int sizes[2] = {rows, 10000};
    for (int k = 0; k < 2; ++k) {
        const auto at = place(QStringLiteral("bench_%1").arg(sizes[k]));
        HistoryDatabase db;
        if (!at || !db.open(*at)) {
            std::fprintf(stderr, "%s: %s\n", backend, qPrintable(db.error()));
            return false;
        }
        QElapsedTimer t;
        t.start();
        if (!fill(db, sizes[k]))
            return false;
        std::printf("%s: %d transfers written in %.1f s\n", backend, sizes[k], t.elapsed() / 1000.0);
        std::fflush(stdout);
        results[k] = measure(db, sizes[k]);
    }
    report(backend, rows, results[0], results[1]);
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int rows = 1000000;
    bool sqliteOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rows" && i + 1 < argc)
            rows = std::max(kPrograms + 1, std::atoi(argv[++i]));
        else if (a == "--sqlite-only")
            sqliteOnly = true;
    }
    QTemporaryDir dir;
    bool ok = runOn("SQLite", [&](const QString &name) { return parseHistorySetting(dir.filePath(name + QStringLiteral(".sqlite")), QString()); }, rows);
    if (!sqliteOnly) {
        marbolt::testing::PgCluster pg;
        if (!pg.started()) {
            std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(pg.error()));
            return 1;
        }
        ok = runOn("PostgreSQL", [&](const QString &name) -> std::optional<HistoryConnection> {
            if (!pg.createDatabase(name))
                return std::nullopt;
            return parseHistorySetting(pg.setting(name), QString());
        }, rows) && ok;
    }
    return ok ? 0 : 1;
}
