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

// Whether a line opens a program: an O-line or a "%" line. probe is
// overwritten.
bool opensProgram(std::string_view line, Block &probe);

// The programs of a text, one at a time: f(first, end, number, blocks)
// for each [first, end) line range from an O-line or "%" line to the
// next, with the O-line's number when it has one and the blocks of its
// lines (blocks[i - first] for line i). The blocks are read again for
// each program into the same room, so a text of any length costs the
// blocks of its longest program.
template <typename F>
void forEachProgram(const std::vector<Line> &lines, F f)
{
    std::vector<Block> blocks;
    Block probe;
    std::size_t first = 0;
    while (first < lines.size()) {
        std::size_t end = first + 1;
        while (end < lines.size() && !opensProgram(lines[end].text, probe))
            ++end;
        if (blocks.size() < end - first)
            blocks.resize(end - first);
        for (std::size_t i = first; i < end; ++i)
            readBlock(lines[i].text, blocks[i - first]);
        std::optional<long> number;
        if (isProgramStart(blocks[0]))
            number = wholeNumber(blocks[0].words.front());
        f(first, end, number, static_cast<const std::vector<Block> &>(blocks));
        first = end;
    }
}

}  // namespace marbolt::nc
