#pragma once
// The words of an NC block for colouring, as the NC reader reads them:
// address letters and their values, G and M codes, O and N numbers,
// comments and "%" lines. One block (line) at a time: nothing carries
// from one line to the next, so a "(" left open colours the rest of its
// line only; what follows an end of block ";" is no word.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace marbolt {

enum class NcWord : std::uint8_t {
    Plain,
    Address,        // a letter of an address word, X10. -> X
    Number,         // its number, X10. -> 10.
    Comment,        // ( to ), or to the end of the line
    ProgramNumber,  // O1000, N10
    GCode,          // G01
    MCode,          // M30
    Percent,        // a line that begins with %
};
inline constexpr int kNcWordKinds = 8;

struct NcSpan {
    std::size_t start = 0;  // within the line
    std::size_t length = 0;
    NcWord word = NcWord::Plain;
    bool operator==(const NcSpan &) const = default;
};

// The coloured spans of one line (without its line break), in order;
// plain text is left out.
std::vector<NcSpan> ncLineSpans(std::string_view line);

}  // namespace marbolt
