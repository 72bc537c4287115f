#include "nc/pathdrawing.h"

#include "nc/ncmotion.h"
#include "nc/screenlines.h"

#include <algorithm>
#include <cmath>

namespace marbolt::nc {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    double t = length2 > 0 ? QPointF::dotProduct(p - a, ab) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF nearest = a + t * ab;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

}  // namespace

void PathDrawing::build(const ProgramPath *path)
{
    points_.clear();
    pieces_.clear();
    rapidSegments_.clear();
    feedSegments_.clear();
    holes_.clear();
    byLine_.clear();
    centre_ = {};
    if (!path)
        return;
    centre_ = {(path->min.x + path->max.x) / 2, (path->min.y + path->max.y) / 2, (path->min.z + path->max.z) / 2};
    const std::size_t moves = path->path.moves.size();
    pieces_.reserve(moves);
    points_.reserve(moves * 2);
    float along = 0;
    auto add = [&](const Vec3 &p) {
        const DrawPoint q{static_cast<float>(p.x - centre_.x), static_cast<float>(p.y - centre_.y),
                          static_cast<float>(p.z - centre_.z), 0};
        if (!points_.empty() && points_.size() > pieces_.back().first) {
            const DrawPoint &last = points_.back();
            along += std::hypot(q.x - last.x, q.y - last.y, q.z - last.z);
        }
        points_.push_back(q);
        points_.back().along = along;
    };
    for (const Move &m : path->path.moves) {
        DrawPiece piece;
        piece.first = static_cast<std::uint32_t>(points_.size());
        piece.kind = m.kind;
        piece.line = m.line;
        pieces_.push_back(piece);
        along = 0;
        if (!m.isArc()) {
            add(m.from);
            add(m.to);
        } else {
            const ArcSweep a = arcSweep(m);
            const int chords =
                std::max(4, static_cast<int>(std::ceil(std::abs(a.sweep) / (kChordDegrees * kDegree))));
            double Vec3::*first = m.plane == Plane::XY ? &Vec3::x : m.plane == Plane::ZX ? &Vec3::z : &Vec3::y;
            double Vec3::*second = m.plane == Plane::XY ? &Vec3::y : m.plane == Plane::ZX ? &Vec3::x : &Vec3::z;
            for (int i = 0; i <= chords; ++i) {
                const double t = static_cast<double>(i) / chords;
                // The plane's normal axis goes from end to end (a helix);
                // its two axes follow the circle.
                Vec3 p{m.from.x + (m.to.x - m.from.x) * t, m.from.y + (m.to.y - m.from.y) * t,
                       m.from.z + (m.to.z - m.from.z) * t};
                const double angle = a.start + a.sweep * t;
                p.*first = m.center.*first + a.radius * std::cos(angle);
                p.*second = m.center.*second + a.radius * std::sin(angle);
                add(p);
            }
        }
        DrawPiece &added = pieces_.back();
        added.count = static_cast<std::uint32_t>(points_.size()) - added.first;
        std::vector<std::uint32_t> &into = m.kind == MoveKind::Rapid ? rapidSegments_ : feedSegments_;
        for (std::uint32_t i = added.first + 1; i < added.first + added.count; ++i) {
            into.push_back(i - 1);
            into.push_back(i);
        }
    }
    for (const Hole &hole : path->path.holes)
        holes_.push_back({static_cast<float>(hole.top.x - centre_.x), static_cast<float>(hole.top.y - centre_.y),
                          static_cast<float>(hole.top.z - centre_.z), 0});
    byLine_.resize(pieces_.size());
    for (std::uint32_t i = 0; i < byLine_.size(); ++i)
        byLine_[i] = i;
    std::stable_sort(byLine_.begin(), byLine_.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return pieces_[a].line < pieces_[b].line; });
}

std::span<const std::uint32_t> PathDrawing::piecesOf(std::uint32_t line) const
{
    const auto from = std::partition_point(byLine_.begin(), byLine_.end(),
                                           [&](std::uint32_t i) { return pieces_[i].line < line; });
    const auto to =
        std::partition_point(from, byLine_.end(), [&](std::uint32_t i) { return pieces_[i].line <= line; });
    return {from, to};
}

void PathDrawing::thin(const Projection &view, std::vector<QLineF> &rapids, std::vector<QLineF> &feeds) const
{
    ScreenLines rapidRuns(rapids), feedRuns(feeds);
    // A move that starts where the one before it ended (most do) takes
    // that point's place on the screen without working it out again.
    const DrawPoint *previousEnd = nullptr;
    QPointF previousScreen;
    for (const DrawPiece &piece : pieces_) {
        ScreenLines &into = piece.kind == MoveKind::Rapid ? rapidRuns : feedRuns;
        const DrawPoint &first = points_[piece.first];
        const QPointF start =
            previousEnd && previousEnd->x == first.x && previousEnd->y == first.y && previousEnd->z == first.z
                ? previousScreen
                : view.screenRelative(relative(first));
        if (!into.running() || into.at() != start)
            into.moveTo(start);
        previousScreen = start;
        for (std::uint32_t i = 1; i < piece.count; ++i) {
            previousScreen = view.screenRelative(relative(points_[piece.first + i]));
            into.lineTo(previousScreen);
        }
        previousEnd = &points_[piece.first + piece.count - 1];
    }
    rapidRuns.finish();
    feedRuns.finish();
}

std::optional<std::uint32_t> PathDrawing::lineAt(const Projection &view, QPointF point, double within) const
{
    double best = within;
    std::optional<std::uint32_t> found;
    for (const DrawPiece &piece : pieces_) {
        QPointF a = view.screenRelative(relative(points_[piece.first]));
        for (std::uint32_t i = 1; i < piece.count; ++i) {
            const QPointF b = view.screenRelative(relative(points_[piece.first + i]));
            const double d = distanceToSegment(point, a, b);
            if (d <= best) {
                best = d;
                found = piece.line;
            }
            a = b;
        }
    }
    return found;
}

}  // namespace marbolt::nc
