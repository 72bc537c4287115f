// The send log file.
#include "transfer/sendlog.h"

#include "testfiles.h"

#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace marbolt;

TEST(SendLog, HeaderLinesAndAppend)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("marbolt.log"));
    const QDateTime when(QDate(2026, 12, 8), QTime(9, 5, 7));
    ASSERT_FALSE(appendSendLog(path, sendLogLine(when, QString(), false)));
    ASSERT_FALSE(appendSendLog(path, sendLogLine(when, QStringLiteral("/nc/O1000.nc"), true)));

    const std::string bytes = readFileBytes(path).toStdString();
    QStringDecoder sjis("windows-31j");
    const QString text = sjis.decode(QByteArray::fromStdString(bytes));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5) << text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("日時　　　　　　　　　送信ファイル名"));
    EXPECT_EQ(sjis.decode(QByteArray::fromStdString(bytes.substr(0, 36))), lines[0]) << "36 bytes";
    EXPECT_EQ(lines[1], QString(55, QLatin1Char('-')));
    EXPECT_EQ(lines[2], sendLogDateTime(when) + QStringLiteral("  無題  送信完了"));
    EXPECT_EQ(lines[3], sendLogDateTime(when) + QStringLiteral("  /nc/O1000.nc  送信中断"));
    EXPECT_TRUE(lines[4].isEmpty());
    EXPECT_TRUE(sendLogDateTime(when).contains(QLatin1Char(' ')));

    // Deleted between sends: the header comes back.
    QFile::remove(path);
    ASSERT_FALSE(appendSendLog(path, sendLogLine(when, QString(), false)));
    const QString again = sjis.decode(readFileBytes(path));
    EXPECT_TRUE(again.startsWith(QStringLiteral("日時")));
}

TEST(SendLog, AFolderThatCannotBeWrittenIsReported)
{
    const auto error = appendSendLog(QStringLiteral("/proc/marbolt-no/marbolt.log"), QStringLiteral("x"));
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->contains(QStringLiteral("marbolt.log")));
}
