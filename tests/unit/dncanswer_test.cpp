// What the DNC server answers a request with, what it writes to its logs,
// and the state file a window reads: each worked out by hand.
#include "station/dncanswer.h"
#include "station/dnclog.h"
#include "station/dncstatusfile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

using namespace marbolt;

namespace {

struct FixedClock : Clock {
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 9), QTime(8, 30, 5)); }
};

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<missing>");
}

struct Folders {
    QTemporaryDir dir;
    DncMachine dnc;
    TransferValues values;
    Folders()
    {
        dnc.sendFolders = {dir.filePath(QStringLiteral("out"))};
        values.code = PunchCode::Iso;
    }
    void put(const char *name, const QByteArray &bytes) { write(QDir(dnc.sendFolders[0]).filePath(QString::fromLatin1(name)), bytes); }
    DncAnswer ask(long program, std::optional<long> sequence = std::nullopt)
    {
        return answerRequest(DncRequest{9999, program, sequence}, dnc, NcMachine{}, values);
    }
};

}  // namespace

TEST(DncAnswer, TheRequestedProgramOfAFileGoesOutWithAnEndMarker)
{
    Folders f;
    // A file with two programs: only the one asked for goes, and it gets
    // the "%" the control ends its read at.
    f.put("O1234.nc", "O1234 (A)\r\nG00 X1.\r\nM30\r\nO1235 (B)\r\nM30\r\n");
    DncAnswer a = f.ask(1234);
    EXPECT_EQ(a.outcome, DncOutcome::Done);
    EXPECT_EQ(a.program, QStringLiteral("O1234"));
    EXPECT_EQ(a.sjis, "O1234 (A)\r\nG00 X1.\r\nM30\r\n%\r\n");
    EXPECT_EQ(a.detail, QStringLiteral("O1234.nc"));

    // A file that ends with its own "%" keeps it, and gets no second.
    f.put("O0077.nc", "%\r\nO77\r\nM30\r\n%\r\n");
    EXPECT_EQ(f.ask(77).sjis, "%\r\nO77\r\nM30\r\n%\r\n");
    // Found by its O-line when no file is named for it.
    f.put("part-a.nc", "O0500 (BY ITS O-LINE)\r\nM30");
    a = f.ask(500);
    EXPECT_EQ(a.sjis, "O0500 (BY ITS O-LINE)\r\nM30\r\n%\r\n");
    EXPECT_EQ(a.detail, QStringLiteral("part-a.nc"));
}

TEST(DncAnswer, WhatCannotBeServedIsAnsweredWithAProgramSayingWhy)
{
    Folders f;
    f.put("O1234.nc", "O1234\r\nN10 G00 X1.\r\nN20 X2.\r\nM30\r\n");
    // "?" is in no word of a program: the check refuses it.
    f.put("O1300.nc", "O1300\r\nG00 X1.\r\nG01 X?2.\r\nM30\r\n");
    const struct {
        long program;
        std::optional<long> sequence;
        const char *sent;
        const char *detail;
    } cases[] = {
        {4321, std::nullopt, "O9999\r\n(O4321 NOT FOUND)\r\nM30\r\n%\r\n", "O4321 は送信フォルダ"},
        {1234, 99, "O9999\r\n(O1234 N99 NOT FOUND)\r\nM30\r\n%\r\n", "O1234 に N99 のブロックがありません"},
        {1300, std::nullopt, "O9999\r\n(O1300 CHECK ERROR)\r\nM30\r\n%\r\n", "O1300 の 3 行:"},
    };
    for (const auto &c : cases) {
        const DncAnswer a = f.ask(c.program, c.sequence);
        EXPECT_EQ(a.outcome, DncOutcome::Refused) << c.program;
        EXPECT_EQ(a.program, QStringLiteral("O9999"));
        EXPECT_EQ(a.sjis, c.sent);
        EXPECT_TRUE(a.detail.contains(QString::fromUtf8(c.detail))) << a.detail.toStdString();
    }
}

TEST(DncAnswer, AJapaneseCommentIsLeftOutOfAnIsoAnswerAndSaidSo)
{
    Folders f;
    // "(荒加工)" in Shift-JIS: no ISO code has it.
    f.put("O0010.nc", QByteArray("O0010\r\nG00 X1. (") + QByteArray::fromHex("8d7289c18d48") + ")\r\nM30\r\n");
    const DncAnswer a = f.ask(10);
    EXPECT_EQ(a.outcome, DncOutcome::Done);
    EXPECT_EQ(a.sjis, "O0010\r\nG00 X1. \r\nM30\r\n%\r\n");
    EXPECT_TRUE(a.detail.contains(QStringLiteral("コメントを除いて送信"))) << a.detail.toStdString();
}

