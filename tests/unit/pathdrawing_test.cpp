// A path as the backplot draws it: the camera's views point the axes the
// way a machinist expects, the GPU's matrix puts every point where the
// software drawing and the picking put it, a fit shows all of the path,
// and the drawn points of arcs in each plane lie on their circles, with
// every segment in the list of its kind and each line's moves found again.
#include "nc/ncprogram.h"
#include "nc/pathdrawing.h"
#include "nc/viewcamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace marbolt::nc;

namespace {

const QSizeF kSize(640, 480);

// Where the camera draws a unit step along an axis from the centre.
QPointF stepOf(const ViewCamera &camera, Vec3 axis)
{
    const Projection p = camera.projection(kSize);
    return p.screen(axis) - p.screen({0, 0, 0});
}

ProgramPath read(const std::string &text)
{
    return readProgram(text, std::nullopt, ReadOptions{});
}

}  // namespace

TEST(ViewCamera, ThePresetsLookAsAMachinistExpects)
{
    ViewCamera camera;
    camera.setPreset(ViewPreset::Top);  // from above: X right, Y up the screen
    EXPECT_GT(stepOf(camera, {1, 0, 0}).x(), 0.99);
    EXPECT_LT(stepOf(camera, {0, 1, 0}).y(), -0.99);
    EXPECT_NEAR(QPointF::dotProduct(stepOf(camera, {0, 0, 1}), stepOf(camera, {0, 0, 1})), 0, 1e-12);

    camera.setPreset(ViewPreset::Front);  // from the front: X right, Z up, Y away
    EXPECT_GT(stepOf(camera, {1, 0, 0}).x(), 0.99);
    EXPECT_LT(stepOf(camera, {0, 0, 1}).y(), -0.99);
    EXPECT_NEAR(stepOf(camera, {0, 1, 0}).manhattanLength(), 0, 1e-12);
    EXPECT_LT(camera.projection(kSize).turned({0, 1, 0}).z, 0);  // +Y goes away from the eye

    camera.setPreset(ViewPreset::Side);  // from the right: Y right, Z up
    EXPECT_GT(stepOf(camera, {0, 1, 0}).x(), 0.99);
    EXPECT_LT(stepOf(camera, {0, 0, 1}).y(), -0.99);

    camera.setPreset(ViewPreset::Isometric);  // all three axes equally long, Z straight up
    const double x = stepOf(camera, {1, 0, 0}).manhattanLength();
    EXPECT_NEAR(std::hypot(stepOf(camera, {1, 0, 0}).x(), stepOf(camera, {1, 0, 0}).y()),
                std::hypot(stepOf(camera, {0, 0, 1}).x(), stepOf(camera, {0, 0, 1}).y()), 1e-3);
    EXPECT_GT(x, 0.5);
    EXPECT_NEAR(stepOf(camera, {0, 0, 1}).x(), 0, 1e-9);
    EXPECT_GT(stepOf(camera, {1, 0, 0}).x(), 0);   // X to the lower right
    EXPECT_LT(stepOf(camera, {0, 1, 0}).y(), 0);   // Y to the upper right
    EXPECT_GT(stepOf(camera, {0, 1, 0}).x(), 0);
}

TEST(ViewCamera, TheGpusMatrixPutsEveryPointWhereTheScreenMappingDoes)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> any(-300, 300);
    for (int round = 0; round < 200; ++round) {
        ViewCamera camera;
        camera.setCentre({any(random), any(random), any(random)});
        camera.turn({any(random), any(random)});
        camera.move({any(random) / 3, any(random) / 3});
        const QSizeF size(200 + std::abs(any(random)) * 3, 150 + std::abs(any(random)) * 2);
        camera.zoomAbout({any(random), any(random)}, size, 0.2 + std::abs(any(random)) / 100);
        const std::array<float, 16> m = camera.clipMatrix(size);
        const Projection p = camera.projection(size);
        for (int i = 0; i < 5; ++i) {
            const Vec3 r{any(random), any(random), any(random)};
            const QPointF s = p.screenRelative(r);
            // Column-major, as glUniformMatrix4fv takes it without transposing.
            const double cx = m[0] * r.x + m[4] * r.y + m[8] * r.z + m[12];
            const double cy = m[1] * r.x + m[5] * r.y + m[9] * r.z + m[13];
            const double w = m[3] * r.x + m[7] * r.y + m[11] * r.z + m[15];
            ASSERT_DOUBLE_EQ(w, 1);
            // Back to pixels: float's precision, a hundredth of a pixel.
            EXPECT_NEAR((cx + 1) / 2 * size.width(), s.x(), 0.02 + std::abs(s.x()) * 1e-5) << round;
            EXPECT_NEAR((1 - cy) / 2 * size.height(), s.y(), 0.02 + std::abs(s.y()) * 1e-5) << round;
        }
    }
}

