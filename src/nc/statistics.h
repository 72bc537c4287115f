#pragma once
// What a program amounts to, as a programmer checks it before it goes to
// the machine: its blocks, its tools with the block each first works in,
// where it moves, its feeds, and how long it runs (rapids at the machine's
// rate, feeds at their F, dwells), from the NC reader's path.
#include "nc/ncprogram.h"

#include <string>
#include <string_view>
#include <vector>

namespace marbolt::nc {

struct ProgramStatistics {
    std::size_t lines = 0;
    std::size_t blocks = 0;   // lines a control executes: words or a macro statement
    std::size_t moves = 0;
    double rapidLength = 0, feedLength = 0;  // in the program's unit
    bool moved = false;
    Vec3 min, max;
    bool fed = false;
    double feedMin = 0, feedMax = 0;  // per minute, of the moves that cut
    double seconds = 0;
    bool inch = false;  // G20 before any G21
    std::vector<ToolUse> tools;
    std::size_t unfollowedCalls = 0;  // M98 to a program not there, nested too deep, M99 P to no block
    std::size_t unread = 0;  // macro statements and values by variable: their moves are not known
    std::size_t arcFaults = 0;  // arcs whose end, centre or radius do not agree
};

// The program at byte `start` of document (its O-line), with what it
// calls; nullopt: the whole document in order.
ProgramStatistics statisticsOf(std::string_view document, std::optional<std::size_t> start,
                               const ReadOptions &options);

// "1:02:03", "2:05" (minutes and seconds under an hour).
std::string durationText(double seconds);

}  // namespace marbolt::nc
