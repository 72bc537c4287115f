#include "document/programfiles.h"
#include "tools/programsaver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace marbolt;

TEST(ProgramFiles, LinesEndInCrLf)
{
    EXPECT_EQ(crLfLines("O1\r\nG0\r\n"), "O1\r\nG0\r\n");
    EXPECT_EQ(crLfLines("O1\r\nM30"), "O1\r\nM30\r\n") << "the last line gets its break";
    EXPECT_EQ(crLfLines("O1\rG0\nM30\n"), "O1\r\nG0\r\nM30\r\n");
    EXPECT_EQ(crLfLines("O1\r\n\r\n\r\n"), "O1\r\n\r\n\r\n") << "blank lines stay";
    EXPECT_EQ(crLfLines("\n\r"), "\r\n\r\n");
    EXPECT_EQ(crLfLines(""), "");
}

TEST(ProgramFiles, TheFileIsNamedAfterTheWholeOLine)
{
    EXPECT_EQ(programFilePath(QStringLiteral("/work"), QStringLiteral("O1000 (FLANGE)")),
              QStringLiteral("/work/O1000 (FLANGE).nc"));
    EXPECT_EQ(programFilePath(QStringLiteral("/"), QStringLiteral("O1")), QStringLiteral("/O1.nc"))
        << "the root keeps one separator";
    EXPECT_EQ(programFilePath(QStringLiteral("/work/"), QStringLiteral("O1")), QStringLiteral("/work/O1.nc"));
}

TEST(ProgramFiles, OnlyNamesOfFilesDirectlyInTheFolderAreTaken)
{
    const QString folder = QStringLiteral("/work/out");
    for (const char *ok : {"O1000 (FLANGE)", "O1..2", "O\\1", ".O1", "O1 (..)"})
        EXPECT_TRUE(namesFileInFolder(folder, QString::fromUtf8(ok))) << ok;
    for (const char *bad : {"O1/../../X", "O1/X", "/O1", ".", ".."})
        EXPECT_FALSE(namesFileInFolder(folder, QString::fromUtf8(bad))) << bad;
    EXPECT_FALSE(namesFileInFolder(folder, QStringLiteral("O5") + QChar(0) + QStringLiteral("Z")));
    EXPECT_TRUE(namesFileInFolder(QStringLiteral("/"), QStringLiteral("O1")));
}

// Thousands of programs go out in batches; every file holds its own
// program, progress reaches the whole count, and a program that cannot be
// written ends the command with the ones before it on disk.
TEST(ProgramFiles, EachProgramInBatchesWithProgressAndAStopAtTheFirstFailure)
{
    QTemporaryDir dir;
    std::string text = "%\r\n";
    QStringList entries;
    for (int i = 0; i < 700; ++i) {
        const std::string line = "O" + std::to_string(1000 + i);
        text += line + "(荒取り)\r\nG01X" + std::to_string(i) + ".\r\n";
        entries << QString::fromStdString(line) + QStringLiteral("(荒取り)");
    }
    text += "%\r\n";
    std::vector<qsizetype> seen;
    const auto failure = saveEachProgram(text, entries, dir.path(), [&](qsizetype done, qsizetype total) {
        EXPECT_EQ(total, 700);
        seen.push_back(done);
    });
    ASSERT_FALSE(failure) << qPrintable(failure->message);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 700);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 700);
    QFile f(dir.filePath(QStringLiteral("O1699(荒取り).nc")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("O1699(\x8d\x72\x8e\xe6\x82\xe8)\r\nG01X699.\r\n"))
        << "Shift-JIS, without the closing %";

    // Entry 300 cannot be made: 0..299 are written, nothing after.
    QTemporaryDir out;
    entries[300] = QStringLiteral("O1300/X");
    const auto stopped = saveEachProgram(text, entries, out.path());
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->entry, 300);
    EXPECT_EQ(stopped->message, QStringLiteral("ファイル %1/O1300/X.nc を作成できません").arg(out.path()));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 300);
    EXPECT_TRUE(QFile::exists(out.filePath(QStringLiteral("O1299(荒取り).nc"))));
}
