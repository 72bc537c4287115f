#include "station/settingsfile.h"
#include "../window/scripteddialogs.h"
#include "common/settingsstore.h"

#include <QDir>
#include <QStringDecoder>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "filesizelimit.h"
#include "testfiles.h"

using namespace marbolt;

namespace {

SettingsOverrides defaultsOverrides()
{
    return {QStringLiteral("14"), QStringLiteral("ＭＳ ゴシック"), QStringLiteral("1")};
}

}  // namespace

TEST(SettingsStore, GetAndSetFollowTheStoreRules)
{
    SettingsStore s;
    s.replaceLines({QStringLiteral("[COMM]"), QStringLiteral("speed=9600"),
                    QStringLiteral("PORT = COM2"), QStringLiteral("SPEED=1200"),
                    QStringLiteral("X=a=b"), QStringLiteral("Y= spaced ")});
    EXPECT_EQ(s.get(QStringLiteral("SPEED")), QStringLiteral("9600")) << "lower-case key, first wins";
    EXPECT_EQ(s.get(QStringLiteral("PORT")), QString()) << "blanks around = do not match";
    EXPECT_EQ(s.get(QStringLiteral("PORT ")), QStringLiteral(" COM2"));
    EXPECT_EQ(s.get(QStringLiteral("X")), QStringLiteral("a=b")) << "key ends at the first =";
    EXPECT_EQ(s.get(QStringLiteral("Y")), QStringLiteral(" spaced ")) << "value verbatim";
    EXPECT_EQ(s.get(QStringLiteral("[COMM]")), QString()) << "a line without = never matches";

    s.set(QStringLiteral("SPEED"), QStringLiteral("300"));
    EXPECT_EQ(s.lines()[1], QStringLiteral("SPEED=300")) << "first match replaced in place";
    EXPECT_EQ(s.lines()[3], QStringLiteral("SPEED=1200"));
    s.set(QStringLiteral("SPEED"), QString());
    EXPECT_EQ(s.get(QStringLiteral("SPEED")), QStringLiteral("1200")) << "empty deletes the first";
    s.set(QStringLiteral("NEW"), QStringLiteral("v"));
    EXPECT_EQ(s.lines().last(), QStringLiteral("NEW=v")) << "appended when missing";
    const auto before = s.lines().size();
    s.set(QStringLiteral("NONE"), QString());
    EXPECT_EQ(s.lines().size(), before) << "deleting a missing key changes nothing";
}

TEST(SettingsStore, NumbersAreReadOneWay)
{
    SettingsStore s;
    auto number = [&](const SettingKey &key, const char *value) {
        s.set(key, QString::fromUtf8(value));
        return s.number(key);
    };
    EXPECT_EQ(number(setting::SPEED, "4800"), 4800);
    EXPECT_EQ(number(setting::SPEED, " 100 "), 100);
    EXPECT_EQ(number(setting::SPEED, "-3"), -3);
    EXPECT_FALSE(number(setting::SPEED, "48OO"));
    EXPECT_FALSE(number(setting::SPEED, "1.5"));
    EXPECT_FALSE(number(setting::SPEED, ""));
    // The waits and feeds of a send take an empty value as 0.
    EXPECT_EQ(number(setting::WAIT, ""), 0);
    EXPECT_EQ(number(setting::FEED, " "), 0);
    EXPECT_FALSE(number(setting::FEED, "X"));

    // Sizes and indexes fall back to their start-up value unless positive.
    EXPECT_EQ((s.set(setting::FONT, QStringLiteral("0")), s.positiveNumber(setting::FONT)), 14);
    EXPECT_EQ((s.set(setting::FONT, QStringLiteral("big")), s.positiveNumber(setting::FONT)), 14);
    EXPECT_EQ((s.set(setting::FONT, QStringLiteral("9")), s.positiveNumber(setting::FONT)), 9);
    EXPECT_EQ((s.set(setting::SAVEINDEX, QStringLiteral("-2")), s.positiveNumber(setting::SAVEINDEX)), 1);

    // Switches: only "1" is on; setOn writes "1" and "0".
    s.set(setting::LOG, QStringLiteral("yes"));
    EXPECT_FALSE(s.isOn(setting::LOG));
    s.setOn(setting::LOG, true);
    EXPECT_EQ(s.get(QStringLiteral("log")), QStringLiteral("1"));
    s.setOn(setting::LOG, false);
    EXPECT_EQ(s.get(setting::LOG), QStringLiteral("0"));
}

