#pragma once
// What an NC function of the editor works on. The selection's lines when
// there is a selection, else the program at the caret, or the whole
// document; the function reads the whole programs around those lines (a
// renumbering must see every reference of the program) and changes only
// the lines, but for what it says it follows outside them.
#include "nc/lineedits.h"

#include <cstddef>
#include <string_view>

namespace marbolt {

enum class NcScope { Selection, Program, Document };

struct NcStretch {
    std::size_t start = 0, end = 0;            // the programs read, whole lines
    std::size_t linesStart = 0, linesEnd = 0;  // the lines changed, with their line breaks
    nc::LineRange lines;                       // the same lines, counted from start
    std::size_t firstLine = 0;                 // the document's line at start, 0-based
};

// The selection [selectionStart, selectionEnd) stands for the lines it
// touches; a selection that ends at a line's start leaves that line out.
// With no selection, Selection means the caret's line.
NcStretch stretchFor(std::string_view document, NcScope scope, std::size_t selectionStart,
                     std::size_t selectionEnd);

// The scope a command without a dialog takes: the selection, else the
// program at the caret.
inline NcScope defaultScope(std::size_t selectionStart, std::size_t selectionEnd)
{
    return selectionEnd > selectionStart ? NcScope::Selection : NcScope::Program;
}

}  // namespace marbolt