TEST(ViewCamera, AFitShowsEveryPointAndAZoomKeepsThePointUnderThePointer)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<double> any(-1000, 1000);
    std::vector<Vec3> points;
    for (int i = 0; i < 500; ++i)
        points.push_back({any(random), any(random) / 10, any(random) / 100});
    for (int round = 0; round < 50; ++round) {
        ViewCamera camera;
        camera.turn({any(random), any(random)});
        camera.fit(points, kSize);
        const Projection p = camera.projection(kSize);
        double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
        for (const Vec3 &v : points) {
            const QPointF s = p.screenRelative(v);
            left = std::min(left, s.x());
            right = std::max(right, s.x());
            top = std::min(top, s.y());
            bottom = std::max(bottom, s.y());
        }
        // Inside, with a margin, and filling one of the two directions.
        EXPECT_GE(left, 0.04 * kSize.width());
        EXPECT_LE(right, 0.96 * kSize.width());
        EXPECT_GE(top, 0.04 * kSize.height());
        EXPECT_LE(bottom, 0.96 * kSize.height());
        EXPECT_TRUE(std::abs(right - left - 0.9 * kSize.width()) < 0.01
                    || std::abs(bottom - top - 0.9 * kSize.height()) < 0.01);

        const Vec3 under = points[round];
        const QPointF at = p.screenRelative(under);
        camera.zoomAbout(at, kSize, round % 2 ? 1.2 : 1 / 1.44);
        const QPointF after = camera.projection(kSize).screenRelative(under);
        EXPECT_NEAR(after.x(), at.x(), 1e-6);
        EXPECT_NEAR(after.y(), at.y(), 1e-6);
    }

    // Nothing to fit, or a single point: a usable scale, no division by zero.
    ViewCamera camera;
    camera.fit(std::vector<Vec3>{}, kSize);
    EXPECT_EQ(camera.scale(), 1);
    camera.fit(std::vector<Vec3>{{5, 5, 5}}, kSize);
    EXPECT_TRUE(std::isfinite(camera.scale()));
}

TEST(PathDrawing, ArcsInEveryPlaneAreDrawnOnTheirCirclesFromStartToEnd)
{
    // An XY arc by R, a ZX arc and a YZ arc by their centres, a full
    // circle and a helix.
    const ProgramPath path = read(
        "G90G17G00X0Y0Z0\r\n"
        "G02X20.Y0R10.F100\r\n"        // half circle about (10,0)
        "G18G03X30.Z10.I0K10.\r\n"     // ZX, quarter about (20,0,10)
        "G19G02Y10.Z20.J10.K0\r\n"     // YZ, about (30,10,10)
        "G17G02X30.Y10.I5.J0\r\n"      // a full circle about (35,10)
        "G03X30.Y10.Z0I5.J0\r\n");     // a full helix down to Z0
    ASSERT_EQ(path.path.moves.size(), std::size_t(6));
    PathDrawing drawing;
    drawing.build(&path);
    ASSERT_EQ(drawing.pieces().size(), std::size_t(6));
    const Vec3 c = drawing.centre();
    auto absolute = [&](const DrawPoint &p) { return Vec3{p.x + c.x, p.y + c.y, p.z + c.z}; };
    for (std::size_t i = 1; i < 6; ++i) {
        SCOPED_TRACE(i);
        const Move m = path.path.moves[i];
        const DrawPiece &piece = drawing.pieces()[i];
        EXPECT_EQ(piece.line, m.line);
        EXPECT_GE(piece.count, 5u);
        const Vec3 first = absolute(drawing.points()[piece.first]);
        const Vec3 last = absolute(drawing.points()[piece.first + piece.count - 1]);
        EXPECT_NEAR(first.x, m.from.x, 1e-4);
        EXPECT_NEAR(first.y, m.from.y, 1e-4);
        EXPECT_NEAR(first.z, m.from.z, 1e-4);
        EXPECT_NEAR(last.x, m.to.x, 1e-4);
        EXPECT_NEAR(last.y, m.to.y, 1e-4);
        EXPECT_NEAR(last.z, m.to.z, 1e-4);
        const double radius = std::hypot(m.from.x - m.center.x, m.from.y - m.center.y, m.from.z - m.center.z);
        for (std::uint32_t k = 0; k < piece.count; ++k) {
            const Vec3 p = absolute(drawing.points()[piece.first + k]);
            // In the arc's plane, at its radius from the centre.
            const double d = m.plane == Plane::XY   ? std::hypot(p.x - m.center.x, p.y - m.center.y)
                             : m.plane == Plane::ZX ? std::hypot(p.z - m.center.z, p.x - m.center.x)
                                                    : std::hypot(p.y - m.center.y, p.z - m.center.z);
            EXPECT_NEAR(d, m.plane == Plane::XY && i >= 4 ? 5.0 : (i == 1 ? 10.0 : radius), 1e-4) << k;
        }
    }
    // The full circles go all the way round: about 72 chords of 5 degrees.
    EXPECT_GE(drawing.pieces()[4].count, 73u);
    // The helix's depth goes evenly from its start to its end.
    const DrawPiece &helix = drawing.pieces()[5];
    const float middle = drawing.points()[helix.first + helix.count / 2].z + static_cast<float>(c.z);
    EXPECT_NEAR(middle, 10.0, 0.2);
}

