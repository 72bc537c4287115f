#pragma once
// The tool's path drawn: rapids dashed, feeds solid, arcs as arcs, the
// holes of the canned cycles as rings, in a top, front, side or isometric
// view that the mouse turns (left drag), moves (right or middle drag, or
// Shift and left) and zooms (wheel, about the pointer). The moves of one
// source line are drawn highlighted; a click on a move names its line.
#include "nc/ncprogram.h"

#include <QPointF>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace marbolt {

class BackplotView : public QWidget {
    Q_OBJECT
public:
    enum class Preset { Top, Front, Side, Isometric };

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
    // A move as drawn: a run of points (an arc in short chords).
    struct Piece {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
        nc::MoveKind kind = nc::MoveKind::Rapid;
        std::uint32_t line = 0;
    };
    // The view's turn and scale, worked out once for the many points of a
    // frame.
    struct Projection {
        double cy, sy, cp, sp, scale;
        nc::Vec3 centre;
        QPointF origin;  // where the centre is drawn
        nc::Vec3 turned(const nc::Vec3 &p) const;
        QPointF screen(const nc::Vec3 &p) const;
    };
    Projection projection() const;
    void tessellate();
    // The point turned into the view: x right, y up, depth toward the eye.
    nc::Vec3 turned(const nc::Vec3 &p) const;

    std::shared_ptr<const nc::ProgramPath> path_;
    std::vector<nc::Vec3> points_;
    std::vector<Piece> pieces_;
    std::optional<std::uint32_t> current_;
    double yaw_ = 0;    // about Z, degrees
    double pitch_ = 0;  // about the screen's X, degrees
    double scale_ = 1;  // pixels per unit
    QPointF pan_;       // of the path's centre, in pixels from the widget's centre
    nc::Vec3 centre_;
    QPointF pressAt_;
    QPointF lastAt_;
    bool dragged_ = false;
    Qt::MouseButton dragButton_ = Qt::NoButton;
    bool panning_ = false;
};

}  // namespace marbolt
