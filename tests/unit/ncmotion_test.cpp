// The motion reader against hand-worked programs: moves, arcs in each
// plane by R and by I/J/K, the least increment, the modal words, and the
// blocks it cannot follow.
#include "nc/ncmotion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace marbolt::nc;

namespace {

struct Reading {
    MotionReader reader;
    Path path;
    MoveList &moves = path.moves;
    std::vector<MotionFinding> &findings = path.findings;
    explicit Reading(MotionOptions options = {}) : reader(options) {}
    // Feeds the lines of text, one block each, numbered from 0.
    Reading &operator()(const std::string &text)
    {
        std::istringstream in(text);
        std::string line;
        Block block;
        while (std::getline(in, line)) {
            readBlock(line, block);
            reader.take(block, lineCount++, path);
        }
        return *this;
    }
    std::uint32_t lineCount = 0;
    // The findings as (kind, line) pairs.
    std::vector<std::pair<MotionFindingKind, std::uint32_t>> found() const
    {
        std::vector<std::pair<MotionFindingKind, std::uint32_t>> out;
        for (const MotionFinding &f : findings)
            out.emplace_back(f.kind, f.line);
        return out;
    }
};

using Found = std::vector<std::pair<MotionFindingKind, std::uint32_t>>;

::testing::AssertionResult near(const Vec3 &got, const Vec3 &want)
{
    constexpr double eps = 1e-9;
    if (std::abs(got.x - want.x) < eps && std::abs(got.y - want.y) < eps && std::abs(got.z - want.z) < eps)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << got.x << ", " << got.y << ", " << got.z << ") is not ("
                                         << want.x << ", " << want.y << ", " << want.z << ")";
}

}  // namespace

TEST(Motion, RapidAndFeedInAbsoluteAndIncremental)
{
    Reading r;
    r("G90G00X10.Y20.\nG91G01X5.Z-1.F100\nY2.5\nG90X0");
    ASSERT_EQ(r.moves.size(), 4u);
    EXPECT_EQ(r.moves[0].kind, MoveKind::Rapid);
    EXPECT_TRUE(near(r.moves[0].to, {10, 20, 0}));
    EXPECT_EQ(r.moves[1].kind, MoveKind::Feed);
    EXPECT_TRUE(near(r.moves[1].from, {10, 20, 0}));
    EXPECT_TRUE(near(r.moves[1].to, {15, 20, -1}));
    EXPECT_EQ(r.moves[1].feed, 100);
    EXPECT_TRUE(near(r.moves[2].to, {15, 22.5, -1}));  // G01 and G91 hold
    EXPECT_TRUE(near(r.moves[3].to, {0, 22.5, -1}));
    EXPECT_EQ(r.moves[3].line, 3u);
    EXPECT_TRUE(r.findings.empty());
}

TEST(Motion, NumbersWithoutAPointAreInTheLeastIncrement)
{
    Reading metric;
    metric("G00X10Y1.Z-2500");
    EXPECT_TRUE(near(metric.moves[0].to, {0.010, 1, -2.5}));
    Reading inch;
    inch("G20G00X10Y1.");
    EXPECT_TRUE(near(inch.moves[0].to, {0.001, 1, 0}));
    Reading calculator(MotionOptions{true, 0.002});
    calculator("G00X10Y1.");
    EXPECT_TRUE(near(calculator.moves[0].to, {10, 1, 0}));
    // F is whole units whatever the point.
    Reading feed;
    feed("G01X1.F150");
    EXPECT_EQ(feed.moves[0].feed, 150);
}

TEST(Motion, ArcsByRadiusInTheXyPlane)
{
    // From (10, 0) to (0, 10), radius 10: counter-clockwise about the
    // origin; clockwise about (10, 10); and each the long way round with
    // a negative R, about the other centre.
    struct Case {
        const char *block;
        MoveKind kind;
        Vec3 centre;
    };
    for (const Case &c : {Case{"G03X0Y10.R10.", MoveKind::ArcCcw, {0, 0, 0}},
                          Case{"G02X0Y10.R10.", MoveKind::ArcCw, {10, 10, 0}},
                          Case{"G03X0Y10.R-10.", MoveKind::ArcCcw, {10, 10, 0}},
                          Case{"G02X0Y10.R-10.", MoveKind::ArcCw, {0, 0, 0}}}) {
        Reading r;
        r(std::string("G00X10.Y0\n") + c.block);
        ASSERT_EQ(r.moves.size(), 2u) << c.block;
        EXPECT_EQ(r.moves[1].kind, c.kind) << c.block;
        EXPECT_TRUE(near(r.moves[1].center, c.centre)) << c.block;
        EXPECT_TRUE(near(r.moves[1].to, {0, 10, 0})) << c.block;
        EXPECT_TRUE(r.findings.empty()) << c.block;
    }
}

