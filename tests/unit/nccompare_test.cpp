// Compare (照合): block keys as a control reads them, and the alignment.
#include "tools/nccompare.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace marbolt;

namespace {

std::string key(std::string_view line, CompareOptions options = {})
{
    return blockKey(line, options);
}

struct Diff {
    DifferenceKind kind;
    std::size_t leftFirst, leftCount, rightFirst, rightCount;
    bool operator==(const Diff &) const = default;
};

std::vector<Diff> compare(std::string_view left, std::string_view right, CompareOptions options = {})
{
    std::vector<Diff> out;
    for (const Difference &d : compareTexts(compareBlocks(left, options), compareBlocks(right, options)))
        out.push_back({d.kind, d.leftFirst, d.leftCount, d.rightFirst, d.rightCount});
    return out;
}

}  // namespace

TEST(NcCompare, BlockKeysFollowTheRules)
{
    // Sequence numbers, blanks and comments go; the block delete stays.
    EXPECT_EQ(key("N100 G01 X10. (ROUGH)\r"), "G1X10.");
    EXPECT_EQ(key("/N20 G0 Z5."), "/G0Z5.");
    EXPECT_EQ(key("G1 X1. (OPEN"), "G1X1.");
    // Numbers by value; the decimal point stays a difference.
    EXPECT_EQ(key("X3.100"), key("X3.1"));
    EXPECT_EQ(key("X03.1"), key("X3.1"));
    EXPECT_EQ(key("F30.0"), key("F30."));
    EXPECT_EQ(key("X-.5"), key("X-0.50"));
    EXPECT_EQ(key("X-0."), key("X0."));
    EXPECT_EQ(key("X+2."), key("X2."));
    EXPECT_NE(key("X3.1"), key("X31"));
    EXPECT_NE(key("X1"), key("X1."));
    EXPECT_EQ(key("G01"), key("G1"));
    // Word order counts.
    EXPECT_NE(key("G1 X1. Y2."), key("G1 Y2. X1."));

    // The words are the NC reader's: a letter with blanks before its
    // value, a sequence number written "N 10", a corner round, a macro
    // statement whole; what follows an end of block still counts.
    EXPECT_EQ(key("N 10 G01 X 10.0 ,R 2."), "G1X10.,R2.");
    EXPECT_EQ(key("G01X1.;(A)Y2."), "G1X1.;(A)Y2.");
    EXPECT_NE(key("G01X1.;Y2."), key("G01X1.;Y3."));
    EXPECT_EQ(key("#100 = #101 + 1.50"), "#100=#101+1.5");
    EXPECT_EQ(key("(X1. Y2.)G00"), "G0");
    CompareOptions keepBlanks;
    keepBlanks.ignoreBlanks = false;
    EXPECT_EQ(key("N 10 G01 X1.  Y2. (A)", keepBlanks), "G1 X1.  Y2.");

    // Each rule can be turned off.
    CompareOptions keep;
    keep.ignoreSequenceNumbers = false;
    keep.ignoreBlanks = false;
    keep.ignoreComments = false;
    keep.numbersByValue = false;
    EXPECT_EQ(key("N10 G01 X3.10 (A)", keep), "N10 G01 X3.10 (A)");
    CompareOptions textNumbers;
    textNumbers.numbersByValue = false;
    EXPECT_NE(key("X3.100", textNumbers), key("X3.1", textNumbers));
}

TEST(NcCompare, LineEndsPercentLinesAndEmptyLinesNeverCount)
{
    EXPECT_TRUE(compare("%\r\nO1\r\nG1 X1.\r\n%\r\n", "O1\nG1 X1.\n\n  \n%").empty());
    // A comment line counts for nothing when comments do not count.
    EXPECT_TRUE(compare("O1\r\n(TOOL 1)\r\nG1\r\n", "O1\r\nG1\r\n").empty());
    const std::vector<CompareBlock> blocks = compareBlocks("%\r\n\r\nO1\r\nN5 G1\r\n%", {});
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].line, 2u);
    EXPECT_EQ(blocks[1].line, 3u);
    EXPECT_EQ(blocks[1].key, "G1");
}

