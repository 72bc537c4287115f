#include "transfer/checkreport.h"

#include <algorithm>
#include <cstdint>

namespace marbolt {

namespace {

// The first findings go into the list; the count names them all.
constexpr std::size_t kListedFindings = 1000;

// Editor positions of (line, column) places given in increasing order,
// found in one walk over the document's text, with the text of the line
// last walked to.
class PositionWalk {
public:
    explicit PositionWalk(std::string_view text) : text_(text) {}
    std::size_t at(std::size_t line, std::size_t column)
    {
        while (line_ < line) {
            const std::size_t lf = text_.find('\n', lineStart_);
            if (lf == std::string_view::npos) {
                lineStart_ = text_.size();
                line_ = line;
                return text_.size();
            }
            lineStart_ = lf + 1;
            ++line_;
        }
        std::size_t p = lineStart_;
        for (std::size_t c = 0; c < column && p < text_.size() && text_[p] != '\r' && text_[p] != '\n'; ++c)
            p = nextCharacter(p);
        return p;
    }
    // The line at() went to last, without its CR LF.
    QString lineText() const
    {
        std::size_t end = std::min(text_.find('\n', lineStart_), text_.size());
        if (end > lineStart_ && text_[end - 1] == '\r')
            --end;
        return QString::fromUtf8(text_.data() + lineStart_, static_cast<qsizetype>(end - lineStart_));
    }
    // Characters from the start of p's line up to p.
    std::size_t columnOf(std::size_t p) const
    {
        const std::size_t lf = p == 0 ? std::string_view::npos : text_.rfind('\n', p - 1);
        std::size_t column = 0;
        for (std::size_t q = lf == std::string_view::npos ? 0 : lf + 1; q < p; q = nextCharacter(q))
            ++column;
        return column;
    }

private:
    std::size_t nextCharacter(std::size_t p) const
    {
        // UTF-8: skip the continuation bytes.
        ++p;
        while (p < text_.size() && (static_cast<unsigned char>(text_[p]) & 0xC0) == 0x80)
            ++p;
        return p;
    }
    std::string_view text_;
    std::size_t line_ = 0;
    std::size_t lineStart_ = 0;
};

}  // namespace

SendCheckReport checkReport(const CheckedText &text, const std::vector<CheckFinding> &findings,
                            std::vector<std::size_t> &rowPositions)
{
    SendCheckReport report;
    report.total = static_cast<int>(std::min<std::size_t>(findings.size(), INT32_MAX));
    PositionWalk walk(text.document);
    // A selection's source is LF and the selected text: its first line is
    // the document's line that holds the selection's start, from the
    // selection's column on.
    std::size_t firstLine = 0;
    std::size_t selectionColumn = 0;
    if (text.selectionStart) {
        const std::size_t start = std::min(*text.selectionStart, text.document.size());
        firstLine = static_cast<std::size_t>(
            std::count(text.document.begin(), text.document.begin() + static_cast<std::ptrdiff_t>(start), '\n'));
        selectionColumn = walk.columnOf(start);
    }
    PlaceWalk places(text.source);
    for (std::size_t i = 0; i < findings.size() && i < kListedFindings; ++i) {
        const CheckFinding &f = findings[i];
        std::size_t at = text.prepared.sourceOffset(f.offset);
        if (at == std::string::npos)
            at = text.source.size();  // the end marker the send adds
        const TextPlace place = places.at(at);
        std::size_t line = place.line;
        std::size_t column = place.column;
        if (text.selectionStart) {
            line = firstLine + (place.line > 0 ? place.line - 1 : 0);
            if (place.line <= 1)
                column += selectionColumn;
        }
        rowPositions.push_back(walk.at(line, column));
        report.rows.append({static_cast<int>(line + 1), static_cast<int>(column + 1), checkKindText(f.kind),
                            walk.lineText()});
    }
    return report;
}

bool allInComments(const std::vector<CheckFinding> &findings)
{
    return std::all_of(findings.begin(), findings.end(), [](const CheckFinding &f) { return f.inComment; });
}

bool applyCheckChoice(SendCheckChoice choice, const std::vector<CheckFinding> &findings, const SendOptions &options,
                      std::string &source, PreparedText &prepared)
{
    switch (choice) {
    case SendCheckChoice::Cancel:
        return false;
    case SendCheckChoice::SendAsIs:
        return true;
    case SendCheckChoice::SendWithoutComments:
        break;
    }
    if (!allInComments(findings))
        return false;
    // The comments go from the transmission only; the document keeps them.
    source = withoutFindingComments(source, prepared, findings);
    prepared = prepareSendText(source, options);
    return true;
}

}  // namespace marbolt
