#pragma once
// The coordinates of a program moved, scaled, turned about Z or mirrored,
// and its feeds and speeds scaled. A block in G90 changes by value, one
// in G91 by its increments; the arc centres I/J/K turn with the axes and
// a mirror swaps G02/G03 and G41/G42. Each number keeps its form: with a
// decimal point and at least its decimals, or without one in the least
// increment (0.001 mm, 0.0001 inch). What cannot be transformed soundly
// is left as it stands and listed with its line.
#include "nc/lineedits.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt::nc {

// p' = M p + t in the XY plane; z' = sz z + tz.
struct Transform {
    double m00 = 1, m01 = 0, m10 = 0, m11 = 1;
    double tx = 0, ty = 0;
    double sz = 1, tz = 0;

    static Transform translation(double dx, double dy, double dz);
    // About the point (cx, cy, cz); factor > 0.
    static Transform scaling(double factor, double cx, double cy, double cz);
    // Counter-clockwise seen from +Z, about (cx, cy).
    static Transform rotation(double degrees, double cx, double cy);
    // X to 2 cx - X; Y to 2 cy - Y.
    static Transform mirrorX(double cx);
    static Transform mirrorY(double cy);

    bool turns() const { return m01 != 0 || m10 != 0; }
    bool mirrors() const { return m00 * m11 - m01 * m10 < 0; }
    // What a length (an arc's radius) is multiplied by.
    double lengthFactor() const;
};

struct TransformOptions {
    Transform transform;
    bool lathe = false;  // X a diameter, U/W increments; no turn or mirror
    LineRange lines;
};

enum class TransformRefusal {
    MacroValue,           // a coordinate given by a variable or an expression
    UnknownPosition,      // a turn needs the other axis, and where it is is not known
    IncrementalCycle,     // a canned cycle in G91 is not turned
    ArcOutsideXY,         // an arc of G18/G19 does not turn about Z
    CycleShift,           // the shift of G76/G87 (I, J, Q) under a turn or a mirror
    CoordinateSetting,    // G92, G52, G10, a lathe's G50: a coordinate system set
    MacroCall,            // G65/G66: its letters are arguments
    LatheTurn,            // a lathe's program cannot be turned or mirrored
};

struct TransformProblem {
    TransformRefusal reason;
    std::uint32_t line = 0;  // 0-based
};

struct TransformResult {
    std::string text;
    std::size_t blocks = 0;  // blocks changed
    std::vector<TransformProblem> refused;
};

TransformResult transformProgram(std::string_view text, const TransformOptions &options);

// F and S multiplied, but an F that is a thread's lead (G32, G33, G76, a
// lathe's G92) and the S of a speed clamp (G50, G92 S).
struct RateScale {
    double feed = 1;
    double spindle = 1;
    bool lathe = false;
    LineRange lines;
};
struct RateResult {
    std::string text;
    std::size_t words = 0;  // F and S words changed
    std::vector<TransformProblem> refused;  // F or S by a variable
};
RateResult scaleRates(std::string_view text, const RateScale &options);

// A value written in the form of a word: with a decimal point and at
// least `decimals` decimals (more when the value needs them, up to those
// of the increment), or without one as a count of increments.
std::string formatValue(double value, bool decimalPoint, int decimals, double increment);

}  // namespace marbolt::nc
