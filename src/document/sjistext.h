#pragma once
// Conversion between NC files (Shift-JIS, code page 932) and the editor's
// text (UTF-8, upper case, CR LF line breaks).
//
// Every byte of a file survives an open and a save: a byte or a byte pair
// that does not decode to a character that encodes back to the very same
// bytes (invalid bytes, unassigned codes, the duplicate NEC/IBM codes of
// code page 932) is carried in the editor as an escape code point of the
// supplementary private use planes, shown as its hex value, and written
// back as the original bytes.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace marbolt {

// Escape code points: U+10FE00 + byte for a single byte, U+F0000 + (lead << 8
// | trail) for a byte pair. Neither range is produced by decoding Shift-JIS.
constexpr char32_t kByteEscapeBase = 0x10FE00;  // stays clear of the noncharacter U+10FFFF
constexpr char32_t kPairEscapeBase = 0xF0000;

bool isSjisLead(unsigned char c);
bool isSjisTrail(unsigned char c);

// Appends the UTF-8 form of one code point.
void appendUtf8(std::string &out, char32_t cp);

// Streaming decoder for a file being opened. Feed the file in chunks of any
// size; the output is the editor text. ASCII a-z become A-Z (never a byte of
// a double-byte character); CR, LF and CR LF all become CR LF.
class SjisFileDecoder {
public:
    enum class Case { Upper, Keep };
    explicit SjisFileDecoder(Case letterCase = Case::Upper);

    // Converts data, appending to out. Bytes that may still belong to a
    // character, a byte pair or a CR LF split by the chunk border are kept
    // for the next call; pass last = true with the final chunk.
    void feed(const char *data, std::size_t size, bool last, std::string &out);

    // Characters produced so far, a line break counting two.
    std::uint64_t characters() const { return characters_; }

    // Escape code points produced so far (their hex forms need showing).
    std::uint64_t escapes() const { return escapes_; }

private:
    void convertRun(const unsigned char *run, std::size_t size, std::string &out);
    void convertNewRun(const unsigned char *run, std::size_t size, std::string &out);
    bool roundTrips(const unsigned char *bytes, std::size_t size, QString &decoded);

    // Runs of Shift-JIS bytes already converted: NC comments repeat ("(ﾀｯﾌﾟ
    // M8)", "(荒加工)"), and a run converts to the same text every time.
    struct ConvertedRun {
        std::string text;
        std::uint64_t characters = 0;
        std::uint64_t escapes = 0;
    };
    std::unordered_map<std::string, ConvertedRun> converted_;
    std::string runKey_;

    std::string carry_;
    bool upper_ = true;
    std::uint64_t characters_ = 0;
    std::uint64_t escapes_ = 0;
};

// Whole-buffer convenience for small texts (settings file, tests).
std::string decodeSjisFile(std::string_view bytes,
                           SjisFileDecoder::Case letterCase = SjisFileDecoder::Case::Upper);

struct EncodeFailure {
    std::size_t offset = 0;  // byte offset in the editor text
    char32_t codePoint = 0;  // the character that code page 932 cannot hold
};

// Encodes editor text (UTF-8) to Shift-JIS bytes, turning escape code points
// back into their original bytes. Fails on the first character that has no
// Shift-JIS code, instead of writing a substitute.
// Holds no converter state from one call to the next.
class SjisEncoder {
public:
    // Appends the bytes for text to out; nullopt on success.
    std::optional<EncodeFailure> encode(std::string_view text, std::string &out);

private:
    static bool encodeSegment(const QString &segment, std::string &out);
};

// Upper-cases ASCII a-z of editor text (UTF-8) in place; nothing else changes.
void upperAscii(std::string &text);
void upperAscii(QByteArray &text);
// The same for a QString: a-z become A-Z, full-width and every other letter stay.
QString upperAscii(QString text);

// Text for showing an escape code point ("x81", "x859F"); empty for other code points.
std::string escapeDisplay(char32_t cp);

// Decodes a UTF-8 sequence at text[i]; returns the code point and advances i.
// Invalid bytes give U+FFFD, clear *valid and advance by one.
char32_t nextCodePoint(std::string_view text, std::size_t &i, bool *valid = nullptr);

// The bytes of a QByteArray as a view, for the searches over editor text.
inline std::string_view viewOf(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Editor text for a plain Unicode string (message boxes, settings values).
std::string toEditorText(const QString &s);

}  // namespace marbolt
