// The words of an NC block as the colouring sees them.
#include "document/ncsyntax.h"

#include <gtest/gtest.h>

using namespace marbolt;

namespace {

std::string shown(std::string_view line)
{
    // One letter a byte: . plain, A address, 9 number, C comment, O program
    // number, G, M, % .
    std::string out(line.size(), '.');
    const char code[] = ".A9COGM%";
    for (const NcSpan &s : ncLineSpans(line))
        for (std::size_t i = 0; i < s.length; ++i)
            out[s.start + i] = code[static_cast<int>(s.word)];
    return out;
}

}  // namespace

TEST(NcSyntax, WordsOfABlock)
{
    EXPECT_EQ(shown("N10G01X-12.5Y3.F300M08"), "OOOGGGA99999A99A999MMM");
    EXPECT_EQ(shown("O1000(荒加工)"), std::string("OOOOO") + std::string(std::string("(荒加工)").size(), 'C'));
    EXPECT_EQ(shown("%"), "%");
    EXPECT_EQ(shown("% O1 (X)"), "%%%%%%%%") << "a % line is one colour";
    EXPECT_EQ(shown("G0 (OPEN TO THE END"), "GG.CCCCCCCCCCCCCCCC") << "an open comment ends with its line";
    EXPECT_EQ(shown("X1 ; #1=2"), "A9.......") << "nothing after the end of block is a word";
    // Lower-case words, a blank after the letter, a variable as the value.
    EXPECT_EQ(shown("n31 g01 x 46.4 y#1"), "OOO.GGG.A.9999.A99");
    EXPECT_EQ(shown("  % "), "%%%%");
    // A macro statement is left plain: its letters are no addresses.
    EXPECT_EQ(shown("N5 IF [#1 GT 0] GOTO 10"), "OO.....................");
    EXPECT_EQ(shown(":1234(X)"), "OOOOOCCC");
    // A corner round or chamfer: the comma with its letter, then the value.
    EXPECT_EQ(shown("G01X10.,R2.F100"), "GGGA999AA99A999");
    EXPECT_EQ(shown("X1. , C 0.5"), "A99.AAAA999");
    EXPECT_TRUE(ncLineSpans("").empty());
    // Spans are in order and never overlap.
    const auto spans = ncLineSpans("G01X1.(A)M30");
    for (std::size_t i = 1; i < spans.size(); ++i)
        EXPECT_GE(spans[i].start, spans[i - 1].start + spans[i - 1].length);
}
