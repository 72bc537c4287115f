#include "sjistext.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>
#include <optional>

namespace marbolt {

namespace {
// ICU's converter name for Microsoft's code page 932 (Shift-JIS with the
// NEC and IBM extensions), the code page of the systems this data comes from.
constexpr const char *kCodePage = "windows-31j";

// Qt 6.4's resetState() leaves a converter's error flag set: once one
// conversion has failed, hasError() stays true for every later one, and a
// single stray byte would turn every later character of a file into
// escapes. So no converter outlives a failure: each thread keeps one that
// has never failed and replaces it as soon as a conversion fails.
template <typename Converter>
Converter &unspentConverter(std::optional<Converter> &slot)
{
    if (!slot || slot->hasError())
        slot.emplace(kCodePage, QStringConverter::Flag::Stateless);
    else
        slot->resetState();
    return *slot;
}

// The characters of bytes, or nullopt when any byte does not decode.
std::optional<QString> decodeUnit(QByteArrayView bytes)
{
    thread_local std::optional<QStringDecoder> slot;
    QStringDecoder &decoder = unspentConverter(slot);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return decoded;
}

// The bytes of text, or nullopt when any character has no code.
std::optional<QByteArray> encodeUnit(QStringView text)
{
    thread_local std::optional<QStringEncoder> slot;
    QStringEncoder &encoder = unspentConverter(slot);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

}  // namespace

bool isSjisLead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool isSjisTrail(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

void appendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t nextCodePoint(std::string_view text, std::size_t &i, bool *valid)
{
    const auto c = static_cast<unsigned char>(text[i]);
    if (valid)
        *valid = true;
    auto bad = [&]() -> char32_t {
        if (valid)
            *valid = false;
        ++i;
        return 0xFFFD;
    };
    if (c < 0x80) {
        ++i;
        return c;
    }
    int extra = 0;
    char32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        extra = 1;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        extra = 2;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        extra = 3;
        cp = c & 0x07;
    } else {
        return bad();
    }
    if (i + extra >= text.size())
        return bad();
    for (int k = 1; k <= extra; ++k) {
        const auto t = static_cast<unsigned char>(text[i + k]);
        if ((t & 0xC0) != 0x80)
            return bad();
        cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))
        || (cp >= 0xD800 && cp <= 0xDFFF))
        return bad();
    i += extra + 1;
    return cp;
}

std::string escapeDisplay(char32_t cp)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string s;
    if (cp >= kByteEscapeBase && cp <= kByteEscapeBase + 0xFF) {
        const unsigned b = cp - kByteEscapeBase;
        s = {'x', hex[b >> 4], hex[b & 15]};
    } else if (cp >= kPairEscapeBase && cp <= kPairEscapeBase + 0xFFFF) {
        const unsigned p = cp - kPairEscapeBase;
        s = {'x', hex[(p >> 12) & 15], hex[(p >> 8) & 15], hex[(p >> 4) & 15], hex[p & 15]};
    }
    return s;
}

std::string toEditorText(const QString &s)
{
    const QByteArray u = s.toUtf8();
    return std::string(u.constData(), static_cast<std::size_t>(u.size()));
}

QString upperAscii(QString text)
{
    for (QChar &c : text)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 'a' + 'A');
    return text;
}

namespace {

// UTF-8 continuation and lead bytes are all >= 0x80, so a-z are always
// whole characters here.
template <typename Bytes>
void upperAsciiBytes(Bytes &text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}

}  // namespace

void upperAscii(std::string &text)
{
    upperAsciiBytes(text);
}

void upperAscii(QByteArray &text)
{
    upperAsciiBytes(text);
}

// ---------------------------------------------------------------- decoding

SjisFileDecoder::SjisFileDecoder(Case letterCase) : upper_(letterCase == Case::Upper) {}

