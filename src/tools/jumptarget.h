#pragma once
// The targets a line of NC code names: the program behind a P address
// (M98 P1000) and the block behind a GOTO (GOTO 20 leads to N20). Pure:
// works over the editor's text (UTF-8, CR LF line breaks).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt {

// The longest run of digits and spaces directly behind the first keyword
// of the line, without its leading and trailing spaces; nullopt when the
// keyword does not occur.
std::optional<std::string> numberAfter(std::string_view line, std::string_view keyword);

// The numbers a line names, as the NC reader reads its block: the
// program is its P word's number and the block the number behind the
// GOTO of its macro statement, so a P or GOTO inside a comment before
// them does not hide them. A line whose block has no such word (a P only
// in a comment, "P#1") is read by characters, as numberAfter reads it.
struct JumpNumbers {
    std::optional<std::string> program;  // behind P
    std::optional<std::string> block;    // behind GOTO
};
JumpNumbers jumpNumbers(std::string_view line);

// The value of a number read that way: decimal, leading zeros allowed, in
// the signed 32-bit range; nullopt for an empty number, inner spaces or
// too many digits.
std::optional<int> numberValue(std::string_view number);

// The program a P number calls: the first entry whose O-number has the
// same value (P100 calls O0100, not O1000); nullopt when none has.
std::optional<std::size_t> calledProgram(const std::vector<std::string> &entries, std::string_view number);

struct BlockSearch {
    enum class Result { Found, NotFound, BadNumber } result = Result::NotFound;
    std::size_t start = 0;   // Found: the block's N
    std::size_t length = 0;  // Found: N and the digits and spaces behind it, at most 21
    std::string badNumber;   // BadNumber: the number that is not an integer
};

// The block numbered as the GOTO says, within the program that holds the
// caret line: from the line after the nearest program start line (O or :)
// at or above caretLineStart, down to the next program start or the end.
BlockSearch findBlock(std::string_view text, std::size_t caretLineStart, std::string_view number);

}  // namespace marbolt
