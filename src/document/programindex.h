#pragma once
// The program index of an NC document and the extent of one program, over
// the editor's text (UTF-8, CR LF, positions in the editor's units).
//
// An O-line is a line whose first character is "O"; its entry is the line
// up to, not including, its line break.
#include <cstddef>
#include <string_view>
#include <vector>

namespace marbolt {

// Entries in document order: the first line when it is an O-line, then the
// line after every LF that is followed by "O".
std::vector<std::string_view> scanProgramLines(std::string_view text);

// Order of the sorted index: letters compared without regard to case, the
// rest by character code, so O100 comes before O20. Stable for equal entries.
bool indexLess(std::string_view a, std::string_view b);
void sortIndex(std::vector<std::string_view> &entries);

// The index's rule for its first two entries: when they are equal, the
// first of them is removed. Further copies stay.
template <typename List, typename Equal>
void dropLeadingDuplicate(List &entries, Equal equal)
{
    if (entries.size() >= 2 && equal(entries[0], entries[1]))
        entries.erase(entries.begin());
}

// Where the program of an entry begins: the first line equal to the entry as
// a whole line; failing that, just after the first LF followed by the entry
// (the start of a longer line); failing that, 0.
std::size_t programStart(std::string_view text, std::string_view entry);

struct ProgramExtent {
    std::size_t start = 0;
    std::size_t end = 0;  // one past the last character
};

// The program runs from its start to just before the O of the next LF
// followed by O, so its last line break belongs to it; else to just before
// the next "%"; else to the end of the text.
ProgramExtent programExtent(std::string_view text, std::string_view entry);

// Whether the entry occurs anywhere in the text (an empty entry never does).
bool occursIn(std::string_view text, std::string_view entry);

}  // namespace marbolt
