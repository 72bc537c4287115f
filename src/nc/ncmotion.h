#pragma once
// The modal state of a Fanuc-style control, block after block, and the
// tool's path it gives: rapid and feed moves, arcs in the three planes
// (R or I/J/K, full circles), the holes of the canned cycles with their
// moves, each with the source line of its block. What a block
// cannot mean soundly (an arc whose end is off its circle, an arc without
// a centre for its plane) is a finding with its line, and the block moves
// the tool to its end as written, so the path goes on.
//
// Numbers written without a point are in the least increment
// (0.001 mm, 0.0001 inch) as Fanuc reads them, unless the machine reads
// them as whole units ("calculator" input).
#include "nc/movelist.h"
#include "nc/ncblock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace marbolt::nc {

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

// A hole of a canned cycle: from the R level down to its bottom.
struct Hole {
    Vec3 top;     // at the R level
    Vec3 bottom;  // at Z
    int cycle = 81;  // G73, G76, G81..G89
    std::uint32_t line = 0;
};

// A lathe cycle met: G70-G76 (recorded), G90, G92, G94 (cut).
struct CycleRecord {
    int code = 0;
    std::uint32_t line = 0;
};

// What the reader makes of the blocks it takes.
struct Path {
    MoveList moves;
    std::vector<Hole> holes;
    std::vector<CycleRecord> cycles;
    std::vector<MotionFinding> findings;
    double dwellSeconds = 0;  // G04, all together
};

// An arc in its plane's two axes (see Plane): the radius, where it starts
// (radians from the plane's first axis) and how far it turns (negative:
// clockwise); a full circle turns 2 pi.
struct ArcSweep {
    double radius = 0;
    double start = 0;
    double sweep = 0;
};
ArcSweep arcSweep(const Move &arc);
// The length the tool travels along a move, arcs and helices included.
double moveLength(const Move &move);

struct MotionOptions {
    bool calculatorInput = false;  // "X10" is 10 mm, not 0.010 mm
    double arcTolerance = 0.002;   // mm (inch programs: scaled)
    // A lathe (G code system A): X a diameter, U/W/V increments, the ZX
    // plane, G90/G92/G94 turning cycles, G70-G76 recorded, G98/G99 feed
    // per minute/revolution, G50 the coordinate setting.
    bool lathe = false;
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
    // Canned cycles: the cycle (0: none, G80), the return level and the
    // values they keep from block to block.
    int cycle = 0;            // 73, 76, 81..89
    bool returnToInitial = true;  // G98 / G99
    double initialZ = 0;      // where the tool was when the cycle began
    double cycleR = 0;        // R level, absolute
    double cycleZ = 0;        // hole bottom, absolute
    double cycleQ = 0;        // peck (G73, G83) or shift (G76)
    // A lathe's.
    int latheCycle = 0;       // G90, G92, G94: modal until a move of G00-G03
    Vec3 latheCycleEnd;       // where its last cut ended
    bool feedPerRevolution = false;  // G99 (a lathe starts so), G98
    bool constantSurfaceSpeed = false;  // G96 / G97
};

class MotionReader {
public:
    explicit MotionReader(MotionOptions options = {}) : options_(options)
    {
        if (options_.lathe) {
            state_.plane = Plane::ZX;
            state_.feedPerRevolution = true;
        }
    }

    // Takes one block read from source line `line` into path.
    void take(const Block &block, std::uint32_t line, Path &path);

    const ModalState &state() const { return state_; }

private:
    double length(const Word &word) const;
    double feedPerMinute() const;
    // Where the block's axis words send the tool, from target for the
    // axes it leaves out; false when it has none.
    bool targetOf(const Block &block, bool setsOrigin, std::uint32_t line, Path &path, Vec3 &target);
    // A G code that means something else on a lathe: true when taken.
    bool latheCode(int code, std::uint32_t line, Path &path, bool &setsOrigin);
    void turningCycle(const Vec3 &target, std::uint32_t line, Path &path);
    void straight(MoveKind kind, const Vec3 &to, std::uint32_t line, Path &path);
    void arc(const Block &block, std::uint32_t line, const Vec3 &target, Path &path);
    // A canned cycle's block: its holes, at target or repeated from it.
    void cycle(const Block &block, std::uint32_t line, bool startsCycle, Path &path);
    void drill(std::uint32_t line, Path &path);

    MotionOptions options_;
    ModalState state_;
    bool recordedCycle_ = false;  // the block holds G70-G76
    bool latheCycleRuns_ = false;  // a turning cycle has cut since it was called
};

}  // namespace marbolt::nc
