// The command line as a shell hands it over: which mode each form asks
// for, what reaches the mode, and every mistake caught before a window or
// a file is touched.
#include "app/commandline.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QRegularExpression>

using namespace marbolt;

namespace {

CommandLine read(std::initializer_list<const char *> words)
{
    QStringList arguments{QStringLiteral("marbolt")};
    for (const char *w : words)
        arguments << QString::fromUtf8(w);
    return readCommandLine(arguments);
}

}  // namespace

TEST(CommandLine, TheWindowOpensTheFirstFileAndLeavesQtItsOwnOptions)
{
    EXPECT_EQ(read({}).kind, CommandKind::Window);
    EXPECT_TRUE(read({}).file.isEmpty());
    const CommandLine one = read({"O1000.nc"});
    EXPECT_EQ(one.kind, CommandKind::Window);
    EXPECT_EQ(one.file, QStringLiteral("O1000.nc"));
    // Further files have always been ignored.
    EXPECT_EQ(read({"a.nc", "b.nc"}).file, QStringLiteral("a.nc"));
    EXPECT_EQ(read({"荒加工.nc"}).file, QStringLiteral("荒加工.nc"));
    // A file whose name starts with a dash, after "--".
    const CommandLine dashed = read({"--", "-1.nc"});
    EXPECT_EQ(dashed.kind, CommandKind::Window);
    EXPECT_EQ(dashed.file, QStringLiteral("-1.nc"));
    // The toolkit's options, with and without values, in Qt's one-dash form.
    for (auto words : {std::initializer_list<const char *>{"-platform", "offscreen", "a.nc"},
                       {"-style=fusion", "a.nc"},
                       {"a.nc", "-reverse"},
                       {"-qwindowgeometry", "800x600+0+0", "a.nc"}}) {
        const CommandLine line = read(words);
        EXPECT_EQ(line.kind, CommandKind::Window) << line.mistake.toStdString();
        EXPECT_EQ(line.file, QStringLiteral("a.nc"));
    }
}

TEST(CommandLine, HelpAndVersionWinOverEverythingElse)
{
    for (auto words : {std::initializer_list<const char *>{"--help"}, {"-h"}, {"a.nc", "--help"},
                       {"--check", "a.nc", "--help"}})
        EXPECT_EQ(read(words).kind, CommandKind::Help);
    for (auto words : {std::initializer_list<const char *>{"--version"}, {"-v"}, {"--compare", "--version"}})
        EXPECT_EQ(read(words).kind, CommandKind::Version);
    EXPECT_EQ(versionLine(), QStringLiteral("marbolt 1.0.8"));
}

TEST(CommandLine, CheckTakesOneFileAndAKnownCode)
{
    CommandLine line = read({"--check", "a.nc", "--code", "eia"});
    EXPECT_EQ(line.kind, CommandKind::Check);
    EXPECT_EQ(line.file, QStringLiteral("a.nc"));
    EXPECT_EQ(line.code, QStringLiteral("EIA"));
    line = read({"--code=NONE", "--check=b.nc"});
    EXPECT_EQ(line.kind, CommandKind::Check);
    EXPECT_EQ(line.file, QStringLiteral("b.nc"));
    EXPECT_EQ(line.code, QStringLiteral("NONE"));
    EXPECT_TRUE(read({"--check", "a.nc"}).code.isEmpty());  // the settings file's CODE

    for (auto words : {std::initializer_list<const char *>{"--check"},
                       {"--check", ""},
                       {"--check", "a.nc", "--code", "XYZ"},
                       {"--check", "a.nc", "--code"},
                       {"--check", "a.nc", "b.nc"},
                       {"--check", "a.nc", "--check", "b.nc"},
                       {"--check", "a.nc", "--code", "ISO", "--code", "EIA"},
                       {"--code", "ISO", "a.nc"},
                       {"--check", "a.nc", "--keep-n"},
                       {"--check", "a.nc", "--compare", "b.nc", "c.nc"}}) {
        const CommandLine wrong = read(words);
        EXPECT_EQ(wrong.kind, CommandKind::Mistake) << *words.begin();
        EXPECT_FALSE(wrong.mistake.isEmpty());
    }
}

