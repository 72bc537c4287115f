#include "document/sjistext.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace marbolt;

namespace {

std::string sjis(const char *utf8)
{
    QStringEncoder e("windows-31j");
    const QByteArray b = e.encode(QString::fromUtf8(utf8));
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

std::string encode(std::string_view editorText)
{
    SjisEncoder e;
    std::string out;
    const auto failure = e.encode(editorText, out);
    EXPECT_FALSE(failure.has_value());
    return out;
}

std::string keepCase(std::string_view bytes)
{
    return decodeSjisFile(bytes, SjisFileDecoder::Case::Keep);
}

}  // namespace

TEST(SjisDecode, JapaneseCommentsBecomeUtf8AndComeBack)
{
    const std::string file = sjis("O1000(荒加工 φ10 エンドミル)\r\n");
    const std::string text = decodeSjisFile(file);
    EXPECT_EQ(text, "O1000(荒加工 φ10 エンドミル)\r\n");
    EXPECT_EQ(encode(text), file);
}

TEST(SjisDecode, UpperCasesOnlyAsciiLettersNeverATrailByte)
{
    // "ッ" is 0x83 0x62 and "ソ" is 0x83 0x5C: trail bytes that look like 'b' and '\'.
    const std::string file = sjis("o1(ッソ)g01x-10.5");
    ASSERT_NE(file.find('\x62'), std::string::npos);
    const std::string text = decodeSjisFile(file);
    EXPECT_EQ(text, "O1(ッソ)G01X-10.5");
    EXPECT_EQ(encode(text), sjis("O1(ッソ)G01X-10.5"));
}

TEST(SjisDecode, EveryLineBreakFormBecomesCrLf)
{
    struct Row {
        const char *name;
        std::string in;
        std::string out;
    } rows[] = {
        {"lf", "A\nB\n", "A\r\nB\r\n"},
        {"cr", "A\rB\r", "A\r\nB\r\n"},
        {"crlf", "A\r\nB", "A\r\nB"},
        {"lf cr", "A\n\rB", "A\r\n\r\nB"},
        {"cr cr lf", "A\r\r\nB", "A\r\n\r\nB"},
        {"final cr", "A\r", "A\r\n"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(decodeSjisFile(r.in), r.out) << r.name;
}

TEST(SjisDecode, BytesThatAreNotShiftJisSurviveARoundTrip)
{
    struct Row {
        const char *name;
        std::string bytes;
    } rows[] = {
        {"lone 0xFF", "A\xff" "B"},
        {"lone 0xA0 and 0xFD", "\xa0\xfd"},
        {"unassigned pair 859F", "(\x85\x9f)"},
        {"lead then LF", "\x82\nX"},
        {"lead at end", "ABC\x82"},
        {"NEC-selected IBM duplicate ED40", "\xed\x40"},
        {"NEC duplicate of a JIS symbol 879A", "\x87\x9a"},
        {"user-defined area F040", "\xf0\x40"},
        {"utf-8 bytes read as Shift-JIS", "\xe3\x81\x82\xe3\x81\x84"},
    };
    for (const Row &r : rows) {
        const std::string text = keepCase(r.bytes);
        std::string back;
        SjisEncoder e;
        ASSERT_FALSE(e.encode(text, back).has_value()) << r.name;
        std::string expected = r.bytes;
        // The decoder writes CR LF for the lone LF.
        if (std::string(r.name) == "lead then LF")
            expected = "\x82\r\nX";
        EXPECT_EQ(back, expected) << r.name;
    }
}

TEST(SjisDecode, RandomBytesRoundTripExactly)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
        std::string bytes(static_cast<std::size_t>(rng() % 400), '\0');
        for (char &c : bytes) {
            unsigned v = rng() % 256;
            // Letters and line breaks are changed on purpose; everything else must come back.
            if ((v >= 'a' && v <= 'z') || v == '\r' || v == '\n')
                v = 0x81;
            c = static_cast<char>(v);
        }
        const std::string text = keepCase(bytes);
        std::string back;
        SjisEncoder e;
        ASSERT_FALSE(e.encode(text, back).has_value()) << "round " << round;
        ASSERT_EQ(back, bytes) << "round " << round;
    }
}

TEST(SjisDecode, ChunkBordersChangeNothing)
{
    const std::string file = sjis("o1(荒加工)\r\nG01\r\n") + "\x85\x9f\r" + sjis("(ャ)\nm30\r\n");
    const std::string whole = decodeSjisFile(file);
    for (std::size_t chunk = 1; chunk <= file.size(); ++chunk) {
        SjisFileDecoder d;
        std::string out;
        for (std::size_t at = 0; at < file.size(); at += chunk) {
            const std::size_t n = std::min(chunk, file.size() - at);
            d.feed(file.data() + at, n, at + n == file.size(), out);
        }
        ASSERT_EQ(out, whole) << "chunk " << chunk;
    }
}

TEST(SjisDecode, CountsCharactersWithLineBreaksAsTwo)
{
    SjisFileDecoder d;
    std::string out;
    const std::string file = sjis("O1(加工)\n\xff");
    d.feed(file.data(), file.size(), true, out);
    // O 1 ( 加 工 ) CR LF escape
    EXPECT_EQ(d.characters(), 9u);
    EXPECT_EQ(d.escapes(), 1u);
}

TEST(SjisEncode, ACharacterWithoutShiftJisCodeFailsInsteadOfBeingReplaced)
{
    SjisEncoder e;
    std::string out;
    const std::string text = "O1\r\n(€)\r\n";
    const auto failure = e.encode(text, out);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->codePoint, U'€');
    EXPECT_EQ(failure->offset, 5u);
}

TEST(SjisEncode, EscapesShowTheirBytes)
{
    EXPECT_EQ(escapeDisplay(kByteEscapeBase + 0x81), "x81");
    EXPECT_EQ(escapeDisplay(kPairEscapeBase + 0x859F), "x859F");
    EXPECT_EQ(escapeDisplay(U'A'), "");
}