TEST(Motion, ArcsByCentreInEachPlaneAndFullCircles)
{
    Reading xy;
    xy("G00X10.Y0\nG02X-10.Y0I-10.J0\nG03X-10.Y0I10.");
    EXPECT_TRUE(near(xy.moves[1].center, {0, 0, 0}));
    EXPECT_TRUE(near(xy.moves[2].center, {0, 0, 0}));  // J left out: 0
    EXPECT_TRUE(near(xy.moves[2].from, xy.moves[2].to));  // a full circle
    EXPECT_TRUE(xy.findings.empty());

    // G18: the arc's axes are Z then X, its centre words K and I.
    Reading zx;
    zx("G18G00X10.Z0\nG03X0Z10.R10.\nG02X-10.Z0K-10.I0");
    EXPECT_TRUE(near(zx.moves[1].center, {10, 0, 10}));
    EXPECT_EQ(zx.moves[1].plane, Plane::ZX);
    EXPECT_TRUE(near(zx.moves[2].center, {0, 0, 0}));
    EXPECT_TRUE(zx.findings.empty());

    // G19: Y then Z, J and K.
    Reading yz;
    yz("G19G00Y0Z0\nG02Y10.Z0J5.K0\nG03Y0Z-10.R-10.");
    EXPECT_TRUE(near(yz.moves[1].center, {0, 5, 0}));
    EXPECT_EQ(yz.moves[2].kind, MoveKind::ArcCcw);
    EXPECT_TRUE(yz.findings.empty());

    // A helix: the normal axis goes on along the arc.
    Reading helix;
    helix("G00X10.Y0Z0\nG03X0Y10.Z-5.R10.");
    EXPECT_TRUE(near(helix.moves[1].to, {0, 10, -5}));
    EXPECT_TRUE(near(helix.moves[1].center, {0, 0, 0}));
}

TEST(Motion, ArcsThatCannotBeFollowedAreFoundAndThePathGoesOn)
{
    Reading r;
    r("G00X10.Y0\nG03X0Y11.I-10.\nG02X0Y20.\nG03X40.Y20.R5.\nG91G01X1.");
    EXPECT_EQ(r.found(), (Found{{MotionFindingKind::ArcEndOffCircle, 1},
                                {MotionFindingKind::ArcWithoutCentre, 2},
                                {MotionFindingKind::ArcRadiusTooSmall, 3}}));
    EXPECT_EQ(r.moves[2].kind, MoveKind::Feed);  // straight to where it was asked
    EXPECT_TRUE(near(r.reader.state().position, {41, 20, 0}));
}

TEST(Motion, ModalWordsCarryFromBlockToBlock)
{
    Reading r;
    r("T1M06\nT2\nG54G43H1Z50.S1200M03\nM08\nG91G41D1G01X1.F80\nM06\nG20G57G49G40M05M09\nG17");
    const ModalState &s = r.reader.state();
    EXPECT_EQ(s.tool, 2);          // the second M06 took T2
    EXPECT_EQ(s.lengthOffset, 1);
    EXPECT_EQ(s.spindle, 1200);
    EXPECT_EQ(s.spindleDirection, 5);
    EXPECT_FALSE(s.coolant);
    EXPECT_EQ(s.workOffset, 57);
    EXPECT_EQ(s.toolLength, 49);
    EXPECT_EQ(s.cutterComp, 40);
    EXPECT_FALSE(s.metric);
    EXPECT_FALSE(s.absolute);
    EXPECT_EQ(s.feed, 80);
    ASSERT_EQ(r.moves.size(), 2u);
    EXPECT_EQ(r.moves[0].tool, 1);
    EXPECT_EQ(r.moves[1].tool, 1);
}

TEST(Motion, BlocksWhoseAxisWordsAreNoMove)
{
    Reading r;
    r("G00X5.Y5.\nG04X2.\nG91G28Z0\nG90G53Z-100.\nG92X0Y0\nG01X1.F10");
    ASSERT_EQ(r.moves.size(), 2u);
    EXPECT_TRUE(near(r.moves[1].from, {0, 0, 0}));  // G92 named the point the origin
    EXPECT_TRUE(near(r.moves[1].to, {1, 0, 0}));
}

