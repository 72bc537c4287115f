#include "tools/jumptarget.h"

#include <gtest/gtest.h>

using namespace marbolt;

TEST(JumpTarget, ReadsTheNumberBehindTheFirstKeyword)
{
    EXPECT_EQ(numberAfter("M98 P1000", "P"), "1000");
    EXPECT_EQ(numberAfter("M98 P 12 L2", "P"), "12") << "spaces around it go, the run stops at L";
    EXPECT_EQ(numberAfter("(PART A) P5", "P"), "") << "only the first P counts";
    EXPECT_EQ(numberAfter("IF [#1 EQ 0] GOTO 30", "GOTO"), "30");
    EXPECT_EQ(numberAfter("GOTO #5", "GOTO"), "");
    EXPECT_EQ(numberAfter("G01 X1", "GOTO"), std::nullopt);
    EXPECT_EQ(numberAfter("GOTO 1 0", "GOTO"), "1 0");
}

// The block's own P word and GOTO, as the NC reader reads them: a P or a
// GOTO in a comment before them no longer hides them; a line whose block
// has none is read by characters as before.
TEST(JumpTarget, TheNumbersAreTheBlocksOwnWords)
{
    EXPECT_EQ(jumpNumbers("(PART A) M98 P5").program, "5");
    EXPECT_EQ(jumpNumbers("(P2) M98 P1000 L3").program, "1000");
    EXPECT_EQ(jumpNumbers("M98 P 12 L2").program, "12");
    EXPECT_EQ(jumpNumbers("(PART A)").program, "") << "a P in a comment only: an empty number, as by characters";
    EXPECT_EQ(jumpNumbers("M98 P#1").program, "");
    EXPECT_EQ(jumpNumbers("G01 X1.").program, std::nullopt);
    EXPECT_EQ(jumpNumbers("m98 p0100").program, "0100");
    EXPECT_EQ(jumpNumbers("(SEE GOTO 5) IF [#1 EQ 0] GOTO 30").block, "30");
    EXPECT_EQ(jumpNumbers("N10 GOTO20").block, "20");
    EXPECT_EQ(jumpNumbers("GOTO 1 0").block, "1 0") << "still found out as no integer";
    EXPECT_EQ(jumpNumbers("GOTO #5").block, "");
    EXPECT_EQ(jumpNumbers("G01 X1.(GOTO 5)").block, "5") << "no statement: read by characters";
    EXPECT_EQ(jumpNumbers("G01 X1.").block, std::nullopt);
}

TEST(JumpTarget, NumberValues)
{
    EXPECT_EQ(numberValue("0020"), 20);
    EXPECT_EQ(numberValue("2147483647"), 2147483647);
    EXPECT_EQ(numberValue("2147483648"), std::nullopt);
    EXPECT_EQ(numberValue(""), std::nullopt);
    EXPECT_EQ(numberValue("1 0"), std::nullopt);
}

TEST(JumpTarget, APNumberCallsTheProgramOfThatNumber)
{
    const std::vector<std::string> entries{"O0100", "O1000 (X)", "O2100"};
    EXPECT_EQ(calledProgram(entries, "1000"), 1u);
    EXPECT_EQ(calledProgram(entries, "100"), 0u) << "O0100, leading zeros aside";
    EXPECT_EQ(calledProgram({"O1000", "O2100"}, "100"), std::nullopt) << "O1000 merely contains 100";
    EXPECT_EQ(calledProgram(entries, "500"), std::nullopt);
    EXPECT_EQ(calledProgram(entries, ""), std::nullopt);
    EXPECT_EQ(calledProgram({"O", "O12(A)"}, "12"), 1u);
}

TEST(JumpTarget, TheBlockIsSoughtWithinTheCaretsProgram)
{
    const std::string text = "O1\r\nN10 G0\r\nN0030 G01 X10.\r\nGOTO 30\r\nGOTO 40\r\nO2\r\nN40\r\n";
    const std::size_t gotoLine = text.find("GOTO 30");
    BlockSearch b = findBlock(text, gotoLine, "30");
    ASSERT_EQ(b.result, BlockSearch::Result::Found) << "above the GOTO";
    EXPECT_EQ(text.substr(b.start, b.length), "N0030 ") << "N, the digits and the space behind";
    EXPECT_EQ(findBlock(text, text.find("GOTO 40"), "40").result, BlockSearch::Result::NotFound)
        << "N40 belongs to the next program";
    EXPECT_EQ(findBlock(text, text.find("N40"), "40").result, BlockSearch::Result::Found);

    // No program start above: from the first line, to the end of the text.
    EXPECT_EQ(findBlock("N5\r\nGOTO 5\r\n", 4, "5").start, 0u);
    EXPECT_EQ(findBlock("O9\r\nG0\r\nGOTO 7", 8, "7").result, BlockSearch::Result::NotFound);
    // A : line starts a program too.
    EXPECT_EQ(findBlock("N7\r\n:0001\r\nGOTO 7\r\n", 10, "7").result, BlockSearch::Result::NotFound);

    // A number that is no integer shows at the first block line.
    b = findBlock(text, gotoLine, "");
    EXPECT_EQ(b.result, BlockSearch::Result::BadNumber);
    EXPECT_EQ(b.badNumber, "");
    EXPECT_EQ(findBlock("O1\r\nG0\r\nGOTO\r\n", 8, "").result, BlockSearch::Result::NotFound)
        << "no block line: nothing to compare";
    b = findBlock("O1\r\nN G0\r\nGOTO 1\r\n", 10, "1");
    EXPECT_EQ(b.result, BlockSearch::Result::BadNumber) << "the block's own number is empty";

    // At most twenty digits and spaces are selected.
    const std::string longBlock = "N1" + std::string(30, ' ') + "X\r\nGOTO 1\r\n";
    b = findBlock(longBlock, longBlock.find("GOTO"), "1");
    EXPECT_EQ(b.length, 21u);
}
