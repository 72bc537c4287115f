#include "document/sjistext.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

#include "sjisbytes.h"

#include <random>
#include <string>

using namespace marbolt;

namespace {

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

// Converters carry nothing from one text to the next: whatever came before
// (stray bytes, characters without a code), a line decodes as it does alone
// and a save names the character that really fails.
namespace {

// A line of Shift-JIS bytes: ASCII, Japanese, half-width kana, and now and
// then a byte or pair that does not round-trip.
std::string randomSjisLine(std::mt19937 &rng)
{
    static const std::string pieces[] = {
        "G01X-1.5", "(", ")", sjis("荒取り"), sjis("ｶﾅ"), sjis("φ10"), "\xff", "\x80",
        "\x85\x9f", "\x81", "\xa0", "O1000", " ", sjis("①"), "\x82\xa0",
    };
    std::string line;
    const int n = static_cast<int>(rng() % 8);
    for (int i = 0; i < n; ++i)
        line += pieces[rng() % std::size(pieces)];
    // A lone lead byte at the end would take the line break as its trail.
    if (!line.empty() && isSjisLead(static_cast<unsigned char>(line.back())))
        line += ' ';
    return line;
}

}  // namespace

TEST(SjisState, ALineDecodesTheSameAloneAsInsideAnyFile)
{
    std::mt19937 rng(2026);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> lines(1 + rng() % 12);
        for (auto &l : lines)
            l = randomSjisLine(rng);
        std::string file;
        std::string expected;
        for (const auto &l : lines) {
            file += l + "\r\n";
            expected += decodeSjisFile(l) + "\r\n";
        }
        ASSERT_EQ(decodeSjisFile(file), expected) << "round " << round;
        // Japanese after a stray byte stays Japanese, not hex escapes.
        EXPECT_EQ(decodeSjisFile("\xff\r\n" + sjis("(荒取り)")), "\U0010FEFF\r\n(荒取り)");
    }
}

TEST(SjisState, AFailedEncodeLeavesLaterTextsUnharmed)
{
    SjisEncoder e;
    std::string out;
    ASSERT_TRUE(e.encode("(josé)", out).has_value());
    out.clear();
    EXPECT_FALSE(e.encode("(荒取り)", out).has_value()) << "the earlier failure is not carried";
    EXPECT_EQ(out, sjis("(荒取り)"));

    // The character named is the first one without a code, wherever the
    // failures stand and whatever failed before.
    std::mt19937 rng(7);
    const char32_t uncodable[] = {U'é', U'€', U'ß', U'😀'};
    for (int round = 0; round < 200; ++round) {
        std::string text;
        std::size_t firstAt = std::string::npos;
        char32_t first = 0;
        for (int i = 0; i < 12; ++i) {
            if (rng() % 5 == 0) {
                const char32_t cp = uncodable[rng() % std::size(uncodable)];
                if (firstAt == std::string::npos) {
                    firstAt = text.size();
                    first = cp;
                }
                appendUtf8(text, cp);
            } else {
                text += rng() % 2 ? "日本" : "X1.";
            }
        }
        out.clear();
        const auto failure = e.encode(text, out);
        if (firstAt == std::string::npos) {
            EXPECT_FALSE(failure.has_value()) << "round " << round;
            continue;
        }
        ASSERT_TRUE(failure.has_value()) << "round " << round;
        EXPECT_EQ(failure->codePoint, first) << "round " << round;
        EXPECT_EQ(failure->offset, firstAt) << "round " << round;
    }
}

// The decoder keeps the runs it converted: a run that comes again (the
// same comment on every program) gives the same text and the same counts
// of characters and escapes as the first time, valid or not.
TEST(SjisState, ARepeatedRunGivesWhatItGaveTheFirstTime)
{
    const std::vector<std::string> runs{sjis("(荒加工)"), "\xB1\xB2", "\x81\x7F\xFF", "\x85\x9F" + sjis("穴"),
                                        "\x80", sjis("ﾀｯﾌﾟ")};
    std::mt19937 rng(7);
    std::string file;
    std::string expected;
    std::uint64_t characters = 0, escapes = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string line = "G01X1." + runs[rng() % runs.size()];
        SjisFileDecoder alone;
        std::string out;
        alone.feed(line.data(), line.size(), true, out);
        expected += out + "\r\n";
        characters += alone.characters() + 2;
        escapes += alone.escapes();
        file += line + "\r\n";
    }
    SjisFileDecoder whole;
    std::string out;
    for (std::size_t at = 0; at < file.size(); at += 4096)
        whole.feed(file.data() + at, std::min<std::size_t>(4096, file.size() - at), at + 4096 >= file.size(), out);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(whole.characters(), characters);
    EXPECT_EQ(whole.escapes(), escapes);
    EXPECT_GT(escapes, 0u);
}
