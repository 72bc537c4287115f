#include "nc/lineedits.h"

#include <algorithm>

namespace marbolt::nc {

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    lines.reserve(text.size() / 24 + 1);
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t lf = text.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        lines.push_back({text.substr(start, end - start), start});
        if (lf == std::string_view::npos)
            break;
        start = lf + 1;
    }
    return lines;
}

bool opensProgram(std::string_view line, Block &probe)
{
    // Most lines hold none of the marks that can open a program: no reading.
    if (line.find_first_of("Oo:%") == std::string_view::npos)
        return false;
    readBlock(line, probe);
    return isProgramStart(probe) || probe.percent;
}

std::string applyEdits(const std::vector<Line> &lines, std::vector<std::vector<Edit>> &edits, std::size_t size)
{
    std::string text;
    text.reserve(size + lines.size() * 4);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::vector<Edit> &e = edits[i];
        std::sort(e.begin(), e.end(), [](const Edit &a, const Edit &b) { return a.from < b.from; });
        std::size_t at = 0;
        for (const Edit &edit : e) {
            text.append(lines[i].text.substr(at, edit.from - at));
            text += edit.text;
            at = edit.to;
        }
        text.append(lines[i].text.substr(at));
        if (i + 1 < lines.size())
            text += '\n';
    }
    return text;
}

std::optional<long> wholeNumber(const Word &w)
{
    if (w.text.empty() || !std::all_of(w.text.begin(), w.text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    if (!w.number || *w.number > 1e9)
        return std::nullopt;
    return static_cast<long>(*w.number);
}

}  // namespace marbolt::nc