TEST(NcCompare, AChangedWordAndADroppedBlockAreTwoDifferences)
{
    const std::string left = "O1\nG0 X0.\nG1 X10. F100.\nG1 Y10.\nG1 X0.\nG1 Y0.\nM30\n";
    const std::string right = "O1\nG0 X0.\nG1 X10. F200.\nG1 Y10.\nG1 Y0.\nM30\n";
    EXPECT_EQ(compare(left, right), (std::vector<Diff>{{DifferenceKind::Changed, 2, 1, 2, 1},
                                                       {DifferenceKind::OnlyLeft, 4, 1, 4, 0}}));
    // The other way round the dropped block is only on the right.
    EXPECT_EQ(compare(right, left), (std::vector<Diff>{{DifferenceKind::Changed, 2, 1, 2, 1},
                                                       {DifferenceKind::OnlyRight, 4, 0, 4, 1}}));
    // Renumbered and reformatted, the same program.
    EXPECT_TRUE(compare(left, "O1\nN10 G0 X0\nN20 G1 X10. F100.\nN30 G1 Y10.\nN40 G1 X0.\nN50 G1 Y0.\nM30\n").size() == 1u);
    EXPECT_TRUE(compare(left, "O1\nN10 G00 X0.\nN20 G01 X10.000 F100.0\nN30 G1 Y10.\nN40 G1 X0.\nN50 G1 Y0.\nM30\n").empty());
}

