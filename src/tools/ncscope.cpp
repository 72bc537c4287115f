#include "tools/ncscope.h"

#include "nc/pathreading.h"

#include <algorithm>

namespace marbolt {

namespace {

std::size_t lineStartAt(std::string_view text, std::size_t pos)
{
    pos = std::min(pos, text.size());
    const std::size_t lf = pos == 0 ? std::string_view::npos : text.rfind('\n', pos - 1);
    return lf == std::string_view::npos ? 0 : lf + 1;
}

// Just past the line break of the line holding pos (the text's end on the last line).
std::size_t lineEndAt(std::string_view text, std::size_t pos)
{
    const std::size_t lf = text.find('\n', std::min(pos, text.size()));
    return lf == std::string_view::npos ? text.size() : lf + 1;
}

std::uint32_t linesBetween(std::string_view text, std::size_t from, std::size_t to)
{
    return static_cast<std::uint32_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(from),
                                                 text.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
}

}  // namespace

NcStretch stretchFor(std::string_view document, NcScope scope, std::size_t selectionStart,
                     std::size_t selectionEnd)
{
    selectionStart = std::min(selectionStart, document.size());
    selectionEnd = std::clamp(selectionEnd, selectionStart, document.size());
    NcStretch s;
    switch (scope) {
    case NcScope::Document:
        s.end = s.linesEnd = document.size();
        break;
    case NcScope::Program: {
        const nc::ProgramSpan span = nc::programSpanAt(document, selectionStart);
        s.start = s.linesStart = span.start;
        s.end = s.linesEnd = span.end;
        break;
    }
    case NcScope::Selection: {
        s.linesStart = lineStartAt(document, selectionStart);
        // A selection down to the start of a line ends with the line before.
        const std::size_t last = selectionEnd > selectionStart && lineStartAt(document, selectionEnd) == selectionEnd
                                   ? selectionEnd - 1
                                   : selectionEnd;
        s.linesEnd = lineEndAt(document, last);
        s.start = nc::programSpanAt(document, s.linesStart).start;
        s.end = std::max(s.linesEnd, nc::programSpanAt(document, s.linesEnd == 0 ? 0 : s.linesEnd - 1).end);
        break;
    }
    }
    s.firstLine = linesBetween(document, 0, s.start);
    s.lines.first = linesBetween(document, s.start, s.linesStart);
    s.lines.end = s.lines.first + linesBetween(document, s.linesStart, s.linesEnd);
    // The lines' last line break ends the last line; without one the last
    // line is the text's unfinished one.
    if (s.linesEnd == s.linesStart || document[s.linesEnd - 1] != '\n')
        ++s.lines.end;
    return s;
}

}  // namespace marbolt