TEST(Motion, MacroStatementsAndVariablesAreFoundNotGuessed)
{
    Reading r;
    r("#1=10.\nG00X#1Y2.\nIF[#1GT0]GOTO5");
    EXPECT_EQ(r.found(), (Found{{MotionFindingKind::MacroSkipped, 0},
                                {MotionFindingKind::ValueNotANumber, 1},
                                {MotionFindingKind::MacroSkipped, 2}}));
    ASSERT_EQ(r.moves.size(), 1u);
    EXPECT_TRUE(near(r.moves[0].to, {0, 2, 0}));  // Y alone moved
}

TEST(Motion, CannedCyclesDrillTheirHolesAndReturnAsAsked)
{
    Reading r;
    r("G90G00X0Y0Z50.\nG99G81X10.Y10.Z-5.R2.F100\nX20.\nG98G83X30.Z-10.R2.Q4.\nG80\nG00Z100.");
    ASSERT_EQ(r.path.holes.size(), 3u);
    EXPECT_TRUE(near(r.path.holes[0].top, {10, 10, 2}));
    EXPECT_TRUE(near(r.path.holes[0].bottom, {10, 10, -5}));
    EXPECT_EQ(r.path.holes[1].line, 2u);
    EXPECT_EQ(r.path.holes[2].cycle, 83);
    EXPECT_TRUE(near(r.path.holes[2].bottom, {30, 10, -10}));
    // The moves of each hole, by their ends and kinds.
    std::vector<std::pair<MoveKind, double>> zs;
    for (const Move &m : r.moves)
        zs.emplace_back(m.kind, m.to.z);
    using K = MoveKind;
    const std::vector<std::pair<MoveKind, double>> expected{
        {K::Rapid, 50}, {K::Rapid, 50}, {K::Rapid, 2}, {K::Feed, -5}, {K::Rapid, 2},  // G99: back to R
        {K::Rapid, 2}, {K::Feed, -5}, {K::Rapid, 2},                                  // at R already
        {K::Rapid, 2}, {K::Feed, -2}, {K::Rapid, 2}, {K::Rapid, -2}, {K::Feed, -6},   // pecks of 4
        {K::Rapid, 2}, {K::Rapid, -6}, {K::Feed, -10}, {K::Rapid, 2}, {K::Rapid, 50}, // G98: the initial level
        {K::Rapid, 100}};
    EXPECT_EQ(zs, expected);
    EXPECT_EQ(r.reader.state().cycle, 0);
}

TEST(Motion, IncrementalCyclesRepeatAlongTheirStep)
{
    Reading r;
    r("G90G00X0Y0Z10.\nG91G99G81X10.Y0Z-5.R-8.K3F50\nG81X5.Y5.Z-1.R1.K0\nG01X1.");
    ASSERT_EQ(r.path.holes.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(near(r.path.holes[i].top, {10.0 * (i + 1), 0, 2})) << i;
        EXPECT_TRUE(near(r.path.holes[i].bottom, {10.0 * (i + 1), 0, -3})) << i;
    }
    // K0 keeps the values and drills nothing; G01 ends the cycle.
    EXPECT_EQ(r.moves.back().kind, MoveKind::Feed);
    EXPECT_TRUE(near(r.moves.back().to, {31, 0, 2}));
}

TEST(Motion, ALatheReadsDiametersIncrementsAndItsPlane)
{
    MotionOptions lathe;
    lathe.lathe = true;
    Reading r(lathe);
    r("G50X200.Z100.\nG97S1000M03\nG00X50.Z2.\nG01Z-35.F0.2\nU10.W-5.\nG02X80.Z-50.R10.\nG04U1.5");
    ASSERT_EQ(r.moves.size(), 4u);
    EXPECT_TRUE(near(r.moves[0].from, {100, 0, 100}));  // G50 named a diameter of 200
    EXPECT_TRUE(near(r.moves[0].to, {25, 0, 2}));
    EXPECT_TRUE(near(r.moves[1].to, {25, 0, -35}));
    EXPECT_EQ(r.moves[1].feed, 200);  // 0.2 a turn at 1000 turns a minute
    EXPECT_TRUE(near(r.moves[2].to, {30, 0, -40}));  // U a diameter's increment
    // The arc in Z and X: clockwise, centre by the radius at (z -40, x 40).
    EXPECT_EQ(r.moves[3].plane, Plane::ZX);
    EXPECT_EQ(r.moves[3].kind, MoveKind::ArcCw);
    EXPECT_TRUE(near(r.moves[3].center, {40, 0, -40}));
    EXPECT_TRUE(near(r.moves[3].to, {40, 0, -50}));
    EXPECT_DOUBLE_EQ(r.path.dwellSeconds, 1.5);
    EXPECT_TRUE(r.findings.empty());
}

