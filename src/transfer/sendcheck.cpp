#include "transfer/sendcheck.h"

#include "nc/ncblock.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <optional>

namespace marbolt {

namespace {

// The first byte of a Shift-JIS double-byte character.
bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length of the character that starts at p.
std::size_t charLength(std::string_view text, std::size_t p)
{
    return isLeadByte(static_cast<unsigned char>(text[p])) && p + 1 < text.size() ? 2 : 1;
}

// What the reader finds in the blocks, as the check names it. The
// characters the first look reports (a byte from 0x80 up, a control
// character) are read as marks of their own, so that the second byte of
// a Japanese character is no letter, and a letter whose value is such a
// character, a stray ")" or "%" and an unclosed comment are left to that
// look's own finding.
std::vector<CheckFinding> blockFindings(std::string_view text)
{
    constexpr char kReported = '\x80';
    auto reportedByte = [](unsigned char b) { return b >= 0x80 || (b < 0x20 && b != '\t' && b != '\r'); };
    std::vector<CheckFinding> findings;
    nc::Block block;
    std::string marked;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (std::any_of(line.begin(), line.end(), [&](char c) { return reportedByte(static_cast<unsigned char>(c)); })) {
            marked.assign(line);
            for (std::size_t p = 0; p < marked.size(); ++p) {
                if (!reportedByte(static_cast<unsigned char>(marked[p])))
                    continue;
                const std::size_t length = charLength(line, p);
                marked.replace(p, length, length, kReported);
                p += length - 1;
            }
            line = marked;
        }
        nc::readBlock(line, block);
        for (const nc::LineFinding &f : block.findings) {
            std::optional<CheckKind> kind;
            switch (f.kind) {
            case nc::FindingKind::LetterWithoutValue: {
                std::size_t next = f.column + 1;
                while (next < line.size() && (line[next] == ' ' || line[next] == '\t' || line[next] == ','))
                    ++next;
                if (next >= line.size() || line[next] != kReported)
                    kind = CheckKind::LetterWithoutValue;
                break;
            }
            case nc::FindingKind::NumberWithoutAddress:
                kind = CheckKind::NumberWithoutAddress;
                break;
            case nc::FindingKind::NumberTooLong:
                kind = CheckKind::NumberTooLong;
                break;
            case nc::FindingKind::UnclosedBracket:
                kind = CheckKind::UnclosedBracket;
                break;
            case nc::FindingKind::UnknownCharacter: {
                const auto b = static_cast<unsigned char>(line[f.column]);
                if (b > 0x20 && b < 0x7F && b != ')' && b != '%')
                    kind = CheckKind::NotInLanguage;
                break;
            }
            case nc::FindingKind::UnclosedComment:
                break;
            }
            if (kind)
                findings.push_back({start + f.column, *kind, false, 0, 0});
        }
        start = end + 1;
    }
    return findings;
}

}  // namespace

QString checkKindText(CheckKind kind)
{
    switch (kind) {
    case CheckKind::NotInIso:
        return QStringLiteral("ISOコードで送れない文字");
    case CheckKind::NotInEia:
        return QStringLiteral("EIAコードにない文字 (空白で送られます)");
    case CheckKind::Control:
        return QStringLiteral("制御文字");
    case CheckKind::Unclosed:
        return QStringLiteral("閉じていない \"(\"");
    case CheckKind::StrayClose:
        return QStringLiteral("\"(\" のない \")\"");
    case CheckKind::PercentInside:
        return QStringLiteral("途中の \"%\" (NC機はここで読み込みを終えます)");
    case CheckKind::LetterWithoutValue:
        return QStringLiteral("値のないアドレス");
    case CheckKind::NumberWithoutAddress:
        return QStringLiteral("アドレスのない数値");
    case CheckKind::NumberTooLong:
        return QStringLiteral("桁数が多すぎる数値");
    case CheckKind::UnclosedBracket:
        return QStringLiteral("閉じていない \"[\"");
    case CheckKind::NotInLanguage:
        return QStringLiteral("NCプログラムにない記号");
    }
    return {};
}

