#pragma once
// The tool's path drawn: rapids dashed, feeds solid, arcs as arcs, the
// holes of the canned cycles as rings, in a top, front, side or isometric
// view that the mouse turns (left drag), moves (right or middle drag, or
// Shift and left) and zooms (wheel, about the pointer). The moves of one
// source line are drawn highlighted; a click on a move names its line.
//
// The path is drawn by the GPU where there is one, and by QPainter where
// no OpenGL context can be made or its renderer is a rasterizer on the CPU
// (MARBOLT_BACKPLOT=gpu or =software chooses); the highlight and the axes
// are painted over either.
#include "nc/ncprogram.h"
#include "nc/pathdrawing.h"
#include "nc/viewcamera.h"

#include <QLineF>
#include <QPointF>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace marbolt {

class BackplotGlSurface;

class BackplotView : public QWidget {
    Q_OBJECT
public:
    using Preset = nc::ViewPreset;

    explicit BackplotView(QWidget *parent = nullptr);

    // The path to draw; the view fits it.
    void setPath(std::shared_ptr<const nc::ProgramPath> path);
    const nc::ProgramPath *path() const { return path_.get(); }
    void setPreset(Preset preset);
    // Shows the whole path.
    void fit();
    // The source line drawn highlighted (nullopt: none).
    void setCurrentLine(std::optional<std::uint32_t> line);
    std::optional<std::uint32_t> currentLine() const { return current_; }
    // Where a point of the path is drawn, in the widget's coordinates.
    QPointF screenPoint(const nc::Vec3 &p) const;
    // The line of the move drawn nearest to a widget point, within a few
    // pixels.
    std::optional<std::uint32_t> lineAt(QPointF point) const;
    // Whether the GPU draws the path.
    bool drawnByGpu() const { return gpu_ != nullptr; }

    // For the GPU surface: what it draws, as it is looked at, and what is
    // painted over it.
    const nc::PathDrawing &drawing() const { return drawing_; }
    const nc::ViewCamera &camera() const { return camera_; }
    void paintOverlay(QPainter &painter) const;

signals:
    void lineClicked(std::uint32_t line);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void redraw();
    QSizeF area() const { return QSizeF(width(), height()); }

    std::shared_ptr<const nc::ProgramPath> path_;
    nc::PathDrawing drawing_;
    nc::ViewCamera camera_;
    BackplotGlSurface *gpu_ = nullptr;
    std::optional<std::uint32_t> current_;
    std::vector<QLineF> rapidLines_;  // a software frame's lines, kept for the next
    std::vector<QLineF> feedLines_;
    QPointF pressAt_;
    QPointF lastAt_;
    bool dragged_ = false;
    Qt::MouseButton dragButton_ = Qt::NoButton;
    bool panning_ = false;
};

}  // namespace marbolt
