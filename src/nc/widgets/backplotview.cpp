#include "nc/widgets/backplotview.h"

#include "nc/widgets/backplotcolours.h"
#include "nc/widgets/backplotglsurface.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace marbolt {

namespace {

// A click finds a move this near, in pixels.
constexpr double kPickPixels = 6;

}  // namespace

BackplotView::BackplotView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("BackplotView"));
    setMinimumSize(160, 120);
    setMouseTracking(false);
    setFocusPolicy(Qt::NoFocus);  // the keys stay with the editor
    QPalette p = palette();
    p.setColor(QPalette::Window, backplotBackground());
    setPalette(p);
    setAutoFillBackground(true);
    if (BackplotGlSurface::available()) {
        gpu_ = new BackplotGlSurface(this);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(gpu_);
    }
}

void BackplotView::setPath(std::shared_ptr<const nc::ProgramPath> path)
{
    path_ = std::move(path);
    drawing_.build(path_.get());
    camera_.setCentre(drawing_.centre());
    if (gpu_)
        gpu_->pathChanged();
    fit();
}

void BackplotView::setPreset(Preset preset)
{
    camera_.setPreset(preset);
    fit();
}

QPointF BackplotView::screenPoint(const nc::Vec3 &p) const
{
    return camera_.projection(area()).screen(p);
}

void BackplotView::fit()
{
    camera_.fit(drawing_.points(), area());
    redraw();
}

void BackplotView::setCurrentLine(std::optional<std::uint32_t> line)
{
    if (line == current_)
        return;
    current_ = line;
    redraw();
}

std::optional<std::uint32_t> BackplotView::lineAt(QPointF point) const
{
    return drawing_.lineAt(camera_.projection(area()), point, kPickPixels);
}

void BackplotView::redraw()
{
    if (gpu_)
        gpu_->update();
    else
        update();
}

void BackplotView::paintEvent(QPaintEvent *)
{
    if (gpu_)
        return;  // the surface covers the view
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, drawing_.points().size() < 40000);
    const nc::Projection view = camera_.projection(area());
    // Each kind's moves as runs thinned to what the pixels show. The lists
    // are kept from frame to frame, so a frame takes no new memory.
    rapidLines_.clear();
    feedLines_.clear();
    drawing_.thin(view, rapidLines_, feedLines_);
    painter.setPen(QPen(backplotRapidColour(), 1, Qt::DashLine));
    painter.drawLines(rapidLines_.data(), static_cast<int>(rapidLines_.size()));
    painter.setPen(QPen(backplotFeedColour(), 1));
    painter.drawLines(feedLines_.data(), static_cast<int>(feedLines_.size()));
    painter.setPen(QPen(backplotHoleColour(), 1));
    painter.setBrush(Qt::NoBrush);
    for (const nc::DrawPoint &hole : drawing_.holes())
        painter.drawEllipse(view.screenRelative(nc::PathDrawing::relative(hole)), kBackplotHoleRadius,
                            kBackplotHoleRadius);
    paintOverlay(painter);
}

void BackplotView::paintOverlay(QPainter &painter) const
{
    const nc::Projection view = camera_.projection(area());
    if (current_) {
        const std::vector<nc::DrawPoint> &points = drawing_.points();
        std::vector<QLineF> lines;
        for (const std::uint32_t index : drawing_.piecesOf(*current_)) {
            const nc::DrawPiece &piece = drawing_.pieces()[index];
            QPointF a = view.screenRelative(nc::PathDrawing::relative(points[piece.first]));
            for (std::uint32_t i = 1; i < piece.count; ++i) {
                const QPointF b = view.screenRelative(nc::PathDrawing::relative(points[piece.first + i]));
                lines.emplace_back(a, b);
                a = b;
            }
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(backplotHighlightColour(), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
    }

    // The axes, in a corner: X red, Y green, Z blue.
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPointF origin(28, height() - 28.0);
    for (const auto &[axis, colour] : {std::pair{nc::Vec3{1, 0, 0}, QColor(230, 80, 80)},
                                       std::pair{nc::Vec3{0, 1, 0}, QColor(80, 210, 80)},
                                       std::pair{nc::Vec3{0, 0, 1}, QColor(90, 140, 255)}}) {
        const nc::Vec3 t = view.rotated(axis);
        painter.setPen(QPen(colour, 2));
        painter.drawLine(origin, origin + QPointF(t.x * 20, -t.y * 20));
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
    if (panning_)
        camera_.move(d);
    else
        camera_.turn(d);
    redraw();
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
    camera_.zoomAbout(event->position(), area(), std::pow(1.2, event->angleDelta().y() / 120.0));
    redraw();
}

void BackplotView::resizeEvent(QResizeEvent *)
{
    fit();
}

}  // namespace marbolt
