// A block's form changed without its words: blanks between words, and the
// block skip.
#include "nc/blockform.h"
#include "nc/ncblock.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace marbolt::nc;

TEST(BlockForm, BlanksGoBetweenTheWordsOrAwayButNotInCommentsOrStatements)
{
    const std::string text = "%\r\nO1000 (MAIN  PART)\r\nN10G90G54 G00X0 Y0(START  HERE)\r\n"
                             "/2N20 G01 X 10. ,R 2. F100\r\n  IF [#1 GT 0] GOTO 10\r\nN30 #1 = #1 + 1\r\n"
                             "'MEMO  X1\r\n\r\nM30;  END\r\n%";
    EXPECT_EQ(withWordBlanks(text, true),
              "%\r\nO1000 (MAIN  PART)\r\nN10 G90 G54 G00 X0 Y0 (START  HERE)\r\n"
              "/2N20 G01 X10. ,R2. F100\r\nIF [#1 GT 0] GOTO 10\r\nN30 #1 = #1 + 1\r\n"
              "'MEMO  X1\r\n\r\nM30;  END\r\n%");
    EXPECT_EQ(withWordBlanks(text, false),
              "%\r\nO1000 (MAIN  PART)\r\nN10G90G54G00X0Y0(START  HERE)\r\n"
              "/2N20G01X10.,R2.F100\r\nIF [#1 GT 0] GOTO 10\r\nN30#1 = #1 + 1\r\n"
              "'MEMO  X1\r\n\r\nM30;  END\r\n%");
}

// Property: the words of every block are the same before and after, in
// either form, and the second of two runs changes nothing.
TEST(BlockForm, TheWordsStayTheWords)
{
    std::mt19937 random(9);
    const char *pieces[] = {"G01", "X-12.5", "Y 3.", "F100", "(A B)", " ", "  ", ",R1.", "M08", "/", "N5", "S1200"};
    for (int round = 0; round < 500; ++round) {
        std::string text;
        for (int line = 0; line < 5; ++line) {
            for (int k = 0; k < 6; ++k)
                text += pieces[random() % std::size(pieces)];
            text += "\r\n";
        }
        for (const bool spaced : {true, false}) {
            const std::string once = withWordBlanks(text, spaced);
            EXPECT_EQ(withWordBlanks(once, spaced), once) << text;
            std::size_t a = 0, b = 0;
            Block before, after;
            while (a < text.size() && b < once.size()) {
                const std::size_t ea = text.find('\n', a), eb = once.find('\n', b);
                readBlock(std::string_view(text).substr(a, ea - a), before);
                readBlock(std::string_view(once).substr(b, eb - b), after);
                ASSERT_EQ(before.words.size(), after.words.size()) << text;
                for (std::size_t w = 0; w < before.words.size(); ++w) {
                    EXPECT_EQ(before.words[w].letter, after.words[w].letter);
                    EXPECT_EQ(before.words[w].number, after.words[w].number);
                }
                EXPECT_EQ(before.comments, after.comments);
                EXPECT_EQ(before.skipLevel, after.skipLevel);
                a = ea + 1;
                b = eb + 1;
            }
        }
    }
}

TEST(BlockForm, TheBlockSkipIsPutOnTakenOffOrTurnedOver)
{
    const std::string text = "O1\r\nG00X0\r\n/G01X1.\r\n  /3G01X2.\r\n(NOTE)\r\n%";
    EXPECT_EQ(withBlockSkip(text, BlockSkipChange::Add), "O1\r\n/G00X0\r\n/G01X1.\r\n  /3G01X2.\r\n/(NOTE)\r\n%");
    EXPECT_EQ(withBlockSkip(text, BlockSkipChange::Remove), "O1\r\nG00X0\r\nG01X1.\r\n  G01X2.\r\n(NOTE)\r\n%");
    EXPECT_EQ(withBlockSkip(text, BlockSkipChange::Toggle), "O1\r\n/G00X0\r\nG01X1.\r\n  G01X2.\r\n/(NOTE)\r\n%");
    // Turned over twice, a block is as it was (a skip of a level comes
    // back as the plain one).
    EXPECT_EQ(withBlockSkip(withBlockSkip(text, BlockSkipChange::Toggle), BlockSkipChange::Toggle),
              "O1\r\nG00X0\r\n/G01X1.\r\n  /G01X2.\r\n(NOTE)\r\n%");
}
