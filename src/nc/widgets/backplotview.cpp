#include "nc/widgets/backplotview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace marbolt {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;
// An arc is drawn in chords of at most this many degrees.
constexpr double kChordDegrees = 5;
// A click finds a move this near, in pixels.
constexpr double kPickPixels = 6;

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

BackplotView::BackplotView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("BackplotView"));
    setMinimumSize(160, 120);
    setMouseTracking(false);
    setFocusPolicy(Qt::NoFocus);  // the keys stay with the editor
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(24, 28, 36));
    setPalette(p);
    setAutoFillBackground(true);
    setPreset(Preset::Isometric);
}

void BackplotView::setPath(std::shared_ptr<const nc::ProgramPath> path)
{
    path_ = std::move(path);
    tessellate();
    fit();
}

void BackplotView::tessellate()
{
    points_.clear();
    pieces_.clear();
    if (!path_)
        return;
    for (const nc::Move &m : path_->path.moves) {
        Piece piece;
        piece.first = static_cast<std::uint32_t>(points_.size());
        piece.kind = m.kind;
        piece.line = m.line;
        if (m.kind == nc::MoveKind::Rapid || m.kind == nc::MoveKind::Feed) {
            points_.push_back(m.from);
            points_.push_back(m.to);
        } else {
            const nc::ArcSweep a = nc::arcSweep(m);
            const int chords = std::max(4, static_cast<int>(std::ceil(std::abs(a.sweep) / (kChordDegrees * kDegree))));
            double nc::Vec3::*first = m.plane == nc::Plane::XY ? &nc::Vec3::x
                                    : m.plane == nc::Plane::ZX ? &nc::Vec3::z
                                                               : &nc::Vec3::y;
            double nc::Vec3::*second = m.plane == nc::Plane::XY ? &nc::Vec3::y
                                     : m.plane == nc::Plane::ZX ? &nc::Vec3::x
                                                                : &nc::Vec3::z;
            for (int i = 0; i <= chords; ++i) {
                const double t = static_cast<double>(i) / chords;
                // The normal axis goes from end to end (a helix); the
                // plane's axes follow the circle.
                nc::Vec3 p{m.from.x + (m.to.x - m.from.x) * t, m.from.y + (m.to.y - m.from.y) * t,
                           m.from.z + (m.to.z - m.from.z) * t};
                const double angle = a.start + a.sweep * t;
                p.*first = m.center.*first + a.radius * std::cos(angle);
                p.*second = m.center.*second + a.radius * std::sin(angle);
                points_.push_back(p);
            }
        }
        piece.count = static_cast<std::uint32_t>(points_.size()) - piece.first;
        pieces_.push_back(piece);
    }
    centre_ = {(path_->min.x + path_->max.x) / 2, (path_->min.y + path_->max.y) / 2,
               (path_->min.z + path_->max.z) / 2};
}

void BackplotView::setPreset(Preset preset)
{
    switch (preset) {
    case Preset::Top:
        yaw_ = 0;
        pitch_ = 0;
        break;
    case Preset::Front:
        yaw_ = 0;
        pitch_ = -90;
        break;
    case Preset::Side:
        yaw_ = -90;
        pitch_ = -90;
        break;
    case Preset::Isometric:
        yaw_ = -45;
        pitch_ = -54.7356;
        break;
    }
    fit();
}

BackplotView::Projection BackplotView::projection() const
{
    return {std::cos(yaw_ * kDegree), std::sin(yaw_ * kDegree), std::cos(pitch_ * kDegree),
            std::sin(pitch_ * kDegree), scale_, centre_,
            QPointF(width() / 2.0 + pan_.x(), height() / 2.0 + pan_.y())};
}

nc::Vec3 BackplotView::Projection::turned(const nc::Vec3 &p) const
{
    const double x = p.x - centre.x;
    const double y = p.y - centre.y;
    const double z = p.z - centre.z;
    const double x1 = x * cy - y * sy;
    const double y1 = x * sy + y * cy;
    return {x1, y1 * cp - z * sp, y1 * sp + z * cp};
}

QPointF BackplotView::Projection::screen(const nc::Vec3 &p) const
{
    const nc::Vec3 t = turned(p);
    return {origin.x() + t.x * scale, origin.y() - t.y * scale};
}

nc::Vec3 BackplotView::turned(const nc::Vec3 &p) const
{
    return projection().turned(p);
}

QPointF BackplotView::screenPoint(const nc::Vec3 &p) const
{
    return projection().screen(p);
}

void BackplotView::fit()
{
    if (points_.empty()) {
        scale_ = 1;
        pan_ = {};
        update();
        return;
    }
    double minX = std::numeric_limits<double>::max(), maxX = -minX, minY = minX, maxY = -minX;
    const Projection view = projection();
    for (const nc::Vec3 &p : points_) {
        const nc::Vec3 t = view.turned(p);
        minX = std::min(minX, t.x);
        maxX = std::max(maxX, t.x);
        minY = std::min(minY, t.y);
        maxY = std::max(maxY, t.y);
    }
    const double w = std::max(maxX - minX, 1e-6);
    const double h = std::max(maxY - minY, 1e-6);
    scale_ = 0.9 * std::min(std::max(width(), 1) / w, std::max(height(), 1) / h);
    pan_ = {-(minX + maxX) / 2 * scale_, (minY + maxY) / 2 * scale_};
    update();
}

