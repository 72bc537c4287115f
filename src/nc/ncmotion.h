#pragma once
// The modal state of a Fanuc-style control, block after block, and the
// tool's path it gives: rapid and feed moves, arcs in the three planes
// (R or I/J/K, full circles), with the source line of each. What a block
// cannot mean soundly (an arc whose end is off its circle, an arc without
// a centre for its plane) is a finding with its line, and the block moves
// the tool to its end as written, so the path goes on.
//
// Numbers written without a point are in the least increment
// (0.001 mm, 0.0001 inch) as Fanuc reads them, unless the machine reads
// them as whole units ("calculator" input).
#include "nc/ncblock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace marbolt::nc {

struct Vec3 {
    double x = 0, y = 0, z = 0;
    friend bool operator==(const Vec3 &, const Vec3 &) = default;
};

enum class Plane { XY, ZX, YZ };  // G17, G18, G19

enum class MoveKind { Rapid, Feed, ArcCw, ArcCcw };

struct Move {
    MoveKind kind = MoveKind::Rapid;
    Vec3 from, to;
    Vec3 center;  // of an arc
    Plane plane = Plane::XY;
    double feed = 0;  // per minute, in the program's unit
    std::uint32_t line = 0;  // the source line of the block (0-based)
    int tool = 0;
};

enum class MotionFindingKind {
    ArcEndOffCircle,   // the end's distance from the centre is not the start's
    ArcWithoutCentre,  // G02/G03 with neither R nor a centre word of its plane
    ArcRadiusTooSmall, // R shorter than half the chord
    MacroSkipped,      // a macro statement: not evaluated, the path may differ
    ValueNotANumber,   // a motion word holds a variable or expression
};

struct MotionFinding {
    MotionFindingKind kind;
    std::uint32_t line = 0;
};

struct MotionOptions {
    bool calculatorInput = false;  // "X10" is 10 mm, not 0.010 mm
    double arcTolerance = 0.002;   // mm (inch programs: scaled)
};

// The state that carries from block to block.
struct ModalState {
    Vec3 position;
    int motion = 0;           // 0, 1, 2, 3 (G00..G03)
    Plane plane = Plane::XY;
    bool absolute = true;     // G90 / G91
    bool metric = true;       // G21 / G20
    int workOffset = 54;      // G54..G59
    int toolLength = 49;      // G43, G44, G49
    int lengthOffset = 0;     // H
    int cutterComp = 40;      // G40, G41, G42 (recorded, the path is not offset)
    double feed = 0;          // F
    double spindle = 0;       // S
    int spindleDirection = 5; // M03, M04, M05
    int tool = 0;             // in the spindle (after M06)
    int nextTool = 0;         // T called, waiting for M06
    bool coolant = false;     // M08 / M09
};

class MotionReader {
public:
    explicit MotionReader(MotionOptions options = {}) : options_(options) {}

    // Takes one block read from source line `line`; the moves it makes
    // go to moves, what it cannot mean to findings.
    void take(const Block &block, std::uint32_t line, std::vector<Move> &moves,
              std::vector<MotionFinding> &findings);

    const ModalState &state() const { return state_; }

private:
    double length(const Word &word) const;
    void arc(const Block &block, std::uint32_t line, const Vec3 &target, std::vector<Move> &moves,
             std::vector<MotionFinding> &findings);

    MotionOptions options_;
    ModalState state_;
};

}  // namespace marbolt::nc