TEST(SettingsStore, AKeyThatIsNotANumberIsReportedByName)
{
    ScriptedDialogs reports;
    SettingsStore s;
    s.set(setting::SPEED, QStringLiteral("96OO"));
    EXPECT_FALSE(reportedNumber(s, setting::SPEED, reports));
    s.set(setting::WAIT, QStringLiteral("10"));
    EXPECT_EQ(reportedNumber(s, setting::WAIT, reports), 10);
    EXPECT_EQ(reports.texts(ScriptedDialogs::Kind::Error),
              QStringList{QStringLiteral("'96OO' は整数ではありません\r設定ファイルの SPEED を確認して下さい")});
}

TEST(SettingsFile, DefaultsAreWrittenInTheFixedLayout)
{
    SettingsStore s;
    s.storeDefaults(QStringLiteral("/opt/marbolt/"));
    const QByteArray expected = QStringLiteral(
        "[COMM]\r\nSPEED=4800\r\nSTOPBIT=2\r\nPORT=COM1\r\nSE=1\r\nCODE=ISO\r\nHEAD%=0\r\n"
        "LOG=0\r\nTAPE=0\r\nFEED=100\r\nWAIT=0\r\n[EDIT]\r\nDIR=/opt/marbolt/\r\nFONT=14\r\n"
        "NAME=ＭＳ ゴシック\r\nOPENINDEX=1\r\nSAVEINDEX=1\r\nSORT=1\r\n[RECENT]\r\nFILE1=\r\n"
        "FILE2=\r\nFILE3=\r\nFILE4=\r\nFILE5=\r\n"
        // The program's own additions follow the three sections.
        "[MARBOLT]\r\nCHECK=1\r\nCOLOUR=1\r\nMACHINE=\r\nNETPORTS=\r\nAUTOSAVE=30\r\nRENUMBER=\r\nHISTORY=\r\n[MACHINES]\r\n").toUtf8();
    QStringDecoder dec("windows-31j");
    const QByteArray bytes = settingsFileBytes(s, defaultsOverrides());
    EXPECT_EQ(QString(dec.decode(bytes)).toUtf8(), expected);
    // Shift-JIS on disk: ＭＳ is 0x82 0x6C 0x82 0x72.
    EXPECT_NE(bytes.indexOf("NAME=\x82\x6c\x82\x72"), -1);
}

TEST(SettingsFile, EveryKeyComesBackAfterAWriteAndARead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("marbolt.ini"));
    SettingsStore s;
    s.storeDefaults(QStringLiteral("/x/"));
    const char *values[][2] = {{"SPEED", "19200"}, {"STOPBIT", "1"}, {"PORT", "/dev/ttyUSB0"},
                               {"SE", "0"}, {"CODE", "EIA"}, {"HEAD%", "1"}, {"LOG", "1"},
                               {"TAPE", "1"}, {"FEED", "0"}, {"WAIT", "25"},
                               {"DIR", "/home/宮本/NCデータ"}, {"OPENINDEX", "2"},
                               {"SAVEINDEX", "2"}, {"FILE1", "/a/O1.nc"}, {"FILE3", "/b/c d.nc"},
                               {"FILE5", "/e.ncd"}};
    for (auto &kv : values)
        s.set(QString::fromUtf8(kv[0]), QString::fromUtf8(kv[1]));
    ASSERT_TRUE(writeSettingsFile(path, s, {QStringLiteral("22"), QStringLiteral("IPAGothic"),
                                            QStringLiteral("0")}));
    SettingsStore r;
    ASSERT_TRUE(readSettingsFile(path, r));
    for (auto &kv : values)
        EXPECT_EQ(r.get(QString::fromUtf8(kv[0])), QString::fromUtf8(kv[1])) << kv[0];
    EXPECT_EQ(r.get(QStringLiteral("FONT")), QStringLiteral("22"));
    EXPECT_EQ(r.get(QStringLiteral("NAME")), QStringLiteral("IPAGothic"));
    EXPECT_EQ(r.get(QStringLiteral("SORT")), QStringLiteral("0"));
    EXPECT_EQ(r.get(QStringLiteral("FILE2")), QString());
    EXPECT_TRUE(readFileBytes(path).contains("\r\nFILE2=\r\n")) << "an empty entry is written as FILE2=";
}

