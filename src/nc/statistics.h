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
    std::size_t findings = 0;  // what the reader could not follow
};

// The program at byte `start` of document (its O-line), with what it
// calls; nullopt: the whole document in order.
ProgramStatistics statisticsOf(std::string_view document, std::optional<std::size_t> start,
                               const ReadOptions &options);

// "1:02:03", "2:05" (minutes and seconds under an hour).
std::string durationText(double seconds);

}  // namespace marbolt::nc