TEST(PathDrawing, EverySegmentIsInTheListOfItsKindAndARapidsDashesCountItsLength)
{
    const ProgramPath path = read("G90G00X0Y0Z50.\r\nZ5.\r\nG01Z-2.F100\r\nX40.\r\nG02X40.Y0I10.J0\r\n"
                                  "G00Z50.\r\nG81X10.Y10.Z-5.R2.F50\r\nX20.\r\nG80\r\n");
    PathDrawing drawing;
    drawing.build(&path);
    std::size_t rapidSegments = 0, feedSegments = 0;
    for (const DrawPiece &piece : drawing.pieces())
        (piece.kind == MoveKind::Rapid ? rapidSegments : feedSegments) += piece.count - 1;
    EXPECT_EQ(drawing.rapidSegments().size(), rapidSegments * 2);
    EXPECT_EQ(drawing.feedSegments().size(), feedSegments * 2);
    // Each pair joins two neighbouring points of one move.
    for (const auto *segments : {&drawing.rapidSegments(), &drawing.feedSegments()}) {
        for (std::size_t i = 0; i < segments->size(); i += 2) {
            ASSERT_EQ((*segments)[i] + 1, (*segments)[i + 1]);
            const std::uint32_t a = (*segments)[i];
            const auto piece = std::find_if(drawing.pieces().begin(), drawing.pieces().end(), [&](const DrawPiece &p) {
                return a >= p.first && a + 1 < p.first + p.count;
            });
            ASSERT_NE(piece, drawing.pieces().end());
            EXPECT_EQ(piece->kind == MoveKind::Rapid, segments == &drawing.rapidSegments());
        }
    }
    // Z50 -> Z5: a rapid of 45; its dashes start at 0 and count its length.
    const DrawPiece &down = drawing.pieces()[1];
    ASSERT_EQ(down.kind, MoveKind::Rapid);
    EXPECT_EQ(drawing.points()[down.first].along, 0.0f);
    EXPECT_FLOAT_EQ(drawing.points()[down.first + 1].along, 45.0f);
    // The two holes of the cycle, at the R level.
    ASSERT_EQ(drawing.holes().size(), std::size_t(2));
    EXPECT_FLOAT_EQ(drawing.holes()[1].x + static_cast<float>(drawing.centre().x), 20.0f);
    EXPECT_FLOAT_EQ(drawing.holes()[1].z + static_cast<float>(drawing.centre().z), 2.0f);

    // An empty path draws nothing.
    drawing.build(nullptr);
    EXPECT_TRUE(drawing.points().empty());
    EXPECT_TRUE(drawing.piecesOf(3).empty());
}

