#pragma once
// The kinds of line that open a program, by name. A line is given without
// its line break; ":" is the program-number mark of ISO tapes.
#include <QStringView>

#include <string_view>

namespace marbolt {

namespace olines_detail {
template <typename Line>
bool startsWith(const Line &line, char c)
{
    return !line.empty() && line.front() == c;
}
}  // namespace olines_detail

// An O-line: the first character is "O". The program index lists these.
inline bool isOLine(std::string_view line)
{
    return olines_detail::startsWith(line, 'O');
}

// An O-line with something after the O, as a program number: what the
// caret's own line must be to show in the index box, and what a received
// line must be to join it.
inline bool isNumberedOLine(std::string_view line)
{
    return line.size() >= 2 && line.front() == 'O';
}
inline bool isNumberedOLine(QStringView line)
{
    return line.size() >= 2 && line.front() == u'O';
}

// A program head: a numbered O-line, or a line opened by ":" with
// something after it. The index box follows these while the caret moves
// down and while a send runs.
inline bool isProgramHead(QStringView line)
{
    return line.size() >= 2 && (line.front() == u'O' || line.front() == u':');
}

// Any line opened by "O" or ":", however short: where a jump's search for
// the current program stops.
inline bool opensProgram(std::string_view line)
{
    return olines_detail::startsWith(line, 'O') || olines_detail::startsWith(line, ':');
}

}  // namespace marbolt
