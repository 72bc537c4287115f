// The block reader: one line of word-address text into its words,
// comments, block skip and macro statement.
#include "nc/ncblock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace marbolt::nc;

namespace {

// The words of a line as "X=-1.5" texts, for short comparisons.
std::vector<std::string> wordsOf(const Block &b)
{
    std::vector<std::string> out;
    for (const Word &w : b.words)
        out.push_back(std::string(1, w.letter) + "=" + std::string(w.text));
    return out;
}

Block read(std::string_view line)
{
    Block b;
    readBlock(line, b);
    return b;
}

struct WordsCase {
    const char *name;
    const char *line;
    std::vector<std::string> words;
};

class Words : public ::testing::TestWithParam<WordsCase> {};

}  // namespace

TEST_P(Words, AreReadAsWritten)
{
    const Block b = read(GetParam().line);
    EXPECT_EQ(wordsOf(b), GetParam().words);
    EXPECT_TRUE(b.findings.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Words,
    ::testing::Values(
        WordsCase{"Motion", "G01X10.5Y-2.Z.5F150", {"G=01", "X=10.5", "Y=-2.", "Z=.5", "F=150"}},
        WordsCase{"Spaces", "N10 G00 X 1. Y2", {"N=10", "G=00", "X=1.", "Y=2"}},
        WordsCase{"ProgramNumber", "O1234(ROUGH)", {"O=1234"}},
        WordsCase{"ColonProgramNumber", ":0010", {"O=0010"}},
        WordsCase{"Variables", "G01X#101Y-#[#1+2]F#9", {"G=01", "X=#101", "Y=-#[#1+2]", "F=#9"}},
        WordsCase{"BracketExpression", "X[#1*2+1.5]Y1.", {"X=[#1*2+1.5]", "Y=1."}},
        WordsCase{"PlusSign", "X+1.", {"X=+1."}},
        WordsCase{"LowerCase", "g01x1.", {"G=01", "X=1."}},
        WordsCase{"EndOfBlock", "G00X1.;Y2.", {"G=00", "X=1."}},
        WordsCase{"Subprogram", "M98P1000L3", {"M=98", "P=1000", "L=3"}},
        WordsCase{"DecimalGCode", "G43.4H1", {"G=43.4", "H=1"}},
        WordsCase{"CommentsBetween", "G01(CUT)X1.(TO X)", {"G=01", "X=1."}},
        WordsCase{"Empty", "", {}},
        WordsCase{"Blank", "   \t", {}}),
    [](const auto &info) { return info.param.name; });

TEST(Block, NumbersKeepTheirValueAndWhetherAPointWasWritten)
{
    const Block b = read("X10Y10.Z-.25U+3.A#1");
    ASSERT_EQ(b.words.size(), 5u);
    EXPECT_EQ(b.words[0].number, 10.0);
    EXPECT_FALSE(b.words[0].decimalPoint);
    EXPECT_EQ(b.words[1].number, 10.0);
    EXPECT_TRUE(b.words[1].decimalPoint);
    EXPECT_EQ(b.words[2].number, -0.25);
    EXPECT_EQ(b.words[3].number, 3.0);
    EXPECT_EQ(b.words[4].number, std::nullopt);  // a variable is left as text
    EXPECT_EQ(b.number('Z'), -0.25);
    EXPECT_EQ(b.number('Q'), std::nullopt);
    EXPECT_EQ(b.words[2].column, 7u);
}

TEST(Block, MarksAndStatements)
{
    Block b = read("/G01X1.");
    EXPECT_EQ(b.skipLevel, 1);
    EXPECT_EQ(wordsOf(b), (std::vector<std::string>{"G=01", "X=1."}));
    EXPECT_EQ(read("/3 G00").skipLevel, 3);
    EXPECT_EQ(read("G00").skipLevel, 0);

    EXPECT_TRUE(read("%").percent);
    EXPECT_TRUE(read("  %").percent);
    b = read("'SETUP SHEET 1");
    EXPECT_TRUE(b.apostrophe);
    EXPECT_TRUE(b.words.empty());

    b = read("N20#101=#101+1.(COUNT)");
    EXPECT_EQ(wordsOf(b), std::vector<std::string>{"N=20"});
    EXPECT_EQ(b.statement, "#101=#101+1.(COUNT)");
    EXPECT_EQ(b.statementColumn, 3u);
    EXPECT_TRUE(b.macro());
    b = read("IF[#1GT10]GOTO30");
    EXPECT_TRUE(b.words.empty());
    EXPECT_EQ(b.statement, "IF[#1GT10]GOTO30");
    EXPECT_EQ(read("N5 WHILE[#2LT3]DO1").statement, "WHILE[#2LT3]DO1");
    EXPECT_FALSE(read("G01X1.").macro());
}

TEST(Block, CommentsAreCollectedWithoutTheirBrackets)
{
    const Block b = read("O100(FACE MILL)(T1 D50)");
    EXPECT_EQ(b.comments, (std::vector<std::string_view>{"FACE MILL", "T1 D50"}));
    // A comment holds any text: letters there are no words.
    EXPECT_EQ(wordsOf(read("(X1. Y2.)G00")), std::vector<std::string>{"G=00"});
}

TEST(Block, WhatTheLanguageDoesNotHaveIsFound)
{
    struct Case {
        const char *line;
        FindingKind kind;
        std::uint32_t column;
    };
    for (const Case &c : {Case{"G01X1.(OPEN", FindingKind::UnclosedComment, 6},
                          Case{"X[#1+2Y3.", FindingKind::UnclosedBracket, 0}, Case{"G01X", FindingKind::LetterWithoutValue, 3},
                          Case{"G01 X1. 5", FindingKind::NumberWithoutAddress, 8}, Case{"G01@X1.", FindingKind::UnknownCharacter, 3},
                          Case{"G00X1234567890123.", FindingKind::NumberTooLong, 3}}) {
        const Block b = read(c.line);
        ASSERT_FALSE(b.findings.empty()) << c.line;
        EXPECT_EQ(b.findings.front().kind, c.kind) << c.line;
        EXPECT_EQ(b.findings.front().column, c.column) << c.line;
    }
    // The words around a finding are still read.
    EXPECT_EQ(wordsOf(read("G01@X1.")), (std::vector<std::string>{"G=01", "X=1."}));
    // A chamfer or corner round (",C1." ",R2.") is the language's, and no
    // R of an arc; a comma with nothing after it is found.
    const Block corner = read("G01X10.,R2.F100");
    EXPECT_TRUE(corner.findings.empty());
    EXPECT_EQ(wordsOf(corner), (std::vector<std::string>{"G=01", "X=10.", "R=2.", "F=100"}));
    EXPECT_TRUE(corner.words[2].corner);
    EXPECT_EQ(corner.words[2].column, 7u);
    EXPECT_EQ(corner.find('R'), nullptr);  // no R of an arc
    EXPECT_EQ(corner.number('F'), 100.0);
    EXPECT_TRUE(read("G01 Z-5. , C 0.5").findings.empty());
    EXPECT_EQ(read("G01X10.,R").findings.front().kind, FindingKind::LetterWithoutValue);
    EXPECT_EQ(read("G01X10.,").findings.front().kind, FindingKind::UnknownCharacter);
    EXPECT_EQ(read("G01X1.(OPEN").comments, std::vector<std::string_view>{"OPEN"});
}

TEST(Block, TheSameBlockIsReusedLineAfterLine)
{
    Block b;
    readBlock("/G01X1.(A)", b);
    readBlock("#1=2", b);
    readBlock("G00", b);
    EXPECT_EQ(wordsOf(b), std::vector<std::string>{"G=00"});
    EXPECT_EQ(b.skipLevel, 0);
    EXPECT_TRUE(b.comments.empty());
    EXPECT_FALSE(b.macro());
}