// A value without a Shift-JIS code is written empty, and only that one: the
// values after it, Japanese ones included, come back whole.
TEST(SettingsFile, AValueWithoutCodeCostsNoOtherValue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("marbolt.ini"));
    SettingsStore s;
    s.storeDefaults(QStringLiteral("/x/"));
    s.set(QStringLiteral("DIR"), QStringLiteral("/home/josé/NC"));
    s.set(QStringLiteral("FILE1"), QStringLiteral("/home/宮本/O1.nc"));
    s.set(QStringLiteral("FILE2"), QStringLiteral("/tmp/€.nc"));
    s.set(QStringLiteral("FILE3"), QStringLiteral("/home/ﾐﾔﾓﾄ/加工.ncd"));
    const QString name = QStringLiteral("ＭＳ ゴシック");
    ASSERT_TRUE(writeSettingsFile(path, s, {QStringLiteral("12"), name, QStringLiteral("1")}));
    SettingsStore r;
    ASSERT_TRUE(readSettingsFile(path, r));
    EXPECT_EQ(r.get(QStringLiteral("DIR")), QString());
    EXPECT_EQ(r.get(QStringLiteral("NAME")), name);
    EXPECT_EQ(r.get(QStringLiteral("FILE1")), QStringLiteral("/home/宮本/O1.nc"));
    EXPECT_EQ(r.get(QStringLiteral("FILE2")), QString());
    EXPECT_EQ(r.get(QStringLiteral("FILE3")), QStringLiteral("/home/ﾐﾔﾓﾄ/加工.ncd"));

    // Read, write, read again: every value stays as it was read.
    const QString again = dir.filePath(QStringLiteral("again.ini"));
    ASSERT_TRUE(writeSettingsFile(again, r, {QStringLiteral("12"), name, QStringLiteral("1")}));
    SettingsStore r2;
    ASSERT_TRUE(readSettingsFile(again, r2));
    EXPECT_EQ(r2.lines(), r.lines());
    EXPECT_EQ(readFileBytes(again), readFileBytes(path));
}

TEST(SettingsFile, ReadingTakesLinesWhateverTheirBreaksAndDropsUnknownKeysAtTheNextWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m.ini"));
    ASSERT_TRUE(writeFileBytes(path, "[EDIT]\rSPEED=1200\n[COMM]\r\nSPEED=9600\r\nMYKEY=7\r\nport=COM4"));
    SettingsStore s;
    ASSERT_TRUE(readSettingsFile(path, s));
    EXPECT_EQ(s.get(QStringLiteral("SPEED")), QStringLiteral("1200")) << "first occurrence, any section";
    EXPECT_EQ(s.get(QStringLiteral("PORT")), QStringLiteral("COM4"));
    EXPECT_EQ(s.get(QStringLiteral("MYKEY")), QStringLiteral("7")) << "carried in the store";
    EXPECT_EQ(s.get(QStringLiteral("FEED")), QString()) << "missing before the defaults step";
    s.restoreMissingDefaults();
    EXPECT_EQ(s.get(QStringLiteral("FEED")), QStringLiteral("100"));
    EXPECT_EQ(s.get(QStringLiteral("WAIT")), QStringLiteral("0"));
    EXPECT_EQ(s.get(QStringLiteral("SORT")), QStringLiteral("1"));
    EXPECT_EQ(s.get(QStringLiteral("CODE")), QString()) << "other missing keys stay empty";

    ASSERT_TRUE(writeSettingsFile(path, s, defaultsOverrides()));
    const QByteArray written = readFileBytes(path);
    EXPECT_FALSE(written.contains("MYKEY"));
    EXPECT_TRUE(written.contains("\r\nSPEED=1200\r\n"));
    EXPECT_EQ(written.count("SPEED="), 1);
}

TEST(SettingsFile, OnlyARegularFileIsRead)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("marbolt.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    SettingsStore s;
    s.set(QStringLiteral("SPEED"), QStringLiteral("9600"));
    EXPECT_FALSE(readSettingsFile(fifo, s)) << "returns at once instead of waiting for a writer";
    EXPECT_FALSE(readSettingsFile(QStringLiteral("/dev/zero"), s));
    EXPECT_FALSE(readSettingsFile(dir.path(), s));
    EXPECT_EQ(s.get(QStringLiteral("SPEED")), QStringLiteral("9600")) << "the store is unchanged";
}

TEST(SettingsFile, AFailedWriteLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m.ini"));
    ASSERT_TRUE(writeFileBytes(path, "SPEED=300\r\n"));
    SettingsStore s;
    s.storeDefaults(QStringLiteral("/"));
    {
        FileSizeLimit full(64);  // the new file cannot be written whole
        EXPECT_FALSE(writeSettingsFile(path, s, defaultsOverrides()));
    }
    EXPECT_EQ(readFileBytes(path), QByteArray("SPEED=300\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary file left behind";
    EXPECT_FALSE(writeSettingsFile(dir.filePath(QStringLiteral("no/such/folder/m.ini")), s,
                                   defaultsOverrides()));
}
