#pragma once
// A program of a document read as a control runs it: block after block
// from its O-line to M30, M02 or the next program, into the subprograms
// of the same document that M98 calls (P, with L or the repeat count in
// P's leading digits) and back at their M99 (to the block after the
// call, or to the sequence number M99 P names). Blocks with "/" are
// read, as with block skip off. What cannot be followed (a call to a
// program that is not in the document, calls nested too deep) is a
// finding with its line. The document's text is read where it lies,
// line by line, without copying it.
#include "nc/ncmotion.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt::nc {

// Where a program starts: its O-line.
struct ProgramStart {
    std::size_t offset = 0;   // byte of the O-line
    std::uint32_t line = 0;
};

// Every numbered program of a document, by number; the first of two with
// the same number is the one a call finds, as a control keeps one.
std::map<long, ProgramStart> programsOf(std::string_view document);
// The O-lines of those programs, as byte offsets in the order they stand.
std::vector<std::size_t> programOffsets(std::string_view document);

enum class ProgramFindingKind {
    MissingProgram,   // M98 calls a program the document does not hold
    NestedTooDeep,    // more calls within calls than a control allows
    MissingSequence,  // M99 P names a sequence number the caller lacks
};

struct ProgramFinding {
    ProgramFindingKind kind;
    std::uint32_t line = 0;
    long number = 0;  // the program or sequence number named
};

struct ToolUse {
    int tool = 0;
    std::uint32_t firstLine = 0;  // where it first cut or moved
    std::string comment;          // of that block or of its T block
};

struct ReadOptions {
    MotionOptions motion;
    double rapidRate = 10000;  // mm/min, for the time (an inch program's: divided by 25.4)
};

// What a block's own text holds that the language has no place for.
struct BlockFinding {
    FindingKind kind;
    std::uint32_t line = 0;
    std::uint32_t column = 0;
};

struct ProgramPath {
    Path path;
    std::vector<ProgramFinding> findings;
    std::vector<BlockFinding> blockFindings;  // each line once, however often it ran
    std::vector<ToolUse> tools;
    Vec3 min, max;  // the extents of every move; equal when nothing moved
    double seconds = 0;  // feeds at their F, rapids at the rapid rate, dwells
    ReadOptions options;  // as it was read
};

// Reads the program whose O-line is at byte `start` of document (or,
// with nullopt, every line of the document in order).
ProgramPath readProgram(std::string_view document, std::optional<std::size_t> start, const ReadOptions &options);

}  // namespace marbolt::nc
