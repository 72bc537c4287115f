#pragma once
// Sequence numbers written anew or taken out. Anew: every block of each program (or only the
// blocks numbered already) gets N start, start + step, ..., and the words
// that name a block of the same program by its number follow it: GOTO n,
// M99 Pn, M98 Qn without another program's P, and on a lathe the P and Q
// of G70-G73 (on a machining centre G73 is a peck drill, its Q a depth).
// O-lines, "%" lines, apostrophe lines and lines without a word stay as
// they are. Pure: text in, text out, with what could not be followed.
#include "nc/lineedits.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt::nc {

struct RenumberOptions {
    long start = 10;
    long step = 10;
    int digits = 0;            // zero-padded to at least this many digits (N0010); 0: none
    bool onlyNumbered = false;  // only the blocks that have an N already
    bool lathe = false;
    // The blocks numbered anew; the references to them follow wherever
    // they stand in their program.
    LineRange lines;
};

enum class RenumberProblemKind {
    MissingTarget,     // a reference to a number no block of the program has: left as it is
    VariableTarget,    // GOTO #1, GOTO [#1+1]: a target only the control knows
    DuplicateNumber,   // two blocks of a program had the number: references to it are left
    NumberTooLarge,    // a new number beyond 99999, more than a control takes
    ClashOutside,      // a new number that a block outside the range keeps
};

struct RenumberProblem {
    RenumberProblemKind kind;
    std::uint32_t line = 0;  // 0-based
    long number = 0;         // the number concerned, as it was
};

struct RenumberResult {
    std::string text;
    std::size_t blocks = 0;      // numbered anew
    std::size_t references = 0;  // words that name a block, rewritten
    std::size_t referencesOutside = 0;  // of them, those outside the range
    std::vector<RenumberProblem> problems;
};

RenumberResult renumber(std::string_view text, const RenumberOptions &options);

// The sequence numbers taken out of every block, but of the blocks that a
// word of their program names (GOTO, M99 P, M98 Q, a lathe's G70-G73 P/Q):
// those keep theirs and are listed. The blanks after a removed N go with it.
// Only the blocks of range lose theirs.
struct NumberRemoval {
    std::string text;
    std::size_t removed = 0;
    struct Kept {
        std::uint32_t line = 0;  // 0-based
        long number = 0;
    };
    std::vector<Kept> kept;
};
NumberRemoval removeNumbers(std::string_view text, bool lathe, LineRange range = {});

}  // namespace marbolt::nc
