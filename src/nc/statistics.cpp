#include "nc/statistics.h"

#include "nc/lineedits.h"

#include <algorithm>
#include <cmath>

namespace marbolt::nc {

namespace {

// The lines of the program at start (to the next O-line) or of the whole text.
std::string_view programText(std::string_view document, std::optional<std::size_t> start)
{
    if (!start)
        return document;
    const std::string_view rest = document.substr(std::min(*start, document.size()));
    std::size_t next = rest.find('\n');
    while (next != std::string_view::npos && next + 1 < rest.size() && rest[next + 1] != 'O' && rest[next + 1] != 'o')
        next = rest.find('\n', next + 1);
    return next == std::string_view::npos ? rest : rest.substr(0, next + 1);
}

}  // namespace

ProgramStatistics statisticsOf(std::string_view document, std::optional<std::size_t> start,
                               const ReadOptions &options)
{
    ProgramStatistics s;
    const std::string_view text = programText(document, start);
    Block block;
    bool unitSeen = false;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t lf = text.find('\n', at);
        const std::string_view line = text.substr(at, (lf == std::string_view::npos ? text.size() : lf) - at);
        ++s.lines;
        readBlock(line, block);
        if (!block.percent && !block.apostrophe && !isProgramStart(block) && (!block.words.empty() || block.macro()))
            ++s.blocks;
        block.forEach('G', [&](const Word &w) {
            if (!unitSeen && (w.number == 20.0 || w.number == 21.0)) {
                unitSeen = true;
                s.inch = w.number == 20.0;
            }
        });
        if (lf == std::string_view::npos)
            break;
        at = lf + 1;
    }

    const ProgramPath path = readProgram(document, start, options);
    s.moves = path.path.moves.size();
    s.moved = s.moves > 0;
    s.min = path.min;
    s.max = path.max;
    s.seconds = path.seconds;
    s.tools = path.tools;
    s.unfollowedCalls = path.findings.size();
    for (const MotionFinding &f : path.path.findings) {
        if (f.kind == MotionFindingKind::MacroSkipped || f.kind == MotionFindingKind::ValueNotANumber)
            ++s.unread;
        else
            ++s.arcFaults;
    }
    for (const Move &m : path.path.moves) {
        const double length = moveLength(m);
        if (m.kind == MoveKind::Rapid) {
            s.rapidLength += length;
            continue;
        }
        s.feedLength += length;
        if (m.feed > 0) {
            s.feedMin = s.fed ? std::min(s.feedMin, m.feed) : m.feed;
            s.feedMax = s.fed ? std::max(s.feedMax, m.feed) : m.feed;
            s.fed = true;
        }
    }
    return s;
}

std::string durationText(double seconds)
{
    const long long total = std::llround(std::max(0.0, seconds));
    const long long h = total / 3600, m = total / 60 % 60, sec = total % 60;
    char text[48];
    if (h > 0)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", h, m, sec);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", m, sec);
    return text;
}

}  // namespace marbolt::nc