TEST(CommandLine, HistoryTakesItsFiltersAndNoFile)
{
    CommandLine line = read({"--history", "--machine", "3号機", "--program", "o1234", "--from", "2026-12-01", "--to",
                             "2026-12-05", "--limit", "20"});
    EXPECT_EQ(line.kind, CommandKind::History);
    EXPECT_EQ(line.history.machine, QStringLiteral("3号機"));
    EXPECT_EQ(line.history.program, QStringLiteral("O1234"));
    EXPECT_EQ(line.history.from, QStringLiteral("2026-12-01"));
    EXPECT_EQ(line.history.to, QStringLiteral("2026-12-05"));
    EXPECT_EQ(line.history.limit, 20);
    line = read({"--history"});
    EXPECT_EQ(line.kind, CommandKind::History);
    EXPECT_EQ(line.history.limit, 100);
    EXPECT_TRUE(line.history.program.isEmpty());
    EXPECT_EQ(read({"--history", "--show", "ABCDEF12"}).history.show, QStringLiteral("abcdef12"));
    EXPECT_EQ(read({"--history", "--program", "55"}).history.program, QStringLiteral("55"));

    for (auto words : {std::initializer_list<const char *>{"--history", "a.nc"},
                       {"--history", "--program", "X12"},
                       {"--history", "--program", "O"},
                       {"--history", "--from", "2026-13-01"},
                       {"--history", "--to", "yesterday"},
                       {"--history", "--limit", "0"},
                       {"--history", "--show", "abc"},
                       {"--history", "--show", "xyz12345"},
                       {"--machine", "3号機"},
                       {"--program", "O1234", "a.nc"},
                       {"--history", "--check", "a.nc"}}) {
        const CommandLine wrong = read(words);
        EXPECT_EQ(wrong.kind, CommandKind::Mistake) << *words.begin() << " " << *(words.begin() + 1);
        EXPECT_FALSE(wrong.mistake.isEmpty());
    }
}

TEST(CommandLine, CompareTakesTwoFilesAndItsRules)
{
    CommandLine line = read({"--compare", "l.nc", "r.nc"});
    EXPECT_EQ(line.kind, CommandKind::Compare);
    EXPECT_EQ(line.left, QStringLiteral("l.nc"));
    EXPECT_EQ(line.right, QStringLiteral("r.nc"));
    EXPECT_TRUE(line.compare.ignoreSequenceNumbers && line.compare.ignoreBlanks && line.compare.ignoreComments
                && line.compare.numbersByValue);

    // Each switch turns exactly its own rule off, wherever it stands.
    line = read({"l.nc", "--keep-comments", "--compare", "r.nc", "--text-numbers"});
    EXPECT_EQ(line.kind, CommandKind::Compare);
    EXPECT_EQ(line.left, QStringLiteral("l.nc"));
    EXPECT_TRUE(line.compare.ignoreSequenceNumbers);
    EXPECT_TRUE(line.compare.ignoreBlanks);
    EXPECT_FALSE(line.compare.ignoreComments);
    EXPECT_FALSE(line.compare.numbersByValue);
    line = read({"--compare", "--keep-n", "--keep-blanks", "l.nc", "r.nc"});
    EXPECT_FALSE(line.compare.ignoreSequenceNumbers);
    EXPECT_FALSE(line.compare.ignoreBlanks);
    EXPECT_TRUE(line.compare.ignoreComments);

    for (auto words : {std::initializer_list<const char *>{"--compare"},
                       {"--compare", "l.nc"},
                       {"--compare", "l.nc", "r.nc", "x.nc"},
                       {"l.nc", "--keep-n"},
                       {"--text-numbers"}})
        EXPECT_EQ(read(words).kind, CommandKind::Mistake) << *words.begin();
}

TEST(CommandLine, UnknownOptionsAreMistakesThatNameThem)
{
    for (const char *unknown : {"--bogus", "-x", "--Check", "-hv", "--help-all"}) {
        const CommandLine line = read({unknown, "a.nc"});
        EXPECT_EQ(line.kind, CommandKind::Mistake) << unknown;
        EXPECT_TRUE(line.mistake.contains(QString::fromLatin1(unknown).remove(QRegularExpression("^-+"))))
            << line.mistake.toStdString();
    }
    EXPECT_TRUE(commandLineUsage().contains(QStringLiteral("--check FILE")));
}

TEST(CommandLine, HelpListsEveryOptionOfTheProgramAndNoneOfQts)
{
    int argc = 1;
    char name[] = "marbolt";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString help = commandLineHelp();
    for (const char *option : {"--help", "--version", "--check <FILE>", "--code <ISO|EIA|NONE>", "--compare",
                               "--keep-n", "--keep-blanks", "--keep-comments", "--text-numbers"})
        EXPECT_TRUE(help.contains(QString::fromLatin1(option))) << option;
    for (const char *hidden : {"platform", "style", "qwindowgeometry"})
        EXPECT_FALSE(help.contains(QString::fromLatin1(hidden))) << hidden;
    EXPECT_TRUE(help.contains(QStringLiteral("1.0.8")));
    EXPECT_TRUE(help.contains(QStringLiteral("~/.config/marbolt/")));
}
