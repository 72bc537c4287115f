// A machine's receptions kept in its folder without a window: programs
// split at their O-lines, named by rule, a file already there kept as a
// numbered backup and replaced whole, a failed reception kept apart; and
// the control's requests read from what it punched.
#include "station/dncmachine.h"
#include "station/dncrequest.h"
#include "station/receivefolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace marbolt;

namespace {

struct FixedClock : Clock {
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 9), QTime(8, 30, 5)); }
};

std::string contents(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll().toStdString();
}

}  // namespace

TEST(ReceiveFolder, ProgramsAreSplitAtTheirOLinesAndNamedByRule)
{
    EXPECT_EQ(programFileName(12, {}), QStringLiteral("O0012.nc"));
    EXPECT_EQ(programFileName(123456, {QStringLiteral("P"), 4, QStringLiteral(".txt")}), QStringLiteral("P123456.txt"));

    const std::string tape = "%\r\nO1(A)\r\nG0\r\nO0002\r\nM30\r\n:3\r\nM99\r\n%\r\n";
    const auto programs = splitPrograms(tape);
    ASSERT_EQ(programs.size(), 3u);
    EXPECT_EQ(programs[0].number, 1);
    EXPECT_EQ(programs[0].bytes, "%\r\nO1(A)\r\nG0\r\n");  // the lead stays with the first
    EXPECT_EQ(programs[1].number, 2);
    EXPECT_EQ(programs[2].number, 3);
    EXPECT_EQ(programs[2].bytes, ":3\r\nM99\r\n%\r\n");

    // Text before the first O-line that is more than a lead is a piece of its own.
    const auto loose = splitPrograms("G0 X1.\nO5\nM30\n");
    ASSERT_EQ(loose.size(), 2u);
    EXPECT_FALSE(loose[0].number);
    EXPECT_EQ(loose[1].number, 5);
    // "OFFSET", "O" alone and ten digits open nothing.
    EXPECT_EQ(splitPrograms("(X)\nOFFSET\nO\nO1234567890\n").size(), 1u);
}

TEST(ReceiveFolder, AFileThereIsKeptAsANumberedBackupAndAFailureApart)
{
    QTemporaryDir dir;
    FixedClock clock;
    ReceiveFolder folder(dir.filePath(QStringLiteral("fanuc/in")), ProgramFileRule{}, clock);
    StoreResult r = folder.storeReception("%\r\nO12\r\nG0\r\n%\r\n");
    ASSERT_TRUE(r.failure.isEmpty()) << r.failure.toStdString();
    ASSERT_EQ(r.files.size(), 1u);
    const QString path = dir.filePath(QStringLiteral("fanuc/in/O0012.nc"));
    EXPECT_EQ(r.files[0].path, path);
    EXPECT_TRUE(r.files[0].backup.isEmpty());
    EXPECT_EQ(r.files[0].number, 12);
    EXPECT_EQ(r.files[0].bytes, 15);
    EXPECT_EQ(contents(path), "%\r\nO12\r\nG0\r\n%\r\n");

    // Twice more: the good file each time kept, numbered.
    r = folder.storeReception("O12\r\nG1\r\n");
    EXPECT_EQ(r.files[0].backup, path + QStringLiteral(".~1~"));
    r = folder.storeReception("O12\r\nG2\r\n");
    EXPECT_EQ(r.files[0].backup, path + QStringLiteral(".~2~"));
    EXPECT_EQ(contents(path), "O12\r\nG2\r\n");
    EXPECT_EQ(contents(path + QStringLiteral(".~1~")), "%\r\nO12\r\nG0\r\n%\r\n");
    EXPECT_EQ(contents(path + QStringLiteral(".~2~")), "O12\r\nG1\r\n");

    // A broken reception never goes under the program's name.
    r = folder.storeFailed("O12\r\nG9");
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(r.files[0].path, dir.filePath(QStringLiteral("fanuc/in/failed-20261209-083005.nc")));
    EXPECT_EQ(contents(path), "O12\r\nG2\r\n");
    EXPECT_EQ(folder.storeFailed("x").files[0].path, dir.filePath(QStringLiteral("fanuc/in/failed-20261209-083005-2.nc")));

    // Text without an O-line gets a name by the time.
    r = folder.storeReception("G0 X1.\r\n");
    EXPECT_EQ(r.files[0].path, dir.filePath(QStringLiteral("fanuc/in/received-20261209-083005.nc")));
    EXPECT_FALSE(r.files[0].number);

    // A folder that cannot be made is said.
    ReceiveFolder blocked(path + QStringLiteral("/sub"), ProgramFileRule{}, clock);
    EXPECT_FALSE(blocked.storeReception("O1\r\n").failure.isEmpty());
}

