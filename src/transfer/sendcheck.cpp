#include "transfer/sendcheck.h"

#include <algorithm>

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
    }
    return {};
}

std::vector<CheckFinding> checkSendText(std::string_view text, PunchCode code)
{
    std::vector<CheckFinding> findings;
    // The end marker is the last "%"; a "%" at the very start is the lead.
    const std::size_t lastPercent = text.rfind('%');

    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        std::size_t open = std::string_view::npos;  // the "(" of the comment we are in
        // Findings inside the current comment wait for its ")".
        std::size_t pendingFrom = findings.size();
        for (std::size_t p = lineStart; p < lineEnd;) {
            const auto b = static_cast<unsigned char>(text[p]);
            const std::size_t length = charLength(text, p);
            auto add = [&](CheckKind kind) { findings.push_back({p, kind, false, 0, 0}); };
            if (b == '(' && open == std::string_view::npos) {
                open = p;
                pendingFrom = findings.size();
            } else if (b == ')') {
                if (open == std::string_view::npos) {
                    add(CheckKind::StrayClose);
                } else {
                    for (std::size_t f = pendingFrom; f < findings.size(); ++f) {
                        findings[f].inComment = true;
                        findings[f].commentStart = open;
                        findings[f].commentEnd = p + 1;
                    }
                    open = std::string_view::npos;
                }
            } else if (b == '%' && p != 0 && p != lastPercent) {
                add(CheckKind::PercentInside);
            }
            if (code == PunchCode::Iso) {
                if (b >= 0x80)
                    add(CheckKind::NotInIso);
                else if ((b < 0x20 || b == 0x7F) && b != '\r' && b != '\t')
                    add(CheckKind::Control);
            } else if (code == PunchCode::Eia) {
                // The line end goes out as its own code; a blank is a blank.
                if (b != '\r' && b != ' ' && (b >= 0x80 || sendeia(b) == sendeia(' ')))
                    add(CheckKind::NotInEia);
            }
            p += length;
        }
        if (open != std::string_view::npos) {
            // What came after the "(" is no comment the control knows the
            // end of: the findings in it stay outside any comment.
            findings.insert(findings.begin() + static_cast<std::ptrdiff_t>(pendingFrom),
                            CheckFinding{open, CheckKind::Unclosed, false, 0, 0});
        }
        lineStart = lineEnd + 1;
    }
    return findings;
}

TextPlace placeIn(std::string_view sjis, std::size_t offset)
{
    offset = std::min(offset, sjis.size());
    const std::size_t lf = offset == 0 ? std::string_view::npos : sjis.rfind('\n', offset - 1);
    TextPlace place;
    place.line = static_cast<std::size_t>(std::count(sjis.begin(), sjis.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
    for (std::size_t p = lf == std::string_view::npos ? 0 : lf + 1; p < offset; p += charLength(sjis, p))
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