bool SjisFileDecoder::roundTrips(const unsigned char *bytes, std::size_t size, QString &decoded)
{
    const QByteArrayView in(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size));
    auto characters = decodeUnit(in);
    if (!characters || characters->isEmpty())
        return false;
    decoded = std::move(*characters);
    const auto back = encodeUnit(decoded);
    return back && QByteArrayView(*back) == in;
}

void SjisFileDecoder::convertRun(const unsigned char *run, std::size_t size, std::string &out)
{
    constexpr std::size_t kLongestKept = 64;
    constexpr std::size_t kMostKept = 4096;
    if (size > kLongestKept) {
        convertNewRun(run, size, out);
        return;
    }
    runKey_.assign(reinterpret_cast<const char *>(run), size);
    if (const auto found = converted_.find(runKey_); found != converted_.end()) {
        out.append(found->second.text);
        characters_ += found->second.characters;
        escapes_ += found->second.escapes;
        return;
    }
    const std::size_t at = out.size();
    const std::uint64_t characters = characters_, escapes = escapes_;
    convertNewRun(run, size, out);
    if (converted_.size() >= kMostKept)
        converted_.clear();
    converted_.emplace(runKey_, ConvertedRun{out.substr(at), characters_ - characters, escapes_ - escapes});
}

void SjisFileDecoder::convertNewRun(const unsigned char *run, std::size_t size, std::string &out)
{
    QString decoded;
    if (roundTrips(run, size, decoded)) {
        const QByteArray u = decoded.toUtf8();
        out.append(u.constData(), static_cast<std::size_t>(u.size()));
        characters_ += static_cast<std::uint64_t>(decoded.size());
        return;
    }
    // Something in this run does not survive a round trip: go unit by unit.
    std::size_t i = 0;
    while (i < size) {
        const std::size_t unit =
            (isSjisLead(run[i]) && i + 1 < size && isSjisTrail(run[i + 1])) ? 2 : 1;
        if (roundTrips(run + i, unit, decoded)) {
            const QByteArray u = decoded.toUtf8();
            out.append(u.constData(), static_cast<std::size_t>(u.size()));
            characters_ += static_cast<std::uint64_t>(decoded.size());
        } else {
            const char32_t cp = unit == 2
                ? kPairEscapeBase + (static_cast<char32_t>(run[i]) << 8 | run[i + 1])
                : kByteEscapeBase + run[i];
            appendUtf8(out, cp);
            ++characters_;
            ++escapes_;
        }
        i += unit;
    }
}

void SjisFileDecoder::feed(const char *data, std::size_t size, bool last, std::string &out)
{
    const unsigned char *b;
    std::size_t n;
    std::string joined;
    if (!carry_.empty()) {
        joined = std::move(carry_);
        joined.append(data, size);
        carry_.clear();
        b = reinterpret_cast<const unsigned char *>(joined.data());
        n = joined.size();
    } else {
        b = reinterpret_cast<const unsigned char *>(data);
        n = size;
    }
    out.reserve(out.size() + n + n / 16);

    std::size_t i = 0;
    while (i < n) {
        // Plain ASCII: copy in one go up to the next line end or byte
        // above 0x7F, upper-casing on the way. Such a byte only ever starts
        // a character, so a-z here are always letters of their own.
        std::size_t j = i;
        while (j < n && b[j] < 0x80 && b[j] != '\r' && b[j] != '\n')
            ++j;
        if (j > i) {
            const std::size_t at = out.size();
            out.append(reinterpret_cast<const char *>(b + i), j - i);
            if (upper_) {
                char *p = out.data() + at;
                for (std::size_t k = 0; k < j - i; ++k) {
                    const char c = p[k];
                    p[k] = static_cast<char>(c - ((c >= 'a' && c <= 'z') ? 'a' - 'A' : 0));
                }
            }
            characters_ += j - i;
            i = j;
            continue;
        }
        const unsigned char c = b[i];
        if (c == '\n') {
            out.append("\r\n", 2);
            characters_ += 2;
            ++i;
        } else if (c == '\r') {
            if (i + 1 >= n && !last)
                break;  // LF may follow in the next chunk
            out.append("\r\n", 2);
            characters_ += 2;
            i += (i + 1 < n && b[i + 1] == '\n') ? 2 : 1;
        } else {
            // A run of Shift-JIS bytes: single bytes >= 0x80 and lead/trail
            // pairs, whose trail may be an ASCII letter that must stay as is.
            std::size_t k = i;
            while (k < n && b[k] >= 0x80) {
                if (isSjisLead(b[k]) && k + 1 < n && isSjisTrail(b[k + 1]))
                    k += 2;
                else
                    k += 1;
            }
            if (k >= n && !last)
                break;  // the run may go on in the next chunk
            convertRun(b + i, k - i, out);
            i = k;
        }
    }
    if (i < n)
        carry_.assign(reinterpret_cast<const char *>(b + i), n - i);
}

