#pragma once
// What the functions that rewrite NC text share: the text cut into its
// lines, each read into a block, changes collected per line and applied in
// one pass, and the stretch of lines a function may change. The line
// breaks stay as they are, so a result has as many lines as its text.
#include "nc/ncblock.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt::nc {

struct Line {
    std::string_view text;  // without its LF (a CR stays)
    std::size_t start = 0;  // in the whole text
};
std::vector<Line> splitLines(std::string_view text);
std::vector<Block> readBlocks(const std::vector<Line> &lines);

// The lines [first, end) of a text, 0-based: those a function changes. The
// lines around them are read for what they say (the program's number, the
// blocks a reference names) and left alone.
struct LineRange {
    std::uint32_t first = 0;
    std::uint32_t end = std::numeric_limits<std::uint32_t>::max();
    bool holds(std::size_t line) const { return line >= first && line < end; }
};

// One change to a line: bytes [from, to) become text.
struct Edit {
    std::size_t from, to;
    std::string text;
};
// The text with every line's edits made (each line's sorted by place).
std::string applyEdits(const std::vector<Line> &lines, std::vector<std::vector<Edit>> &edits, std::size_t size);

// An O-line: a block whose first word is O.
inline bool isProgramStart(const Block &b)
{
    return !b.words.empty() && b.words.front().letter == 'O';
}

// A plain whole number as a word's text ("10", not "10.", "#1" or "-1").
std::optional<long> wholeNumber(const Word &w);

// The programs of a text: f(first, end, number) for each [first, end)
// line range from an O-line or "%" line to the next, with the O-line's
// number when it has one.
template <typename F>
void forEachProgram(const std::vector<Block> &blocks, F f)
{
    std::size_t first = 0;
    while (first < blocks.size()) {
        std::size_t end = first + 1;
        while (end < blocks.size() && !isProgramStart(blocks[end]) && !blocks[end].percent)
            ++end;
        std::optional<long> number;
        if (isProgramStart(blocks[first]))
            number = wholeNumber(blocks[first].words.front());
        f(first, end, number);
        first = end;
    }
}

}  // namespace marbolt::nc
