#pragma once
// How a tool path is looked at: turned about Z (yaw) and then about the
// screen's X (pitch), scaled in pixels per unit and moved on the screen.
// The software drawing, the GPU's matrix and the picking of a move under
// the mouse all project through it, so they cannot disagree.
#include "nc/movelist.h"

#include <QPointF>
#include <QSizeF>

#include <algorithm>
#include <array>

namespace marbolt::nc {

enum class ViewPreset { Top, Front, Side, Isometric };

// One frame's projection, worked out once for the many points of a frame.
struct Projection {
    double cy = 1, sy = 0, cp = 1, sp = 0, scale = 1;
    Vec3 centre;
    QPointF origin;  // where the centre is drawn, in widget pixels
    // screen = origin + (x·toX, y·toY) of a point relative to the centre
    // (toX's z is always 0: the turn about Z comes first).
    double xx = 1, xy = 0, yx = 0, yy = -1, yz = 0;

    Projection() = default;
    Projection(double yaw, double pitch, double pixelsPerUnit, const Vec3 &centre, QPointF origin);

    // The point turned into the view: x right, y up, z toward the eye,
    // relative to the centre.
    Vec3 turned(const Vec3 &p) const { return rotated({p.x - centre.x, p.y - centre.y, p.z - centre.z}); }
    // The same of a point given relative to the centre.
    Vec3 rotated(const Vec3 &relative) const;
    // Where it is drawn, in widget pixels (y down).
    QPointF screen(const Vec3 &p) const { return screenRelative({p.x - centre.x, p.y - centre.y, p.z - centre.z}); }
    QPointF screenRelative(const Vec3 &r) const
    {
        return {origin.x() + xx * r.x + xy * r.y, origin.y() + yx * r.x + yy * r.y + yz * r.z};
    }
};

class ViewCamera {
public:
    ViewCamera() { setPreset(ViewPreset::Isometric); }

    void setPreset(ViewPreset preset);
    // The point the view turns about: the path's centre.
    void setCentre(const Vec3 &centre) { centre_ = centre; }
    const Vec3 &centre() const { return centre_; }

    Projection projection(QSizeF size) const;
    // Scales and moves so that the points, given relative to the centre
    // (anything with x, y, z members), fill nine tenths of the size.
    template <typename Points>
    void fit(const Points &points, QSizeF size);
    // A drag of the mouse by delta pixels.
    void turn(QPointF delta);
    void move(QPointF delta) { pan_ += delta; }
    // Zooms by factor about a widget point: what is drawn there stays.
    void zoomAbout(QPointF at, QSizeF size, double factor);

    // The matrix, column by column, that takes a point relative to the
    // centre to the clip space of a viewport of this size: the GPU's form
    // of screen().
    std::array<float, 16> clipMatrix(QSizeF size) const;

    double scale() const { return scale_; }
    double yaw() const { return yaw_; }
    double pitch() const { return pitch_; }

private:
    void fitBox(double minX, double maxX, double minY, double maxY, QSizeF size);

    double yaw_ = 0;    // about Z, degrees
    double pitch_ = 0;  // about the screen's X, degrees: 0 from above, -90 from the front
    double scale_ = 1;  // pixels per unit
    QPointF pan_;       // of the centre, in pixels from the widget's middle
    Vec3 centre_;
};

template <typename Points>
void ViewCamera::fit(const Points &points, QSizeF size)
{
    bool any = false;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    const Projection view = projection(size);
    for (const auto &p : points) {
        const Vec3 t = view.rotated({static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z)});
        if (!any) {
            minX = maxX = t.x;
            minY = maxY = t.y;
            any = true;
        }
        minX = std::min(minX, t.x);
        maxX = std::max(maxX, t.x);
        minY = std::min(minY, t.y);
        maxY = std::max(maxY, t.y);
    }
    if (!any) {
        scale_ = 1;
        pan_ = {};
        return;
    }
    fitBox(minX, maxX, minY, maxY, size);
}

}  // namespace marbolt::nc
