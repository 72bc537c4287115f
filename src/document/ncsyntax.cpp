#include "document/ncsyntax.h"

#include "nc/ncblock.h"

#include <algorithm>

namespace marbolt {

std::vector<NcSpan> ncLineSpans(std::string_view line)
{
    // The block as the NC reader reads it: what it takes for a word, a
    // comment or a "%" line is what is coloured so. The colouring runs on
    // the window's thread, line after line: one block is reused.
    static thread_local nc::Block block;
    nc::readBlock(line, block);
    std::vector<NcSpan> spans;
    if (block.percent) {
        spans.push_back({0, line.size(), NcWord::Percent});
        return spans;
    }
    auto offsetOf = [&line](std::string_view part) { return static_cast<std::size_t>(part.data() - line.data()); };
    for (const nc::Word &w : block.words) {
        const std::size_t valueStart = offsetOf(w.text);
        const std::size_t end = valueStart + w.text.size();
        if (w.corner) {
            // ",R" with the comma, then its value.
            spans.push_back({w.column, valueStart - w.column, NcWord::Address});
            spans.push_back({valueStart, w.text.size(), NcWord::Number});
            continue;
        }
        switch (w.letter) {
        case 'O':
        case 'N': spans.push_back({w.column, end - w.column, NcWord::ProgramNumber}); break;
        case 'G': spans.push_back({w.column, end - w.column, NcWord::GCode}); break;
        case 'M': spans.push_back({w.column, end - w.column, NcWord::MCode}); break;
        default:
            spans.push_back({w.column, 1, NcWord::Address});
            spans.push_back({valueStart, w.text.size(), NcWord::Number});
            break;
        }
    }
    for (const std::string_view comment : block.comments) {
        // With its "(" (or "'") and, when it is closed, its ")".
        const std::size_t start = offsetOf(comment) - 1;
        std::size_t end = offsetOf(comment) + comment.size();
        if (end < line.size() && line[end] == ')')
            ++end;
        spans.push_back({start, end - start, NcWord::Comment});
    }
    std::sort(spans.begin(), spans.end(), [](const NcSpan &a, const NcSpan &b) { return a.start < b.start; });
    return spans;
}

}  // namespace marbolt