TEST(PathDrawing, ALinesMovesAreFoundEachTimeItRanAndAClickFindsTheNearestLine)
{
    // O2 called twice: its line 6 moves twice.
    const ProgramPath path = readProgram("O1\r\nG90G00X0Y0\r\nM98P2L2\r\nG00X100.\r\nM30\r\n"
                                         "O2\r\nG91G01X10.F100\r\nG90\r\nM99\r\n",
                                         0, ReadOptions{});
    PathDrawing drawing;
    drawing.build(&path);
    const auto twice = drawing.piecesOf(6);
    ASSERT_EQ(twice.size(), std::size_t(2));
    EXPECT_LT(twice[0], twice[1]);
    for (const std::uint32_t i : twice)
        EXPECT_EQ(drawing.pieces()[i].line, 6u);
    EXPECT_EQ(drawing.piecesOf(3).size(), std::size_t(1));
    EXPECT_TRUE(drawing.piecesOf(5).empty());

    ViewCamera camera;
    camera.setPreset(ViewPreset::Top);
    camera.setCentre(drawing.centre());
    camera.fit(drawing.points(), kSize);
    const Projection p = camera.projection(kSize);
    // On the second call's move (X10 -> X20), and on the last rapid.
    EXPECT_EQ(drawing.lineAt(p, p.screen({15, 0, 0}) + QPointF(0, 3), 6), std::optional<std::uint32_t>(6));
    EXPECT_EQ(drawing.lineAt(p, p.screen({60, 0, 0}), 6), std::optional<std::uint32_t>(3));
    EXPECT_EQ(drawing.lineAt(p, p.screen({60, 0, 0}) + QPointF(0, 7), 6), std::nullopt);
}

TEST(PathDrawing, TheDrawnLinesPassNearEveryPointOfTheirKindAndNoRunBridgesAnotherKind)
{
    // A feed spiral of many short moves, a rapid away, a G92 that names
    // the tool's place anew (the path jumps there), and a feed on.
    std::string text = "G90G00X-5.Y0Z0\r\nG01F100\r\n";
    for (int i = 1; i <= 2000; ++i) {
        const double a = i * 0.02, r = 10 + i * 0.01;
        text += "X" + std::to_string(r * std::cos(a)) + "Y" + std::to_string(r * std::sin(a)) + "\r\n";
    }
    text += "G00X200.Y0\r\nG92X-300.Y0\r\nG01X-250.Y50.\r\n";
    const ProgramPath path = read(text);
    PathDrawing drawing;
    drawing.build(&path);
    ViewCamera camera;
    camera.setPreset(ViewPreset::Top);
    camera.setCentre(drawing.centre());
    camera.fit(drawing.points(), kSize);
    const Projection p = camera.projection(kSize);
    std::vector<QLineF> rapids, feeds;
    drawing.thin(p, rapids, feeds);
    EXPECT_LT(feeds.size(), drawing.feedSegments().size() / 2 / 4) << "thinned";
    auto nearest = [](QPointF q, const std::vector<QLineF> &lines) {
        double best = 1e9;
        for (const QLineF &l : lines) {
            const QPointF ab = l.p2() - l.p1();
            const double length2 = QPointF::dotProduct(ab, ab);
            const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(q - l.p1(), ab) / length2, 0.0, 1.0) : 0;
            const QPointF n = l.p1() + t * ab;
            best = std::min(best, std::hypot(q.x() - n.x(), q.y() - n.y()));
        }
        return best;
    };
    for (const DrawPiece &piece : drawing.pieces()) {
        const std::vector<QLineF> &lines = piece.kind == MoveKind::Rapid ? rapids : feeds;
        for (std::uint32_t i = 0; i < piece.count; ++i)
            ASSERT_LE(nearest(p.screenRelative(PathDrawing::relative(drawing.points()[piece.first + i])), lines), 0.75) << "line " << piece.line;
    }
    // The feeds before and after the rapid are two runs: no feed line is
    // drawn where the rapid went.
    const auto rapid = std::find_if(drawing.pieces().rbegin(), drawing.pieces().rend(),
                                    [](const DrawPiece &piece) { return piece.kind == MoveKind::Rapid; });
    ASSERT_NE(rapid, drawing.pieces().rend());
    const QPointF rapidMiddle = (p.screenRelative(PathDrawing::relative(drawing.points()[rapid->first]))
                                 + p.screenRelative(PathDrawing::relative(drawing.points()[rapid->first + 1])))
                              / 2;
    EXPECT_LT(nearest(rapidMiddle, rapids), 0.5);
    EXPECT_GT(nearest(rapidMiddle, feeds), 3.0);
    // Nor from where the spiral ended to where the feed after the jump
    // starts.
    const DrawPiece &spiralEnd = *(rapid.base() - 2);
    const DrawPiece &after = drawing.pieces().back();
    ASSERT_EQ(after.kind, MoveKind::Feed);
    const QPointF gapMiddle =
        (p.screenRelative(PathDrawing::relative(drawing.points()[spiralEnd.first + spiralEnd.count - 1]))
         + p.screenRelative(PathDrawing::relative(drawing.points()[after.first])))
        / 2;
    EXPECT_GT(nearest(gapMiddle, feeds), 3.0);
}
