#include "document/ncfile.h"
#include "document/sjistext.h"

#include "filesizelimit.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using namespace marbolt;

namespace {

std::string load(const QString &path, ReadResult *result = nullptr,
                 std::uint64_t max = 99999999)
{
    std::string text;
    const ReadResult r = readNcFile(path, max, [&](std::string_view piece) {
        text.append(piece);
        return true;
    });
    if (result)
        *result = r;
    return text;
}

}  // namespace

TEST(NcFile, OpenAndSaveWithoutEditsWritesTheSameBytes)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.nc"));
    const QString out = dir.filePath(QStringLiteral("out.nc"));
    QStringEncoder enc("windows-31j");
    const QByteArray bytes = QByteArray("%\r\nO1000") + enc.encode(QStringLiteral("(荒加工)"))
                             + "\r\nG01X10.\xff\x85\x9f\r\nM30\r\n%\r\n";
    ASSERT_TRUE(writeFileBytes(in, bytes));
    ReadResult r;
    const std::string text = load(in, &r);
    ASSERT_EQ(r.status, ReadStatus::Ok);
    EXPECT_EQ(r.escapes, 2u);
    ASSERT_EQ(writeNcFile(out, text).status, WriteStatus::Ok);
    EXPECT_EQ(readFileBytes(out), bytes);
}

TEST(NcFile, LargeFileIsStreamedAcrossChunkBorders)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("big.nc"));
    QStringEncoder enc("windows-31j");
    QByteArray block = QByteArray("o1(") + enc.encode(QStringLiteral("荒加工ャ")) + ")\nx1.\r";
    QByteArray bytes;
    while (bytes.size() < (17 << 20))  // more pieces than are ever in flight: buffers come back
        bytes += block;
    ASSERT_TRUE(writeFileBytes(in, bytes));
    const std::string text = load(in);
    EXPECT_EQ(text, decodeSjisFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));

    // Decoding runs ahead on its own thread: what goes alongside sees every
    // piece in order and the last one once; a sink that stops the read
    // stops it whole, without leaving the decoding thread waiting.
    std::string seen, sunk;
    int lasts = 0;
    ReadResult r = readNcFile(
        in, 99999999,
        [&](std::string_view piece) {
            sunk.append(piece);
            return true;
        },
        [&](std::string_view piece, bool last) {
            seen.append(piece);
            lasts += last;
        });
    EXPECT_EQ(r.status, ReadStatus::Ok);
    EXPECT_EQ(seen, text);
    EXPECT_EQ(sunk, text);
    EXPECT_EQ(lasts, 1);
    int pieces = 0;
    r = readNcFile(in, 99999999, [&](std::string_view) { return ++pieces < 2; });
    EXPECT_EQ(r.status, ReadStatus::CannotRead);
    EXPECT_EQ(pieces, 2);
}

TEST(NcFile, ReadFailuresAreReported)
{
    QTemporaryDir dir;
    ReadResult r;
    load(dir.filePath(QStringLiteral("missing.nc")), &r);
    EXPECT_EQ(r.status, ReadStatus::CannotRead);
    load(dir.path(), &r);
    EXPECT_EQ(r.status, ReadStatus::CannotRead) << "a folder is not a file";

    const QString longFile = dir.filePath(QStringLiteral("long.nc"));
    ASSERT_TRUE(writeFileBytes(longFile, QByteArray(101, 'G')));
    load(longFile, &r, 100);
    EXPECT_EQ(r.status, ReadStatus::TooLong) << "never cut to the editor's limit";
    load(longFile, &r, 101);
    EXPECT_EQ(r.status, ReadStatus::Ok);
}

TEST(NcFile, AFailedSaveLeavesTheOldFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("part.nc"));
    ASSERT_TRUE(writeFileBytes(path, "O1\r\nOLD\r\n"));
    const std::string text(100000, 'G');
    WriteResult r;
    {
        FileSizeLimit full(4096);
        r = writeNcFile(path, text);
    }
    EXPECT_EQ(r.status, WriteStatus::WriteFailed);
    EXPECT_EQ(readFileBytes(path), QByteArray("O1\r\nOLD\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file left behind";
    // The message names the system's reason, not "Unknown error".
    EXPECT_EQ(writeFailureMessage(path, r),
              QStringLiteral("ファイル %1 に書き込めません\r%2").arg(path, QString::fromLocal8Bit(strerror(EFBIG))));
}

TEST(NcFile, FailureMessages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no/such/dir/a.nc"));
    const WriteResult r = writeNcFile(path, "O1\r\n");
    EXPECT_EQ(r.status, WriteStatus::CannotCreate);
    EXPECT_EQ(writeFailureMessage(path, r), QStringLiteral("ファイル %1 を作成できません\r%2")
                                                .arg(path, QString::fromLocal8Bit(strerror(ENOENT))));

    const QString ok = dir.filePath(QStringLiteral("e.nc"));
    ASSERT_TRUE(writeFileBytes(ok, "KEEP"));
    const WriteResult u = writeNcFile(ok, "O1\r\nG0(€)\r\n");
    EXPECT_EQ(u.status, WriteStatus::Unencodable);
    EXPECT_EQ(u.line, 2u);
    EXPECT_EQ(readFileBytes(ok), QByteArray("KEEP")) << "nothing written when a character cannot be";
}