TEST(Motion, ALatheCutsItsTurningCyclesAndRecordsTheOthers)
{
    MotionOptions lathe;
    lathe.lathe = true;
    Reading r(lathe);
    r("G00X60.Z2.\nG90X50.Z-20.F0.2\nX45.\nG00X100.\nG71U2.R1.\nG71P10Q20U0.5W0.1F0.3\nG94X20.Z-2.");
    std::vector<std::pair<MoveKind, Vec3>> got;
    for (const Move &m : r.moves)
        got.emplace_back(m.kind, m.to);
    using K = MoveKind;
    const std::vector<std::pair<MoveKind, Vec3>> expected{
        {K::Rapid, {30, 0, 2}},
        {K::Rapid, {25, 0, 2}}, {K::Feed, {25, 0, -20}}, {K::Feed, {30, 0, -20}}, {K::Rapid, {30, 0, 2}},
        // X alone: the same Z end, a smaller diameter.
        {K::Rapid, {22.5, 0, 2}}, {K::Feed, {22.5, 0, -20}}, {K::Feed, {30, 0, -20}}, {K::Rapid, {30, 0, 2}},
        {K::Rapid, {50, 0, 2}},
        // G94 faces: Z first, then X in, back along Z, and home.
        {K::Rapid, {50, 0, -2}}, {K::Feed, {10, 0, -2}}, {K::Feed, {10, 0, 2}}, {K::Rapid, {50, 0, 2}}};
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, expected[i].first) << i;
        EXPECT_TRUE(near(got[i].second, expected[i].second)) << i;
    }
    std::vector<std::pair<int, std::uint32_t>> cycles;
    for (const CycleRecord &c : r.path.cycles)
        cycles.emplace_back(c.code, c.line);
    EXPECT_EQ(cycles, (std::vector<std::pair<int, std::uint32_t>>{{90, 1}, {90, 2}, {71, 4}, {71, 5}, {94, 6}}));
}

// Random programs of straight moves and arcs by R, in G90 and G91: the
// end of every block is where the program says, worked out apart from the
// reader, and every move starts where the last one ended.
TEST(Motion, EveryBlockEndsWhereTheProgramSays)
{
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> coordinate(-500, 500);
    std::uniform_int_distribution<int> pick(0, 5);
    for (int program = 0; program < 50; ++program) {
        MotionReader reader;
        Path path;
        MoveList &moves = path.moves;
        std::vector<MotionFinding> &findings = path.findings;
        Vec3 expected;
        bool absolute = true;
        Block block;
        for (std::uint32_t line = 0; line < 200; ++line) {
            const int kind = pick(random);
            std::ostringstream text;
            if (kind == 4)
                absolute = !absolute;
            text << (absolute ? "G90" : "G91");
            const double x = coordinate(random) / 10.0;
            const double y = coordinate(random) / 10.0;
            const double z = coordinate(random) / 100.0;
            text << (kind < 2 ? "G0" + std::to_string(kind) : kind < 4 ? "G0" + std::to_string(kind) : "G01");
            text << "X" << x << (x == std::floor(x) ? "." : "") << "Y" << y << (y == std::floor(y) ? "." : "") << "Z"
                 << z << (z == std::floor(z) ? "." : "");
            Vec3 target = absolute ? Vec3{x, y, z} : Vec3{expected.x + x, expected.y + y, expected.z + z};
            const double chord = std::hypot(target.x - expected.x, target.y - expected.y);
            if (kind == 2 || kind == 3)
                text << "R" << std::fixed << std::setprecision(6) << (chord / 2 + 1) << std::defaultfloat;
            text << "F100";
            const std::size_t before = moves.size();
            const std::string s = text.str();
            readBlock(s, block);
            reader.take(block, line, path);
            expected = target;
            ASSERT_TRUE(near(reader.state().position, expected)) << s;
            if (moves.size() > before) {
                ASSERT_TRUE(near(moves.back().to, expected)) << s;
                if (before > 0) {
                    ASSERT_TRUE(near(moves.back().from, moves[before - 1].to)) << s;
                }
            }
        }
        ASSERT_TRUE(findings.empty());
    }
}
