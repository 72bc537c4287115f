#pragma once
// A tool path made ready to draw: every move a run of points (an arc in
// short chords), the points relative to the path's centre in floats, as
// the GPU takes them, with the pairs of points that make the rapid and the
// feed lines, and the moves of each source line for the highlight. The
// software drawing and the GPU draw the same points.
#include "nc/movelist.h"
#include "nc/ncprogram.h"
#include "nc/viewcamera.h"

#include <QLineF>
#include <QPointF>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace marbolt::nc {

struct DrawPoint {
    float x = 0, y = 0, z = 0;
    float along = 0;  // distance from the start of its move, for the dashes of a rapid
};

struct DrawPiece {
    std::uint32_t first = 0;  // index of its first point
    std::uint32_t count = 0;
    MoveKind kind = MoveKind::Rapid;
    std::uint32_t line = 0;
};

class PathDrawing {
public:
    // An arc is drawn in chords of at most this many degrees.
    static constexpr double kChordDegrees = 5;

    void build(const ProgramPath *path);

    const Vec3 &centre() const { return centre_; }
    const std::vector<DrawPoint> &points() const { return points_; }
    const std::vector<DrawPiece> &pieces() const { return pieces_; }
    // Pairs of indices into points(): the segments of the rapids, and of
    // the feeds and arcs.
    const std::vector<std::uint32_t> &rapidSegments() const { return rapidSegments_; }
    const std::vector<std::uint32_t> &feedSegments() const { return feedSegments_; }
    // The holes' tops, relative to the centre.
    const std::vector<DrawPoint> &holes() const { return holes_; }
    // The indices of the pieces drawn for a source line, in path order (a
    // block of a subprogram called twice has two).
    std::span<const std::uint32_t> piecesOf(std::uint32_t line) const;

    // The line of the move drawn nearest to a widget point, within the
    // given pixels.
    std::optional<std::uint32_t> lineAt(const Projection &view, QPointF point, double within) const;

    // The moves as the view draws them: each kind's runs on the screen
    // thinned to what the pixels show (ScreenLines), added to rapids and
    // feeds. A move that starts where the one before it ended goes on with
    // its kind's run.
    void thin(const Projection &view, std::vector<QLineF> &rapids, std::vector<QLineF> &feeds) const;

    static Vec3 relative(const DrawPoint &p) { return {p.x, p.y, p.z}; }

private:
    Vec3 centre_;
    std::vector<DrawPoint> points_;
    std::vector<DrawPiece> pieces_;
    std::vector<std::uint32_t> rapidSegments_;
    std::vector<std::uint32_t> feedSegments_;
    std::vector<DrawPoint> holes_;
    std::vector<std::uint32_t> byLine_;  // piece indices sorted by line
};

}  // namespace marbolt::nc