std::vector<CheckFinding> checkSendText(std::string_view text, PunchCode code)
{
    // The bytes that need a look; runs of others are skipped at once. A
    // second byte of a double-byte character is never "(", ")", "%" or LF,
    // and is stepped over with its first.
    std::array<bool, 256> look{};
    look['('] = look[')'] = look['%'] = look['\n'] = true;
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<std::uint8_t>(b);
        if (code == PunchCode::Iso)
            look[c] = look[c] || c >= 0x80 || ((c < 0x20 || c == 0x7F) && c != '\r' && c != '\t');
        else if (code == PunchCode::Eia)
            look[c] = look[c] || (c != '\r' && c != ' ' && (c >= 0x80 || sendeia(c) == sendeia(' ')));
    }

    std::vector<CheckFinding> findings;
    // The end marker is the last "%"; a "%" at the very start is the lead.
    const std::size_t lastPercent = text.rfind('%');
    constexpr std::size_t none = std::string_view::npos;
    std::size_t open = none;         // the "(" of the comment we are in
    std::size_t placeholder = 0;     // its finding, "unclosed" until its ")" comes
    std::size_t pendingFrom = 0;     // the findings inside it
    auto add = [&](std::size_t at, CheckKind kind) { findings.push_back({at, kind, false, 0, 0}); };
    // At a line's end an open comment stays reported as unclosed, and what
    // followed its "(" lies in no comment the control knows the end of.
    auto endLine = [&] { open = none; };

    const std::size_t n = text.size();
    std::size_t p = 0;
    while (p < n) {
        while (p < n && !look[static_cast<unsigned char>(text[p])])
            ++p;
        if (p >= n)
            break;
        const auto b = static_cast<unsigned char>(text[p]);
        if (b == '\n') {
            endLine();
            ++p;
            continue;
        }
        if (b == '(') {
            // Inside a comment a "(" is text.
            if (open == none) {
                open = p;
                placeholder = findings.size();
                add(p, CheckKind::Unclosed);
                pendingFrom = findings.size();
            }
        } else if (b == ')') {
            if (open == none) {
                add(p, CheckKind::StrayClose);
            } else {
                for (std::size_t f = pendingFrom; f < findings.size(); ++f) {
                    findings[f].inComment = true;
                    findings[f].commentStart = open;
                    findings[f].commentEnd = p + 1;
                }
                // Closed after all: only the comment's own findings move.
                findings.erase(findings.begin() + static_cast<std::ptrdiff_t>(placeholder));
                open = none;
            }
        } else if (b == '%') {
            if (p != 0 && p != lastPercent)
                add(p, CheckKind::PercentInside);
        } else if (code == PunchCode::Iso) {
            add(p, b >= 0x80 ? CheckKind::NotInIso : CheckKind::Control);
        } else if (code == PunchCode::Eia) {
            add(p, CheckKind::NotInEia);
        }
        p += charLength(text, p);
    }
    endLine();

    // The blocks' findings among the characters', in the order of the text.
    std::vector<CheckFinding> words = blockFindings(text);
    if (!words.empty()) {
        std::vector<CheckFinding> all;
        all.reserve(findings.size() + words.size());
        std::merge(findings.begin(), findings.end(), words.begin(), words.end(), std::back_inserter(all),
                   [](const CheckFinding &a, const CheckFinding &b) { return a.offset < b.offset; });
        findings = std::move(all);
    }
    return findings;
}

TextPlace placeIn(std::string_view sjis, std::size_t offset)
{
    return PlaceWalk(sjis).at(offset);
}

TextPlace PlaceWalk::at(std::size_t offset)
{
    offset = std::min(offset, text_.size());
    if (offset < counted_) {
        // Back before the last place: walk again from the start.
        counted_ = line_ = lineStart_ = 0;
    }
    for (std::size_t lf = text_.find('\n', counted_); lf != std::string_view::npos && lf < offset;
         lf = text_.find('\n', lf + 1)) {
        ++line_;
        lineStart_ = lf + 1;
    }
    counted_ = offset;
    TextPlace place;
    place.line = line_;
    for (std::size_t p = lineStart_; p < offset; p += charLength(text_, p))
        ++place.column;
    return place;
}

std::string withoutFindingComments(std::string_view source, const PreparedText &prepared,
                                   const std::vector<CheckFinding> &findings)
{
    // The comments to leave out, as source extents, in order and once each.
    std::vector<std::pair<std::size_t, std::size_t>> cuts;
    for (const CheckFinding &f : findings) {
        if (!f.inComment)
            continue;
        const std::size_t start = prepared.sourceOffset(f.commentStart);
        const std::size_t last = prepared.sourceOffset(f.commentEnd - 1);
        if (start == std::string::npos || last == std::string::npos || last < start)
            continue;
        cuts.emplace_back(start, last + 1);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::string out;
    out.reserve(source.size());
    std::size_t at = 0;
    for (const auto &[start, end] : cuts) {
        if (start < at)
            continue;
        out.append(source.substr(at, start - at));
        at = end;
    }
    out.append(source.substr(std::min(at, source.size())));
    return out;
}

}  // namespace marbolt
