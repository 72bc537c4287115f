#pragma once
// A program restarted from one of its blocks, as an operator does after a
// broken tool: a header that puts the control back into the state the
// program had reached there (units, plane, work offset, tool and tool
// change, tool length offset, spindle, coolant, feed, a canned cycle
// armed without drilling) and brings the tool there from a safe Z, then
// the program from that block on. The state is the NC reader's, from the
// program's start to the block; what it cannot restore (a cutter
// compensation, a subprogram's own modal changes) is said.
#include "nc/ncmotion.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt::nc {

struct RestartOptions {
    MotionOptions motion;  // a lathe: X a diameter, T with its offset, no M06
    double safeZ = 50;     // mm (an inch program gets it in inches)
};

struct RestartPlan {
    std::string programLine;  // the O-line, with its line break ("" without one)
    std::string header;       // the blocks that restore the state, CR LF
    std::string rest;         // from the restart block to the program's end
    std::uint32_t line = 0;   // of the restart block, in the document (0-based)
    std::vector<std::string> notes;  // what an operator must check

    std::string text() const { return programLine + header + rest; }
};

// The program whose O-line (or the document's start) is at programStart,
// restarted at the first block at or after byte `from` (a line's start or
// inside it). nullopt when no block follows.
std::optional<RestartPlan> planRestart(std::string_view document, std::size_t programStart, std::size_t from,
                                       const RestartOptions &options);

// The byte where the block of sequence number n stands in the program at
// programStart; nullopt when none has it.
std::optional<std::size_t> findSequence(std::string_view document, std::size_t programStart, long n);

}  // namespace marbolt::nc
