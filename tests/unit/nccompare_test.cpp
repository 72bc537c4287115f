// Compare (照合): block keys as a control reads them, and the alignment.
#include "tools/nccompare.h"

#include <gtest/gtest.h>

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