void BackplotView::setCurrentLine(std::optional<std::uint32_t> line)
{
    if (line == current_)
        return;
    current_ = line;
    update();
}

std::optional<std::uint32_t> BackplotView::lineAt(QPointF point) const
{
    double best = kPickPixels;
    std::optional<std::uint32_t> found;
    const Projection view = projection();
    for (const Piece &piece : pieces_) {
        QPointF a = view.screen(points_[piece.first]);
        for (std::uint32_t i = 1; i < piece.count; ++i) {
            const QPointF b = view.screen(points_[piece.first + i]);
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

void BackplotView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, pieces_.size() < 20000);
    // Lines of a kind that go on within a pixel of where the last one
    // ended are drawn as one: a million short moves make as many lines as
    // the pixels they cross.
    struct Lines {
        std::vector<QLineF> lines;
        QPointF end;
        bool any = false;
        void add(QPointF a, QPointF b)
        {
            auto near = [](QPointF p, QPointF q) { return std::abs(p.x() - q.x()) + std::abs(p.y() - q.y()) < 1.0; };
            if (any && near(a, end)) {
                if (near(b, end))
                    return;
                a = end;
            }
            lines.emplace_back(a, b);
            end = b;
            any = true;
        }
    } rapidLines, feedLines, currentLines;
    const Projection view = projection();
    for (const Piece &piece : pieces_) {
        Lines &into = current_ && piece.line == *current_ ? currentLines
                    : piece.kind == nc::MoveKind::Rapid   ? rapidLines
                                                          : feedLines;
        QPointF a = view.screen(points_[piece.first]);
        for (std::uint32_t i = 1; i < piece.count; ++i) {
            const QPointF b = view.screen(points_[piece.first + i]);
            into.add(a, b);
            a = b;
        }
    }
    const std::vector<QLineF> &rapids = rapidLines.lines;
    const std::vector<QLineF> &feeds = feedLines.lines;
    const std::vector<QLineF> &current = currentLines.lines;
    painter.setPen(QPen(QColor(240, 200, 80), 1, Qt::DashLine));
    painter.drawLines(rapids.data(), static_cast<int>(rapids.size()));
    painter.setPen(QPen(QColor(110, 200, 255), 1));
    painter.drawLines(feeds.data(), static_cast<int>(feeds.size()));
    if (path_) {
        painter.setPen(QPen(QColor(120, 230, 140), 1));
        painter.setBrush(Qt::NoBrush);
        for (const nc::Hole &hole : path_->path.holes)
            painter.drawEllipse(view.screen(hole.top), 3.5, 3.5);
    }
    painter.setPen(QPen(QColor(255, 80, 80), 3));
    painter.drawLines(current.data(), static_cast<int>(current.size()));

    // The axes, in a corner: X red, Y green, Z blue.
    const QPointF origin(28, height() - 28.0);
    const nc::Vec3 o = turned(centre_);
    for (const auto &[axis, colour] : {std::pair{nc::Vec3{1, 0, 0}, QColor(230, 80, 80)},
                                       std::pair{nc::Vec3{0, 1, 0}, QColor(80, 210, 80)},
                                       std::pair{nc::Vec3{0, 0, 1}, QColor(90, 140, 255)}}) {
        const nc::Vec3 t = turned({centre_.x + axis.x, centre_.y + axis.y, centre_.z + axis.z});
        painter.setPen(QPen(colour, 2));
        painter.drawLine(origin, origin + QPointF((t.x - o.x) * 20, -(t.y - o.y) * 20));
    }
}

void BackplotView::mousePressEvent(QMouseEvent *event)
{
    pressAt_ = lastAt_ = event->position();
    dragged_ = false;
    dragButton_ = event->button();
    panning_ = event->button() != Qt::LeftButton || (event->modifiers() & Qt::ShiftModifier);
}

void BackplotView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    if ((at - pressAt_).manhattanLength() > 3)
        dragged_ = true;
    const QPointF d = at - lastAt_;
    lastAt_ = at;
    if (!dragged_)
        return;
    if (panning_) {
        pan_ += d;
    } else {
        yaw_ += d.x() * 0.5;
        pitch_ = std::clamp(pitch_ + d.y() * 0.5, -180.0, 0.0);
    }
    update();
}

void BackplotView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!dragged_ && event->button() == Qt::LeftButton && dragButton_ == Qt::LeftButton) {
        if (const auto line = lineAt(event->position()))
            emit lineClicked(*line);
    }
    dragButton_ = Qt::NoButton;
}

void BackplotView::wheelEvent(QWheelEvent *event)
{
    // About the pointer: the point under it stays there.
    const double factor = std::pow(1.2, event->angleDelta().y() / 120.0);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const QPointF at = event->position() - centre;
    pan_ = at - (at - pan_) * factor;
    scale_ *= factor;
    update();
}

void BackplotView::resizeEvent(QResizeEvent *)
{
    fit();
}

}  // namespace marbolt
