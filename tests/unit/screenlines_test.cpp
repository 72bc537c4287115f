// Runs of screen points thinned to what pixels show: whatever the run
// (smooth curves, corners, zigzags, turns back, random walks), every
// point of it lies within the tolerance of the lines drawn, the lines
// join end to start from the run's first point to its last, and they are
// the run's own points; a smooth curve of many points comes out as few.
#include "nc/screenlines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace marbolt::nc;

namespace {

double distanceToSegment(QPointF p, const QLineF &l)
{
    const QPointF ab = l.p2() - l.p1();
    const double length2 = QPointF::dotProduct(ab, ab);
    double t = length2 > 0 ? QPointF::dotProduct(p - l.p1(), ab) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF n = l.p1() + t * ab;
    return std::hypot(p.x() - n.x(), p.y() - n.y());
}

// Thins one run and checks what a drawing of it must keep.
std::vector<QLineF> thinned(const std::vector<QPointF> &run, double tolerance = 0.5)
{
    std::vector<QLineF> out;
    ScreenLines lines(out, tolerance);
    lines.moveTo(run.front());
    for (std::size_t i = 1; i < run.size(); ++i)
        lines.lineTo(run[i]);
    lines.finish();
    if (run.size() > 1 && run.back() != run.front()) {
        EXPECT_FALSE(out.empty());
    }
    if (out.empty())
        return out;
    EXPECT_EQ(out.front().p1(), run.front());
    EXPECT_EQ(out.back().p2(), run.back());
    for (std::size_t i = 1; i < out.size(); ++i)
        EXPECT_EQ(out[i - 1].p2(), out[i].p1()) << i;
    // Every point near a line: within the tolerance and a little (a turn
    // back is allowed half the tolerance along the chord).
    std::size_t line = 0;
    for (const QPointF &p : run) {
        double best = 1e9;
        // The lines follow the run in order: look near the current one.
        for (std::size_t k = line; k < std::min(out.size(), line + 3); ++k)
            best = std::min(best, distanceToSegment(p, out[k]));
        if (best > tolerance * 1.5) {
            for (std::size_t k = 0; k < out.size(); ++k)
                best = std::min(best, distanceToSegment(p, out[k]));
        }
        EXPECT_LE(best, tolerance * 1.5) << p.x() << "," << p.y();
        while (line + 1 < out.size() && p == out[line].p2())
            ++line;
    }
    return out;
}

}  // namespace

TEST(ScreenLines, ASmoothCurveOfManyPointsComesOutAsFewLinesOnIt)
{
    std::vector<QPointF> circle;
    for (int i = 0; i <= 20000; ++i) {
        const double a = i * 2 * 3.14159265358979323846 / 20000;
        circle.emplace_back(400 + 200 * std::cos(a), 300 + 200 * std::sin(a));
    }
    const std::vector<QLineF> out = thinned(circle);
    // A chord of a 200 px circle may be about 2 sqrt(2 * 200 * 0.5) = 28 px
    // long: some fifty of them, against 20,000 points.
    EXPECT_LT(out.size(), 150u);
    EXPECT_GT(out.size(), 30u);

    // A straight run, however many points: one line.
    std::vector<QPointF> straight;
    for (int i = 0; i <= 1000; ++i)
        straight.emplace_back(10 + i * 0.7, 20 + i * 0.3);
    EXPECT_EQ(thinned(straight).size(), 1u);
}

TEST(ScreenLines, CornersAndTurnsBackAreKept)
{
    // A square of 100 px sides, 50 points a side: its four sides.
    std::vector<QPointF> square;
    const QPointF corners[] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};
    for (int side = 0; side < 4; ++side)
        for (int i = side == 0 ? 0 : 1; i <= 50; ++i)
            square.push_back(corners[side] + (corners[side + 1] - corners[side]) * (i / 50.0));
    const std::vector<QLineF> sides = thinned(square);
    ASSERT_EQ(sides.size(), 4u);
    for (int side = 0; side < 4; ++side)
        EXPECT_EQ(sides[side].p2(), corners[side + 1]);

    // Out along a line and back part of the way: the line out is not
    // drawn short.
    std::vector<QPointF> outAndBack;
    for (int i = 0; i <= 100; ++i)
        outAndBack.emplace_back(i, 50);
    for (int i = 99; i >= 40; --i)
        outAndBack.emplace_back(i, 50);
    const std::vector<QLineF> there = thinned(outAndBack);
    ASSERT_EQ(there.size(), 2u);
    EXPECT_EQ(there[0].p2(), QPointF(100, 50));

    // Points that never leave a pixel: at most a line between them.
    EXPECT_LE(thinned({{5, 5}, {5.1, 5.2}, {5.2, 4.9}, {5, 5.1}}).size(), 1u);
}

TEST(ScreenLines, RandomWalksAndZigzagsStayWithinTheTolerance)
{
    std::mt19937 random(11);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        std::uniform_real_distribution<double> step(-3, 3);
        std::vector<QPointF> walk{{300, 300}};
        const int kind = round % 3;
        for (int i = 0; i < 2000; ++i) {
            QPointF next = walk.back();
            if (kind == 0) {  // a random walk
                next += QPointF(step(random), step(random));
            } else if (kind == 1) {  // a fine zigzag, sub-pixel and larger
                next += QPointF(0.3 + round % 5 * 0.2, (i % 2 ? 1 : -1) * (0.2 + round % 7 * 0.3));
            } else {  // a spiral with a sub-pixel wobble
                const double a = i * 0.02;
                next = QPointF(300 + (50 + i * 0.05) * std::cos(a) + step(random) / 20,
                               300 + (50 + i * 0.05) * std::sin(a) + step(random) / 20);
            }
            walk.push_back(next);
        }
        const double tolerance = round % 4 == 0 ? 0.25 : 0.5;
        const std::vector<QLineF> out = thinned(walk, tolerance);
        EXPECT_LE(out.size(), walk.size() - 1);
    }
}

TEST(ScreenLines, AMoveToEndsTheRunAndStartsAnother)
{
    std::vector<QLineF> out;
    ScreenLines lines(out);
    lines.moveTo({0, 0});
    lines.lineTo({10, 0});
    lines.moveTo({50, 50});  // a jump: not drawn
    lines.lineTo({50, 60});
    lines.finish();
    lines.lineTo({70, 70});  // without a moveTo: starts there, draws nothing yet
    lines.finish();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], QLineF(0, 0, 10, 0));
    EXPECT_EQ(out[1], QLineF(50, 50, 50, 60));
}
