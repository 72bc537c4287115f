#pragma once
// The check before a send: what in the text a send would put on the line
// a control cannot take or would misread. It looks at the prepared text
// (the lead and end marker on, the apostrophe lines left out), in
// Shift-JIS, before the punch code: its characters and comments, then
// each block as the NC reader reads it. Pure: text in, findings out, in
// the order of the text.
#include "serial/punchcodes.h"
#include "transfer/senddata.h"

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt {

enum class CheckKind {
    NotInIso,     // a byte from 0x80 up: Japanese text, half-width kana
    NotInEia,     // a character without an EIA code: it goes out as a blank
    Control,      // a control character other than LF, CR and TAB
    Unclosed,     // a "(" not closed on its line: the next blocks become comment
    StrayClose,   // a ")" without its "("
    PercentInside,  // a "%" other than the lead and the end: the control stops reading there
    // What the NC reader finds in a block, outside its comments:
    LetterWithoutValue,    // "X" with nothing after it
    NumberWithoutAddress,  // a number no letter stands before
    NumberTooLong,         // more digits than a control takes
    UnclosedBracket,       // a "[" of an expression not closed on its line
    NotInLanguage,         // a sign no word of a program has ("?", "@", "!"...)
};

// The kind as the check list names it.
QString checkKindText(CheckKind kind);

struct CheckFinding {
    std::size_t offset = 0;  // in the prepared text, at the character's first byte
    CheckKind kind = CheckKind::NotInIso;
    // Inside a comment "(" ... ")" of its line: its extent, the brackets
    // included, in the prepared text.
    bool inComment = false;
    std::size_t commentStart = 0;
    std::size_t commentEnd = 0;  // one past the ")"
};

std::vector<CheckFinding> checkSendText(std::string_view prepared, PunchCode code);

// Line (0-based, counted by LF) and column (0-based, in characters of the
// Shift-JIS text) of a source offset.
struct TextPlace {
    std::size_t line = 0;
    std::size_t column = 0;
};
TextPlace placeIn(std::string_view sjis, std::size_t offset);

// The places of many offsets, given in increasing order, in one walk over
// the text: a list of findings costs one pass, not one pass each.
class PlaceWalk {
public:
    explicit PlaceWalk(std::string_view sjis) : text_(sjis) {}
    TextPlace at(std::size_t offset);

private:
    std::string_view text_;
    std::size_t counted_ = 0;    // LFs are counted up to here
    std::size_t line_ = 0;
    std::size_t lineStart_ = 0;
};

// The source with the comments that hold findings left out, "(" through
// ")"; the findings must all lie inside comments.
std::string withoutFindingComments(std::string_view source, const PreparedText &prepared,
                                   const std::vector<CheckFinding> &findings);

}  // namespace marbolt
