#pragma once
// A text of several programs cut at its O-lines, as a tape brings them:
// each program's number, and its bytes from its O-line to the next one.
// Works on the bytes (Shift-JIS, any line ends), so every byte of the text
// is in exactly one piece.
#include <optional>
#include <string_view>
#include <vector>

namespace marbolt {

// The O-number of a line that opens a program ("O1234", ":1234", blanks
// before it allowed); nullopt for any other line.
std::optional<long> programNumber(std::string_view line);

// A line whose first character (after blanks) is "%": a tape's lead or end.
bool isPercentLine(std::string_view line);

// One program of a text: its O-number (none before the first O-line) and
// its bytes, from its O-line to the next one.
struct ReceivedProgram {
    std::optional<long> number;
    std::string_view bytes;
};
// The programs of a text as it came: the tape's "%" lines stay with the
// program they stand beside.
std::vector<ReceivedProgram> splitPrograms(std::string_view received);

}  // namespace marbolt
