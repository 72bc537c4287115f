// Decoding what a machine punches out.
#include "transfer/receivedecoder.h"
#include "document/olines.h"

#include "serial/punchcodes.h"

#include <gtest/gtest.h>

using namespace marbolt;

namespace {

struct Result {
    std::string text;
    ReceiveDecoder::Step end = ReceiveDecoder::Step::Continue;
    std::vector<std::string> programs;
    long long bytes = 0;
};

// Feeds raw bytes as the receive loop does: detection first, then lines.
Result decode(const std::vector<std::uint8_t> &raw)
{
    ReceiveDecoder d;
    Result r;
    std::size_t i = 0;
    while (i < raw.size() && !d.detect(raw[i]))
        ++i;
    ++i;
    for (; i < raw.size(); ++i) {
        const auto step = d.feed(raw[i]);
        if (step == ReceiveDecoder::Step::LineFinished && isNumberedOLine(d.finishedLine()))
            r.programs.push_back(d.finishedLine());
        if (step == ReceiveDecoder::Step::EndPercent || step == ReceiveDecoder::Step::EndDc4) {
            r.end = step;
            break;
        }
    }
    r.text = d.text();
    r.bytes = d.receivedBytes();
    return r;
}

std::vector<std::uint8_t> isoTape(std::string_view text)
{
    std::vector<std::uint8_t> out(5, 0x00);
    for (char c : text)
        out.push_back(sendiso(static_cast<std::uint8_t>(c)));
    return out;
}

}  // namespace

TEST(ReceiveDecoder, IsoTape)
{
    const Result r = decode(isoTape("%\nO1234\nG01 X10.\nM30\n%\n"));
    EXPECT_EQ(r.text, "O1234\r\nG01 X10.\r\nM30\r\n%\r\n");
    EXPECT_EQ(r.end, ReceiveDecoder::Step::EndPercent);
    EXPECT_EQ(r.programs, std::vector<std::string>{"O1234"});
    EXPECT_EQ(r.bytes, 7 + 10 + 5);
}

TEST(ReceiveDecoder, EiaTape)
{
    std::vector<std::uint8_t> raw{0x00, 0x00, sendeia('%'), 0x80};
    for (char c : std::string("O1\nM30\n%"))
        raw.push_back(c == '\n' ? 0x80 : sendeia(static_cast<std::uint8_t>(c)));
    const Result r = decode(raw);
    EXPECT_EQ(r.text, "O1\r\nM30\r\n%\r\n");
    EXPECT_EQ(r.end, ReceiveDecoder::Step::EndPercent);
}

TEST(ReceiveDecoder, ColonsCommentsAndEnds)
{
    EXPECT_EQ(decode(isoTape("\n:1234\n%")).text, "O1234\r\n%\r\n");
    EXPECT_EQ(decode(isoTape("\n:1234\n%")).programs, std::vector<std::string>{"O1234"});
    EXPECT_EQ(decode(isoTape("\nG04(T:1)\n%")).text, "G04(T:1)\r\n%\r\n");
    // A "%" in a comment does not end the tape; a DC4 in one does.
    const Result inComment = decode(isoTape("\n(100%)\nM30\n%"));
    EXPECT_EQ(inComment.text, "(100%)\r\nM30\r\n%\r\n");
    const Result dc4 = decode(isoTape("\nO1\n(ABC\x14"));
    EXPECT_EQ(dc4.end, ReceiveDecoder::Step::EndDc4);
    EXPECT_EQ(dc4.text, "O1\r\n(ABC");
    // DC4 mid-line: the partial line is the last, without a line end.
    EXPECT_EQ(decode(isoTape("\nO1\nG01X\x14")).text, "O1\r\nG01X");
}

TEST(ReceiveDecoder, LinesIndexAndCounts)
{
    const Result r = decode(isoTape("\nO\n\n  O2000  \r\n%"));
    EXPECT_EQ(r.programs, std::vector<std::string>{"O2000"}) << "a lone O is not a program";
    EXPECT_EQ(r.text, "O\r\n\r\nO2000\r\n%\r\n");
    EXPECT_EQ(r.bytes, 3 + 2 + 7);
    // "%" right after the detecting line end.
    EXPECT_EQ(decode(isoTape("%\n%")).text, "%\r\n");
    // Bit 7 goes; the parity is not checked.
    EXPECT_EQ(decode({0x0A, 0xCF, 0x31, 0x0A, 0x25}).text, "O1\r\n%\r\n");
}

TEST(ReceiveDecoder, CountsFaultyBytesAndTheirLinesWithoutChangingTheText)
{
    // ISO: three bytes with bit 7 flipped, on the first three lines.
    std::vector<std::uint8_t> tape = isoTape("\nO1\nG1 X1.\nM30\n%");
    const std::vector<std::uint8_t> clean = tape;
    for (std::size_t at : {7u, 10u, 16u})
        tape[at] ^= 0x80;
    ReceiveDecoder d;
    std::size_t i = 0;
    while (!d.detect(tape[i]))
        ++i;
    while (++i < tape.size() && d.feed(tape[i]) != ReceiveDecoder::Step::EndPercent) {
    }
    EXPECT_EQ(d.faultyBytes(), 3);
    EXPECT_EQ(d.faultyLines(), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(d.text(), decode(clean).text);  // the parity bit is dropped as always

    // EIA: one byte that is no code; the tape delete (all holes) is none.
    std::vector<std::uint8_t> eia{0x00, 0x80};
    for (char c : std::string("G1"))
        eia.push_back(sendeia(static_cast<std::uint8_t>(c)));
    eia.push_back(0x7F);
    eia.push_back(0x80);
    eia.push_back(0x03);  // no EIA character
    eia.push_back(0x80);
    ReceiveDecoder e;
    std::size_t k = 0;
    while (!e.detect(eia[k]))
        ++k;
    while (++k < eia.size())
        e.feed(eia[k]);
    EXPECT_EQ(e.faultyBytes(), 1);
    EXPECT_EQ(e.faultyLines(), std::vector<std::size_t>{1});
}
