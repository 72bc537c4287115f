// What a send puts on the line, and the figures it shows on the way.
#include "transfer/senddata.h"
#include "document/textlines.h"
#include "../punchbytes.h"

#include <gtest/gtest.h>

using namespace marbolt;
using marbolt::testing::iso;

namespace {

std::string plain(std::string_view source, bool head = false)
{
    return prepareSendData(source, {head, PunchCode::None}).bytes;
}

}  // namespace

TEST(SendData, LineEndsAllBecomeCrLf)
{
    EXPECT_EQ(normaliseLineEnds("A\r\nB\rC\nD\n\rE"), "A\r\nB\r\nC\r\nD\r\nE");
    EXPECT_EQ(normaliseLineEnds("\r\n\r\n"), "\r\n\r\n");
    EXPECT_EQ(normaliseLineEnds("\n\r\n"), "\r\n\r\n");  // LF CR, then LF
    EXPECT_EQ(normaliseLineEnds(""), "");
}

TEST(SendData, LeadAndEndMarker)
{
    struct Case {
        const char *name;
        std::string text;
        bool head;
        std::string expected;
    };
    const Case cases[] = {
        {"O1/M30 example", "O1\r\nM30", false, "\nO1\r\nM30\n%"},
        {"starts and ends with %", "%\r\nO1\r\nM30\r\n%", false, "%\r\nO1\r\nM30\r\n%"},
        {"only % is the first character", "%\r\nO1", false, "%\r\nO1\n%"},
        {"HEAD% puts % LF in front", "O1\r\n%", true, "%\nO1\r\n%"},
        {"HEAD% adds no second %", "%\r\nO1\r\n%", true, "%\r\nO1\r\n%"},
        {"empty selection still gets lead and end", "\n", false, "\n\r\n\n%"},
        {"empty selection with HEAD%", "\n", true, "%\n\r\n\n%"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(plain(c.text, c.head), c.expected);
    }
}

TEST(SendData, TheIsoExampleByteForByte)
{
    const SendData d = prepareSendData("O1\r\nM30", {false, PunchCode::Iso});
    EXPECT_EQ(d.bytes, iso("\nO1\r\nM30\n%"));
    EXPECT_EQ(d.feedchar, 0xA0);
    const SendData e = prepareSendData("O1\r\nM30", {false, PunchCode::Eia});
    std::string eia;
    for (char c : std::string("\nO1\r\nM30\n%"))
        eia += static_cast<char>(sendeia(static_cast<std::uint8_t>(c)));
    EXPECT_EQ(e.bytes, eia);
    EXPECT_EQ(e.feedchar, 0x10);
    const SendData n = prepareSendData("o1", {false, PunchCode::None});
    EXPECT_EQ(n.bytes, "\no1\n%");
    EXPECT_EQ(n.feedchar, 0xA0);
}

TEST(SendData, ApostropheCommentLines)
{
    EXPECT_EQ(plain("'first line\r\nO1\r\nM30\r\n%"), "\nO1\r\nM30\r\n%");
    EXPECT_EQ(plain("O1\r\n'mid\r\n'two\r\nM30\r\n%"), "\nO1\r\nM30\r\n%");
    EXPECT_EQ(plain("O1\r\nG01 X1. 'not a comment line\r\n%"), "\nO1\r\nG01 X1. 'not a comment line\r\n%");
    // Shorter than the window: the whole line goes.
    EXPECT_EQ(plain("O1\r\n'" + std::string(990, 'c') + "\r\nM30\r\n%"), "\nO1\r\nM30\r\n%");
    // Longer: exactly 1001 characters from the apostrophe on go, the rest is sent.
    const std::string longLine = "'" + std::string(1200, 'c');
    EXPECT_EQ(plain("O1\r\n" + longLine + "\r\nM30\r\n%"),
              "\nO1\r\n" + std::string(200, 'c') + "\r\nM30\r\n%");
    // The LF exactly 1000 characters past the apostrophe is still found.
    const std::string edge = "'" + std::string(998, 'c') + "\r";
    EXPECT_EQ(stripCommentLines("\n" + edge + "\nM30"), "\nM30");
}

TEST(SendData, APercentInACommentLineIsNoEnd)
{
    // The comment line is not sent, so its "%" cannot end the tape.
    EXPECT_EQ(plain("O1\r\n'100% FEED\r\nM30"), "\nO1\r\nM30\n%");
}

TEST(SendData, ProgramBoundaries)
{
    const std::string d = iso("\nO1\r\nM30\r\nO2\r\nM30\r\n%");
    std::vector<std::size_t> at;
    for (std::size_t k = 0; k < d.size(); ++k)
        if (isProgramBoundary(d, k))
            at.push_back(k);
    // Only the LF before O2: the O1 at the start is within the first bytes.
    ASSERT_EQ(at.size(), 1u);
    EXPECT_EQ(d.substr(at[0] + 1, 2), iso("O2"));

    // k + 3 < n: an O-line at the very end gets none.
    const std::string tail = iso("\nO1\r\nM30\r\nO2");
    bool any = false;
    for (std::size_t k = 0; k < tail.size(); ++k)
        any = any || isProgramBoundary(tail, k);
    EXPECT_FALSE(any);
    // k >= 6.
    const std::string early = iso("\nM3\r\nO2\r\nM30\r\n%");
    EXPECT_FALSE(isProgramBoundary(early, 5));
    const std::string eia = std::string("\x80\x80\x80\x80\x80\x80\x80\x46\x01\x02\x03", 11);
    EXPECT_TRUE(isProgramBoundary(eia, 6));
}

TEST(SendData, PacingPointsAndTheRemainingText)
{
    EXPECT_TRUE(isPacingPoint(0, 4800));
    EXPECT_TRUE(isPacingPoint(48, 4800));
    EXPECT_FALSE(isPacingPoint(47, 4800));
    EXPECT_TRUE(isPacingPoint(11, 110));
    EXPECT_TRUE(isPacingPoint(96, 9600));
    EXPECT_TRUE(isPacingPoint(3000000000ull, 4800)) << "k * 100 must not overflow";

    EXPECT_EQ(remainingText(10000, 4800 / 12, 4800), QStringLiteral("残り10000バイト(約25秒)"));
    EXPECT_EQ(remainingText(999, 110 / 12, 110), QStringLiteral("残り999バイト(約2分)"));
    EXPECT_EQ(remainingText(600, 10, 9600), QStringLiteral("残り600バイト(約60秒)"));
    EXPECT_EQ(remainingText(610, 10, 9600), QStringLiteral("残り610バイト(約1分)"));
    // Halves to even.
    EXPECT_EQ(remainingText(25, 10, 9600), QStringLiteral("残り25バイト(約2秒)"));
    EXPECT_EQ(remainingText(35, 10, 9600), QStringLiteral("残り35バイト(約4秒)"));
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    // A rate of 0 never divides: the line speed's estimate stands in.
    EXPECT_EQ(remainingText(100, 0, 4800), QStringLiteral("残り100バイト(約0秒)"));
    EXPECT_EQ(remainingText(100, 0, 10), QStringLiteral("残り100バイト(約2分)"));
    // The faster lines: at 115200 bit/s the estimate is 9600 bytes a
    // second, and a pacing point falls every 1152 bytes.
    EXPECT_EQ(remainingText(115200, 0, 115200), QStringLiteral("残り115200バイト(約12秒)"));
    EXPECT_TRUE(isPacingPoint(1152, 115200));
    EXPECT_FALSE(isPacingPoint(1151, 115200));
    EXPECT_TRUE(isPacingPoint(576, 57600));
}

TEST(SendData, LineStarts)
{
    const auto starts = lineStarts("O1\r\nM30\r\n");
    EXPECT_EQ(starts, (std::vector<std::size_t>{0, 4, 9}));
    EXPECT_EQ(lineAt(starts, 0), 0u);
    EXPECT_EQ(lineAt(starts, 3), 0u);
    EXPECT_EQ(lineAt(starts, 4), 1u);
    EXPECT_EQ(lineAt(starts, 100), 2u);
}
