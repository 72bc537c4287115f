// Coordinates moved, scaled, turned and mirrored, and feeds and speeds
// scaled: against blocks worked out by hand, as round trips that must give
// the text back, and against the NC reader: the path of a transformed
// random program is the transformed path of the program.
#include "nc/ncprogram.h"
#include "nc/transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

using marbolt::nc::Move;

using namespace marbolt::nc;

namespace {

TransformResult run(const std::string &text, const Transform &t, bool lathe = false)
{
    TransformOptions o;
    o.transform = t;
    o.lathe = lathe;
    return transformProgram(text, o);
}

std::string moved(const std::string &text, const Transform &t, bool lathe = false)
{
    return run(text, t, lathe).text;
}

std::string splitLinesOf(const std::string &text, std::uint32_t n)
{
    std::size_t at = 0;
    for (; n > 0; --n)
        at = text.find('\n', at) + 1;
    return text.substr(at, text.find('\n', at) - at);
}

std::string mm(std::mt19937 &random, double low, double high)
{
    const long units = std::uniform_int_distribution<long>(std::lround(low * 1000), std::lround(high * 1000))(random);
    std::string s = formatValue(units / 1000.0, true, 0, 0.001);
    return s;
}

// A random milling program in G17: rapids, feeds and arcs with I/J, in
// G90 and G91, some words left out, from a known start.
std::string randomProgram(std::mt19937 &random)
{
    std::string text = "O100\nG90 G17 G00 X" + mm(random, -50, 50) + " Y" + mm(random, -50, 50) + " Z5.\n";
    bool absolute = true;
    const int blocks = 5 + static_cast<int>(random() % 30);
    for (int i = 0; i < blocks; ++i) {
        std::string block;
        if (random() % 6 == 0) {
            absolute = !absolute;
            block += absolute ? "G90 " : "G91 ";
        }
        const int kind = static_cast<int>(random() % 4);
        block += kind == 0 ? "G00" : kind == 1 ? "G01" : kind == 2 ? "G02" : "G03";
        const double range = absolute ? 60 : 10;
        const int axes = kind >= 2 ? 3 : 1 + static_cast<int>(random() % 3);  // X, Y or both
        if (axes & 1)
            block += " X" + mm(random, -range, range);
        if (axes & 2)
            block += " Y" + mm(random, -range, range);
        if (random() % 3 == 0)
            block += " Z" + mm(random, -10, 10);
        if (kind >= 2)
            block += " I" + mm(random, -8, 8) + " J" + mm(random, -8, 8);
        if (kind >= 1)
            block += " F" + std::to_string(100 + random() % 900);
        text += block + "\n";
    }
    return text + "M30\n";
}

Vec3 applied(const Transform &t, const Vec3 &p)
{
    return {t.m00 * p.x + t.m01 * p.y + t.tx, t.m10 * p.x + t.m11 * p.y + t.ty, t.sz * p.z + t.tz};
}

double distance(const Vec3 &a, const Vec3 &b)
{
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

}  // namespace

TEST(Transform, NumbersKeepTheirForm)
{
    struct Row {
        const char *name;
        double value;
        bool point;
        int decimals;
        double increment;
        const char *written;
    } rows[] = {
        {"whole with a point", 11, true, 0, 0.001, "11."},
        {"the decimals it had", 10.5, true, 3, 0.001, "10.500"},
        {"more when needed", 10.623, true, 1, 0.001, "10.623"},
        {"rounded to the increment", 7.0710678, true, 0, 0.001, "7.071"},
        {"inch: four", 1.33449, true, 0, 0.0001, "1.3345"},
        {"no minus zero", -0.0001, true, 0, 0.001, "0."},
        {"negative", -2.25, true, 0, 0.001, "-2.25"},
        {"no point: increments", 11, false, 0, 0.001, "11000"},
        {"no point, inch", -0.5, false, 0, 0.0001, "-5000"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(formatValue(r.value, r.point, r.decimals, r.increment), r.written) << r.name;
}

TEST(Transform, ATranslationMovesPositionsAndLeavesIncrements)
{
    const std::string text =
        "O1\n"
        "G90 G54 G00 X10. Y20. Z5.\n"
        "G01 Z-1. F100\n"
        "G91 X5. Y-5.\n"
        "G90 G02 X30.0 Y20. I10. J0 F200\n"
        "X10000 Y-2500\n"
        "G53 Z0\n"
        "G91 G28 Z0\n";
    const TransformResult r = run(text, Transform::translation(1, 2, -0.5));
    EXPECT_EQ(r.text,
              "O1\n"
              "G90 G54 G00 X11. Y22. Z4.5\n"
              "G01 Z-1.5 F100\n"
              "G91 X5. Y-5.\n"
              "G90 G02 X31.0 Y22. I10. J0 F200\n"
              "X11000 Y-500\n"
              "G53 Z0\n"
              "G91 G28 Z0\n");
    EXPECT_EQ(r.blocks, 4u);
    EXPECT_TRUE(r.refused.empty());
    // Inch: four decimals.
    EXPECT_EQ(moved("G20 G90 X1.2345\n", Transform::translation(0.1, 0, 0)), "G20 G90 X1.3345\n");
}

TEST(Transform, AQuarterTurnWritesTheAxisABlockLeftOut)
{
    const std::string text =
        "G90 G00 X10. Y0.\n"
        "G01 X20. F100\n"       // Y stays 0, but after the turn X does: Y20. is written
        "G03 X0. Y20. I-20. J0.\n"
        "G91 G01 X5.\n"
        "G90 Y30.\n";           // X was 5. (0 + 5): turned, X-30. and Y5. stays as it was
    EXPECT_EQ(moved(text, Transform::rotation(90, 0, 0)),
              "G90 G00 X0. Y10.\n"
              "G01 X0. Y20. F100\n"
              "G03 X-20. Y0. I0. J-20.\n"
              "G91 G01 X0. Y5.\n"
              "G90 Y5. X-30.\n");
}

TEST(Transform, AMirrorTurnsArcsAndCompensationOver)
{
    EXPECT_EQ(moved("G90 G41 G01 X10. Y5. D1\nG02 X20. Y5. R5.\nG3X10.Y5.I-5.J0\nG40\n", Transform::mirrorX(0)),
              "G90 G42 G01 X-10. Y5. D1\nG03 X-20. Y5. R5.\nG2X-10.Y5.I5.J0\nG40\n");
    EXPECT_EQ(moved("G90 X10. Y5.\n", Transform::mirrorY(10)), "G90 X10. Y15.\n");
}

TEST(Transform, AScaleTakesRadiiCycleLevelsAndPecks)
{
    const std::string text =
        "G90 G02 X10. Y0 R5.\n"
        "G83 X10. Y10. Z-20. R4. Q2. F100\n"
        "G80\n"
        "G91 X1.\n";
    EXPECT_EQ(moved(text, Transform::scaling(2, 0, 0, 0)),
              "G90 G02 X20. Y0 R10.\n"
              "G83 X20. Y20. Z-40. R8. Q4. F100\n"
              "G80\n"
              "G91 X2.\n");
    // About Z = 5: the levels move toward it.
    EXPECT_EQ(moved("G90 G81 Z-5. R1.\n", Transform::scaling(0.5, 0, 0, 5)), "G90 G81 Z0. R3.\n");
}

TEST(Transform, WhatCannotBeTransformedIsLeftAndNamed)
{
    struct Row {
        const char *name;
        const char *text;
        Transform t;
        TransformRefusal reason;
        std::uint32_t line;
    } rows[] = {
        {"a variable", "G90 G01 X#1 Y2.\n", Transform::translation(1, 0, 0), TransformRefusal::MacroValue, 0},
        {"an expression", "G90 X[#1+2.] Y0\n", Transform::translation(1, 0, 0), TransformRefusal::MacroValue, 0},
        {"a turn without the other axis", "G90 G00 X10.\n", Transform::rotation(30, 0, 0),
         TransformRefusal::UnknownPosition, 0},
        {"a G91 cycle turned", "G90 X0 Y0\nG91 G81 X10. Y0 Z-5. R-2.\n", Transform::rotation(90, 0, 0),
         TransformRefusal::IncrementalCycle, 1},
        {"an arc of G18 turned", "G90 X0 Y0 Z0\nG18 G02 X10. Z5. I5. K0\n", Transform::rotation(45, 0, 0),
         TransformRefusal::ArcOutsideXY, 1},
        {"G92", "G92 X0 Y0\n", Transform::translation(1, 0, 0), TransformRefusal::CoordinateSetting, 0},
        {"G52", "G52 X5.\n", Transform::translation(1, 0, 0), TransformRefusal::CoordinateSetting, 0},
        {"a macro call's arguments", "G65 P9000 X1. Y2.\n", Transform::translation(1, 0, 0),
         TransformRefusal::MacroCall, 0},
        {"a fine boring shift mirrored", "G90 X0 Y0\nG76 X1. Y1. Z-5. R1. Q0.5\n", Transform::mirrorX(0),
         TransformRefusal::CycleShift, 1},
    };
    for (const Row &r : rows) {
        const TransformResult result = run(r.text, r.t);
        ASSERT_EQ(result.refused.size(), 1u) << r.name;
        EXPECT_EQ(result.refused[0].reason, r.reason) << r.name;
        EXPECT_EQ(result.refused[0].line, r.line) << r.name;
        // The refused line is left as it is.
        const std::string refusedLine = splitLinesOf(r.text, r.line);
        EXPECT_NE(result.text.find(refusedLine), std::string::npos) << r.name;
    }
    // A lathe is not turned or mirrored at all.
    const TransformResult lathe = run("G00 X20. Z1.\n", Transform::mirrorX(0), true);
    ASSERT_EQ(lathe.refused.size(), 1u);
    EXPECT_EQ(lathe.refused[0].reason, TransformRefusal::LatheTurn);
    EXPECT_EQ(lathe.text, "G00 X20. Z1.\n");
}

TEST(Transform, ALathesDiameterIncrementsAndCycles)
{
    const std::string text =
        "G00 X50. Z2.\n"
        "G71 U2. R0.5\n"
        "G71 P10 Q20 U0.4 W0.1 F0.2\n"
        "N10 G01 U2. W-1.\n"
        "N20 G02 X60. Z-10. R5.\n";
    EXPECT_EQ(moved(text, Transform::scaling(2, 0, 0, 0), true),
              "G00 X100. Z4.\n"
              "G71 U4. R1.0\n"
              "G71 P10 Q20 U0.8 W0.2 F0.2\n"
              "N10 G01 U4. W-2.\n"
              "N20 G02 X120. Z-20. R10.\n");
    EXPECT_EQ(moved(text, Transform::translation(0, 0, -5), true).substr(0, 14), "G00 X50. Z-3.\n");
}

TEST(Transform, FeedsAndSpeedsButNotLeadsOrClamps)
{
    RateScale r;
    r.feed = 1.5;
    r.spindle = 0.8;
    const RateResult mill = scaleRates("G01 X1. F100 S1000 M03\nF0.15\nG33 Z-20. F1.5\nG01 X2.\nF#1\n", r);
    EXPECT_EQ(mill.text, "G01 X1. F150 S800 M03\nF0.225\nG33 Z-20. F1.5\nG01 X2.\nF#1\n");
    EXPECT_EQ(mill.words, 3u);
    ASSERT_EQ(mill.refused.size(), 1u);
    EXPECT_EQ(mill.refused[0].line, 4u);
    r.lathe = true;
    EXPECT_EQ(scaleRates("G50 S2000\nG96 S180 M03\nG92 X20. Z-20. F1.5\nG01 X30. F0.2\n", r).text,
              "G50 S2000\nG96 S144 M03\nG92 X20. Z-20. F1.5\nG01 X30. F0.3\n");
}

// Property: a translation and its inverse, a mirror twice, a scale and
// its inverse give the text back where the values stay in the program's
// decimals.
TEST(Transform, RoundTripsGiveTheTextBack)
{
    std::mt19937 random(2026);
    for (int round = 0; round < 300; ++round) {
        const std::string text = randomProgram(random);
        const double dx = static_cast<double>(random() % 200) - 100, dy = static_cast<double>(random() % 7) - 3;
        EXPECT_EQ(moved(moved(text, Transform::translation(dx, dy, 2)), Transform::translation(-dx, -dy, -2)), text)
            << text;
        const double c = static_cast<double>(random() % 40) - 20;
        EXPECT_EQ(moved(moved(text, Transform::mirrorX(c)), Transform::mirrorX(c)), text) << text;
        EXPECT_EQ(moved(moved(text, Transform::mirrorY(c)), Transform::mirrorY(c)), text) << text;
        EXPECT_EQ(moved(moved(text, Transform::scaling(2, 0, 0, 0)), Transform::scaling(0.5, 0, 0, 0)), text)
            << text;
    }
}

// Property: the NC reader's path of a transformed program is the
// transformed path, end points and arc centres within the rounding to the
// increment, arcs turning the other way after a mirror.
TEST(Transform, ThePathOfTheTransformedProgramIsTheTransformedPath)
{
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const std::string text = randomProgram(random);
        const double cx = static_cast<double>(random() % 100) - 50, cy = static_cast<double>(random() % 100) - 50;
        const Transform transforms[] = {
            Transform::rotation(static_cast<double>(random() % 3600) / 10, cx, cy),
            Transform::rotation(90 * static_cast<double>(random() % 4), cx, cy),
            Transform::mirrorX(cx),
            Transform::mirrorY(cy),
            Transform::scaling(0.25 + static_cast<double>(random() % 300) / 100, cx, cy, 1),
            Transform::translation(cx, cy, -3),
        };
        for (const Transform &t : transforms) {
            const TransformResult r = run(text, t);
            ASSERT_TRUE(r.refused.empty()) << text;
            const ProgramPath before = readProgram(text, std::nullopt, {});
            const ProgramPath after = readProgram(r.text, std::nullopt, {});
            ASSERT_EQ(before.path.moves.size(), after.path.moves.size()) << text << "\n" << r.text;
            // The first move comes from where the reader starts, no point of the program.
            for (std::size_t i = 1; i < before.path.moves.size(); ++i) {
                const Move a = before.path.moves[i], b = after.path.moves[i];
                EXPECT_LT(distance(applied(t, a.to), b.to), 0.002) << text << "\n" << r.text << "move " << i;
                if (a.isArc()) {
                    EXPECT_LT(distance(applied(t, a.center), b.center), 0.004) << r.text << "move " << i;
                    EXPECT_EQ(a.kind == b.kind, !t.mirrors()) << r.text << "move " << i;
                }
            }
            if (HasFailure())
                return;
        }
    }
}
