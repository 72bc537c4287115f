#pragma once
// The program index of an NC document and the extent of one program, over
// the editor's text (UTF-8, CR LF, positions in the editor's units).
//
// An O-line is a line whose first character is "O"; its entry is the line
// up to, not including, its line break.
#include <QStringList>

#include <cstddef>
#include <optional>
#include <string>
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

// The entries the index box shows for program lines in document order:
// sorted when asked, and without the leading duplicate.
QStringList indexEntries(std::vector<std::string_view> lines, bool sorted);

// The index's entries gathered from a text that arrives in pieces (an
// open, while the editor takes the text in): the same list, in the same
// order, as the whole text's scan, sorted and with the leading duplicate
// dropped as the index box shows it. Pieces may end anywhere but inside a
// CR LF.
class ProgramLineCollector {
public:
    explicit ProgramLineCollector(bool sorted) : sorted_(sorted) {}
    void add(std::string_view piece, bool last);
    // The finished list, after the last piece.
    QStringList take() { return std::move(entries_); }

private:
    void scanLines(std::string_view completeLines);
    bool sorted_;
    std::string tail_;  // the unfinished last line
    std::vector<std::string> lines_;
    QStringList entries_;
};

// Where the line of an entry stands: the first line equal to the entry as a
// whole line; failing that, the first line that begins with it (a longer
// O-line); nullopt when none does or the entry is empty.
std::optional<std::size_t> findProgramLine(std::string_view text, std::string_view entry);
// The same, 0 when there is none.
std::size_t programStart(std::string_view text, std::string_view entry);

struct ProgramExtent {
    std::size_t start = 0;
    std::size_t end = 0;  // one past the last character
};

// The program runs from its start to just before the O of the next LF
// followed by O, so its last line break belongs to it; else to just before
// the next "%"; else to the end of the text. An empty entry starts at the
// second line.
ProgramExtent programExtent(std::string_view text, std::string_view entry);

// programExtent of every entry, found in one pass over the text instead of
// one search from the start per entry.
std::vector<ProgramExtent> programExtents(std::string_view text,
                                          const std::vector<std::string_view> &entries);

// The extent of each index entry (as the index box lists it) in text.
std::vector<ProgramExtent> entryExtents(std::string_view text, const QStringList &entries);

// The programs of the entries, in list order, each followed by a line
// break: several programs as one transmission.
std::string programsText(std::string_view text, const QStringList &entries);

// The lines printed as the program of an entry: from its own O-line (else
// from the line holding the entry's first occurrence anywhere, else from the
// line holding fallback) to the start of the first later line that is not
// empty and begins with O or holds a "%", or to the end of the text.
ProgramExtent printedProgramExtent(std::string_view text, std::string_view entry, std::size_t fallback);

// Whether the entry occurs anywhere in the text (an empty entry never does).
bool occursIn(std::string_view text, std::string_view entry);

}  // namespace marbolt