TEST(DncAnswer, ARestartAnswerStartsAtItsBlockWithTheStateBeforeIt)
{
    Folders f;
    f.put("O1234.nc", "O1234\r\nG21 G90 G54\r\nT3 M06\r\nS800 M03\r\nG43 H3 Z50.\r\nN10 G01 X10. F120.\r\nN20 X20.\r\nM30\r\n");
    const DncAnswer a = f.ask(1234, 20);
    EXPECT_EQ(a.outcome, DncOutcome::Done);
    EXPECT_EQ(a.program, QStringLiteral("O1234 N20"));
    EXPECT_EQ(a.sjis.rfind("O1234\r\n", 0), 0u);
    EXPECT_NE(a.sjis.find("T3 M06\r\n"), std::string::npos);
    EXPECT_NE(a.sjis.find("S800 M03\r\n"), std::string::npos);
    EXPECT_EQ(a.sjis.find("N10"), std::string::npos);
    EXPECT_EQ(a.sjis.substr(a.sjis.size() - 18), "N20 X20.\r\nM30\r\n%\r\n");
    EXPECT_TRUE(a.detail.contains(QStringLiteral("N20 から再開")));
}

TEST(DncLog, EachTransferIsALineInItsMachinesFileAndOnTheJournal)
{
    QTemporaryDir dir;
    FixedClock clock;
    char *journal = nullptr;
    std::size_t journalSize = 0;
    std::FILE *err = open_memstream(&journal, &journalSize);
    {
        DncLog log(dir.filePath(QStringLiteral("log")), err, clock);
        log.record({QStringLiteral("MC/3"), DncDirection::Receive, programLabel(12), 31, DncOutcome::Done,
                    QStringLiteral("/srv/in/O0012.nc")});
        log.record({QStringLiteral("MC/3"), DncDirection::Request, programLabel(4321), 0, DncOutcome::Refused,
                    QStringLiteral("無い\r\nプログラム")});
        log.record({QStringLiteral("MC/3"), DncDirection::Send, QString(), 10, DncOutcome::Failed, QString()});
        EXPECT_EQ(log.fileOf(QStringLiteral("MC/3")), dir.filePath(QStringLiteral("log/MC_3.log")));
        EXPECT_EQ(log.fileOf(QStringLiteral("..")), dir.filePath(QStringLiteral("log/_.log")));
    }
    std::fclose(err);
    EXPECT_EQ(read(dir.filePath(QStringLiteral("log/MC_3.log"))),
              QStringLiteral("2026-12-09 08:30:05\t受信\tO0012\t31\t完了\t/srv/in/O0012.nc\n"
                             "2026-12-09 08:30:05\t要求\tO4321\t0\t拒否\t無い  プログラム\n"
                             "2026-12-09 08:30:05\t送信\t-\t10\t失敗\t\n"));
    EXPECT_EQ(std::string(journal, journalSize),
              "<6>MC/3 受信 O0012 31バイト 完了: /srv/in/O0012.nc\n"
              "<4>MC/3 要求 O4321 0バイト 拒否: 無い  プログラム\n"
              "<3>MC/3 送信 - 10バイト 失敗\n");
    std::free(journal);
}

TEST(DncStatusFile, AWindowReadsWhatTheServerWroteAndKnowsWhenItIsGone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(dncStatusFileName());
    EXPECT_EQ(dncStatusPath(dir.filePath(QStringLiteral("marbolt.ini"))), path);
    EXPECT_FALSE(readDncSnapshot(path));

    const QDateTime now(QDate(2026, 12, 9), QTime(8, 30, 5, 250));
    DncSnapshot s;
    s.pid = ::getpid();
    s.written = now;
    DncMachineStatus m;
    m.machine = QStringLiteral("旋盤2");
    m.port = QStringLiteral("rfc2217://10.0.0.5:4001");
    m.phase = DncPhase::Answering;
    m.state = QStringLiteral("送信中");
    m.program = QStringLiteral("O1234 N20");
    m.done = 1200;
    m.total = 90000;
    m.block = QStringLiteral("N120 G01 X12.5");
    m.started = now.addSecs(-60);
    m.finish = now.addSecs(3600);
    m.last = QStringLiteral("08:29:05 要求 O1234 完了");
    s.machines = {m, DncMachineStatus{}};
    ASSERT_TRUE(writeDncSnapshot(path, s));

    const std::optional<DncSnapshot> back = readDncSnapshot(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pid, s.pid);
    EXPECT_EQ(back->written, now);
    ASSERT_EQ(back->machines.size(), 2u);
    const DncMachineStatus &r = back->machines[0];
    EXPECT_EQ(std::tie(r.machine, r.port, r.state, r.program, r.block, r.last),
              std::tie(m.machine, m.port, m.state, m.program, m.block, m.last));
    EXPECT_EQ(r.phase, DncPhase::Answering);
    EXPECT_EQ(r.done, 1200);
    EXPECT_EQ(r.total, 90000);
    EXPECT_EQ(r.started, m.started);
    EXPECT_EQ(r.finish, m.finish);
    EXPECT_FALSE(back->machines[1].finish.isValid());
    EXPECT_EQ(back->machines[1].phase, DncPhase::Stopped);

    EXPECT_TRUE(snapshotLive(*back, now.addMSecs(kSnapshotStaleMs - 1)));
    EXPECT_FALSE(snapshotLive(*back, now.addMSecs(kSnapshotStaleMs + 1)));  // not written for too long
    DncSnapshot gone = *back;
    gone.pid = 0x7ffffff0;  // no such process
    EXPECT_FALSE(snapshotLive(gone, now));

    write(path, "{ not json");
    EXPECT_FALSE(readDncSnapshot(path));
}