// Inside a run that changed several blocks, the blocks most alike are
// paired and the rest stand alone: a word changed next to a dropped block
// reads "N20: Y5. → Y6." and "N30 only on the left", not "2 against 1".
TEST(NcCompare, AChangedRunPairsItsMostSimilarBlocks)
{
    struct Case {
        const char *name;
        const char *left;
        const char *right;
        std::vector<Diff> expected;
    };
    const Case cases[] = {
        {"a word changed, the next block dropped", "N10 G0 X0.\nN20 G1 Y5.\nN30 G1 X5.\nN40 M30\n",
         "N10 G0 X0.\nN20 G1 Y6.\nN40 M30\n",
         {{DifferenceKind::Changed, 1, 1, 1, 1}, {DifferenceKind::OnlyLeft, 2, 1, 2, 0}}},
        {"a block dropped, then a word changed", "G0 X0.\nM08\nG1 X5. Y5.\nM30\n", "G0 X0.\nG1 X5. Y6.\nM30\n",
         {{DifferenceKind::OnlyLeft, 1, 1, 1, 0}, {DifferenceKind::Changed, 2, 1, 1, 1}}},
        {"two blocks put in around a changed one", "G0 X0.\nG1 X1. Y1. F100.\nM30\n",
         "G0 X0.\nM08\nG1 X1. Y1. F200.\nM09\nM30\n",
         {{DifferenceKind::OnlyRight, 1, 0, 1, 1},
          {DifferenceKind::Changed, 1, 1, 2, 1},
          {DifferenceKind::OnlyRight, 2, 0, 3, 1}}},
        {"two changed pairs in order", "G0 X0.\nG1 X1. Y1.\nG1 X2. Y2.\nM30\n", "G0 X0.\nG1 X1. Y9.\nG1 X2. Y8.\nM30\n",
         {{DifferenceKind::Changed, 1, 1, 1, 1}, {DifferenceKind::Changed, 2, 1, 2, 1}}},
        {"nothing alike: each block on its own side", "G0 X0.\nG1 X1. Y1.\nM30\n", "G0 X0.\nM05\nT2 M06\nM30\n",
         {{DifferenceKind::OnlyLeft, 1, 1, 1, 0}, {DifferenceKind::OnlyRight, 2, 0, 1, 2}}},
        {"one block against one stays changed, however unlike", "G0 X0.\nM05\nM30\n", "G0 X0.\nT2 M06\nM30\n",
         {{DifferenceKind::Changed, 1, 1, 1, 1}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(compare(c.left, c.right), c.expected) << c.name;
}

TEST(NcCompare, TheWordsOfAChangedBlock)
{
    const CompareOptions options;
    const std::vector<BlockWord> words = blockWords("N20 G01 X10.000 (ROUGH) Y-5. M08", options);
    std::vector<std::string> forms;
    for (const BlockWord &w : words)
        forms.push_back(w.form);
    EXPECT_EQ(forms, (std::vector<std::string>{"G1", "X10.", "Y-5.", "M8"})) << "N and the comment do not count";
    EXPECT_EQ(words[1].start, 8u);
    EXPECT_EQ(words[1].end, 15u);
    // A block delete is a word of its own; with N counted, N is one too.
    CompareOptions keepN;
    keepN.ignoreSequenceNumbers = false;
    EXPECT_EQ(blockWords("/N5 G0", keepN).size(), 3u);

    EXPECT_EQ(describeWordChanges("N20 G1 Y5.", "N20 G1 Y6.", options), "Y5. \u2192 Y6.");
    EXPECT_EQ(describeWordChanges("G1 X1. Y2. F100.", "G1 X1.000 Y2. F150.", options), "F100. \u2192 F150.")
        << "numbers by their value: X1. and X1.000 are the same word";
    EXPECT_EQ(describeWordChanges("G0 X0. M08", "G0 X0.", options), "-M08");
    EXPECT_EQ(describeWordChanges("G0 X0.", "G0 X0. M08", options), "+M08");
    EXPECT_EQ(describeWordChanges("G0 X1. Y1.", "G1 X2. Y1. M3", options), "G0 \u2192 G1, X1. \u2192 X2., +M3");
    EXPECT_EQ(describeWordChanges("G1 X1.", "G1 X1.", options), "");
}

// The words are the NC reader's: a letter with its value even across a
// blank, lower-case words, a macro statement whole; what is no word of
// the language still counts as written.
TEST(NcCompare, TheWordsAreTheReadersWords)
{
    const CompareOptions options;
    EXPECT_EQ(describeWordChanges("G1 X 10. Y0", "G1 X 12. Y0", options), "X 10. \u2192 X 12.");
    EXPECT_EQ(describeWordChanges("g1 x1.0 y2.", "g1 x1. y3.", options), "y2. \u2192 y3.");
    EXPECT_EQ(describeWordChanges("N10 IF [#1 GT 0] GOTO 20", "N10 IF [#1 GT 0] GOTO 30", options),
              "IF [#1 GT 0] GOTO 20 \u2192 IF [#1 GT 0] GOTO 30");
    EXPECT_EQ(describeWordChanges("G1 X1. 5", "G1 X1. 6", options), "-5, +6");
    EXPECT_EQ(describeWordChanges("G1 X1. \xE3\x81\x82", "G1 X1.", options), "-\xE3\x81\x82")
        << "the bytes of one character are one word";
    CompareOptions comments;
    comments.ignoreComments = false;
    EXPECT_EQ(describeWordChanges("G1 X1.(P1)", "G1 X1.(P2)", comments), "-(P1), +(P2)");
    EXPECT_EQ(describeWordChanges("/2 G1 X1.", "G1 X1.", options), "-/2");
    EXPECT_EQ(blockWords("G1 X1.\r", options).back().end, 6u);
    // A corner round is a word of its own, comma and all.
    EXPECT_EQ(describeWordChanges("G01X10.,R2.F100", "G01X10.,R3.F100", options), ",R2. \u2192 ,R3.");
    EXPECT_EQ(describeWordChanges("G01X10.,R2.", "G01X10.R2.", options), "-,R2., +R2.");
}

// Property: splitting the runs keeps every differing block exactly once,
// in the order of the texts, each pair one block a side.
TEST(NcCompare, PairingKeepsEveryBlockOnceAndInOrder)
{
    std::mt19937 random(22);
    const std::vector<std::string> blocks{"G0 X0.", "G1 X1. Y1.", "G1 X1. Y2.", "G1 X2. Y2.", "M08", "M09",
                                          "T1 M06", "G1 Z-1. F100.", "G1 Z-1. F200.", "M30"};
    for (int round = 0; round < 2000; ++round) {
        std::string left, right;
        for (int i = 0, n = static_cast<int>(random() % 12); i < n; ++i)
            left += blocks[random() % blocks.size()] + "\n";
        for (int i = 0, n = static_cast<int>(random() % 12); i < n; ++i)
            right += blocks[random() % blocks.size()] + "\n";
        const auto l = compareBlocks(left, {}), r = compareBlocks(right, {});
        const std::vector<Difference> diffs = compareTexts(l, r);
        std::size_t nextLeft = 0, nextRight = 0;
        std::vector<int> leftSeen(l.size(), 0), rightSeen(r.size(), 0);
        for (const Difference &d : diffs) {
            ASSERT_GE(d.leftFirst, nextLeft) << left << "|" << right;
            ASSERT_GE(d.rightFirst, nextRight) << left << "|" << right;
            for (std::size_t i = 0; i < d.leftCount; ++i)
                ++leftSeen[d.leftFirst + i];
            for (std::size_t j = 0; j < d.rightCount; ++j)
                ++rightSeen[d.rightFirst + j];
            nextLeft = d.leftFirst + d.leftCount;
            nextRight = d.rightFirst + d.rightCount;
            if (d.kind == DifferenceKind::Changed) {
                ASSERT_EQ(d.leftCount, 1u) << left << "|" << right;
                ASSERT_EQ(d.rightCount, 1u) << left << "|" << right;
                ASSERT_NE(l[d.leftFirst].key, r[d.rightFirst].key);
            }
        }
        // What no difference holds is common, in order, key for key.
        std::vector<std::string> leftCommon, rightCommon;
        for (std::size_t i = 0; i < l.size(); ++i) {
            ASSERT_LE(leftSeen[i], 1);
            if (!leftSeen[i])
                leftCommon.push_back(l[i].key);
        }
        for (std::size_t j = 0; j < r.size(); ++j) {
            ASSERT_LE(rightSeen[j], 1);
            if (!rightSeen[j])
                rightCommon.push_back(r[j].key);
        }
        ASSERT_EQ(leftCommon, rightCommon) << left << "|" << right;
    }
}