std::string decodeSjisFile(std::string_view bytes, SjisFileDecoder::Case letterCase)
{
    SjisFileDecoder d(letterCase);
    std::string out;
    d.feed(bytes.data(), bytes.size(), true, out);
    return out;
}

// ---------------------------------------------------------------- encoding

bool SjisEncoder::encodeSegment(const QString &segment, std::string &out)
{
    const auto bytes = encodeUnit(segment);
    if (!bytes)
        return false;
    out.append(bytes->constData(), static_cast<std::size_t>(bytes->size()));
    return true;
}

std::optional<EncodeFailure> SjisEncoder::encode(std::string_view text, std::string &out)
{
    out.reserve(out.size() + text.size());
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        std::size_t j = i;
        while (j < n && static_cast<unsigned char>(text[j]) < 0x80)
            ++j;
        out.append(text.data() + i, j - i);
        i = j;
        if (i >= n)
            break;
        // A run of non-ASCII characters.
        QString segment;
        std::size_t segmentStart = i;
        auto flush = [&]() -> std::optional<EncodeFailure> {
            if (segment.isEmpty())
                return std::nullopt;
            if (!encodeSegment(segment, out)) {
                // Find the first character that has no code.
                std::size_t p = segmentStart;
                while (p < n) {
                    const std::size_t at = p;
                    const char32_t cp = nextCodePoint(text, p);
                    std::string probe;
                    if (!encodeSegment(QString::fromUcs4(&cp, 1), probe))
                        return EncodeFailure{at, cp};
                }
                return EncodeFailure{segmentStart, 0xFFFD};
            }
            segment.clear();
            return std::nullopt;
        };
        while (i < n && static_cast<unsigned char>(text[i]) >= 0x80) {
            const std::size_t at = i;
            bool valid = true;
            const char32_t cp = nextCodePoint(text, i, &valid);
            if (!valid) {
                // Not valid UTF-8: cannot come from the editor's own text.
                return EncodeFailure{at, cp};
            }
            if (cp >= kByteEscapeBase && cp <= kByteEscapeBase + 0xFF) {
                if (auto f = flush())
                    return f;
                out.push_back(static_cast<char>(cp - kByteEscapeBase));
                segmentStart = i;
            } else if (cp >= kPairEscapeBase && cp <= kPairEscapeBase + 0xFFFF) {
                if (auto f = flush())
                    return f;
                const unsigned p = cp - kPairEscapeBase;
                out.push_back(static_cast<char>(p >> 8));
                out.push_back(static_cast<char>(p & 0xFF));
                segmentStart = i;
            } else {
                if (segment.isEmpty())
                    segmentStart = at;
                if (cp >= 0x10000) {
                    segment.append(QChar::highSurrogate(cp));
                    segment.append(QChar::lowSurrogate(cp));
                } else {
                    segment.append(QChar(static_cast<char16_t>(cp)));
                }
            }
        }
        if (auto f = flush())
            return f;
    }
    return std::nullopt;
}

}  // namespace marbolt