TEST(DncRequest, TheControlsRequestIsReadFromItsComment)
{
    const std::vector<long> requests{9999, 9998};
    struct Row {
        const char *name;
        const char *received;
        long program;
        std::optional<long> sequence;
    } rows[] = {
        {"plain", "%\nO9999\n(REQ O1234)\nM30\n%\n", 1234, std::nullopt},
        {"no O, with a block", "O9999(REQ 1234 N1020)\nM30\n", 1234, 1020},
        {"lower case and blanks", "o9998\n( req o 12 n 5 )\n", 12, 5},
        {"after another comment", "O9999\n(FROM MC3)(REQ O77)\n", 77, std::nullopt},
    };
    for (const Row &r : rows) {
        const auto got = readRequest(r.received, requests);
        ASSERT_TRUE(got) << r.name;
        EXPECT_EQ(got->program, r.program) << r.name;
        EXPECT_EQ(got->sequence, r.sequence) << r.name;
    }
    EXPECT_EQ(readRequest("O9998\n(REQ 5)\n", requests)->requestNumber, 9998);
    // Not a request: another O-number, no comment, a comment that names no program.
    EXPECT_FALSE(readRequest("O1000\n(REQ O1234)\n", requests));
    EXPECT_FALSE(readRequest("O9999\nM30\n", requests));
    EXPECT_FALSE(readRequest("O9999\n(REQ)\n(REQ O12X)\n(REQUEST 12)\n", requests));

    EXPECT_EQ(missingProgramAnswer({9999, 1234, 1020}), "O9999\r\n(O1234 N1020 NOT FOUND)\r\nM30\r\n");
}

TEST(DncMachine, FoldersRulesAndRequestsFromTheProfile)
{
    MachineProfile profile;
    profile.name = QStringLiteral("MC3");
    profile.extra = {{QStringLiteral("receivedir"), QStringLiteral(" /srv/nc/mc3/in ")},
                     {QStringLiteral("SENDDIRS"), QStringLiteral("/srv/a; /srv/b;;")},
                     {QStringLiteral("FILENAME"), QStringLiteral("P;5;.txt")},
                     {QStringLiteral("REQUESTS"), QStringLiteral("9999;O9998")},
                     {QStringLiteral("REQUESTDELAY"), QStringLiteral("8")}};
    QStringList problems;
    DncMachine m = dncMachineOf(profile, &problems);
    EXPECT_EQ(m.receiveFolder, QStringLiteral("/srv/nc/mc3/in"));
    EXPECT_EQ(m.sendFolders, (QStringList{QStringLiteral("/srv/a"), QStringLiteral("/srv/b")}));
    EXPECT_EQ(m.fileRule.prefix, QStringLiteral("P"));
    EXPECT_EQ(m.fileRule.digits, 5);
    EXPECT_EQ(m.fileRule.extension, QStringLiteral(".txt"));
    EXPECT_EQ(m.requestNumbers, (std::vector<long>{9999, 9998}));
    EXPECT_EQ(m.requestDelaySeconds, 8);
    EXPECT_TRUE(problems.isEmpty());

    // Written back under the names already there, read back the same.
    setDncMachine(profile, m);
    EXPECT_EQ(profile.extra.size(), 5);
    EXPECT_EQ(profile.extra[0].first, QStringLiteral("receivedir"));
    EXPECT_EQ(dncMachineOf(profile), m);

    // Values that cannot be meant read as the defaults, and are named.
    profile.extra = {{QStringLiteral("FILENAME"), QStringLiteral("O;12;.nc")},
                     {QStringLiteral("REQUESTDELAY"), QStringLiteral("3600")},
                     {QStringLiteral("REQUESTS"), QStringLiteral("99X")}};
    m = dncMachineOf(profile, &problems);
    EXPECT_EQ(m, DncMachine{});
    EXPECT_EQ(problems.size(), 3);
}

TEST(DncMachine, ARequestedProgramIsFoundByNameThenByItsOLine)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a")), b = dir.filePath(QStringLiteral("b"));
    QDir().mkpath(a);
    QDir().mkpath(b);
    auto write = [](const QString &path, const char *text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write(b + QStringLiteral("/O1234.nc"), "O1234\r\n");
    write(a + QStringLiteral("/bracket.nc"), "%\r\nO1234(BRACKET)\r\n");
    write(a + QStringLiteral("/shaft.nc"), "%\r\nO0055\r\n");
    write(a + QStringLiteral("/notes.txt"), "O77\r\n");
    DncMachine m;
    m.sendFolders = {a, b};
    // By name first, in any folder; then by the O-line, folder by folder.
    EXPECT_EQ(findProgramFile(m, 1234), b + QStringLiteral("/O1234.nc"));
    EXPECT_EQ(findProgramFile(m, 55), a + QStringLiteral("/shaft.nc"));
    EXPECT_FALSE(findProgramFile(m, 77));  // not of the rule's extension
    EXPECT_FALSE(findProgramFile(m, 9));
}
