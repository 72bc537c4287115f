#include "nc/viewcamera.h"

#include <cmath>

namespace marbolt::nc {

namespace {
constexpr double kDegree = 3.14159265358979323846 / 180;
}

Projection::Projection(double yaw, double pitch, double pixelsPerUnit, const Vec3 &c, QPointF o)
    : cy(std::cos(yaw * kDegree)), sy(std::sin(yaw * kDegree)), cp(std::cos(pitch * kDegree)),
      sp(std::sin(pitch * kDegree)), scale(pixelsPerUnit), centre(c), origin(o)
{
    xx = scale * cy;
    xy = -scale * sy;
    yx = -scale * sy * cp;
    yy = -scale * cy * cp;
    yz = scale * sp;
}

Vec3 Projection::rotated(const Vec3 &r) const
{
    const double x1 = r.x * cy - r.y * sy;
    const double y1 = r.x * sy + r.y * cy;
    return {x1, y1 * cp - r.z * sp, y1 * sp + r.z * cp};
}

void ViewCamera::setPreset(ViewPreset preset)
{
    switch (preset) {
    case ViewPreset::Top:
        yaw_ = 0;
        pitch_ = 0;
        break;
    case ViewPreset::Front:
        yaw_ = 0;
        pitch_ = -90;
        break;
    case ViewPreset::Side:
        yaw_ = -90;
        pitch_ = -90;
        break;
    case ViewPreset::Isometric:
        yaw_ = -45;
        pitch_ = -54.7356;  // the cube's diagonal toward the eye
        break;
    }
}

Projection ViewCamera::projection(QSizeF size) const
{
    return {yaw_, pitch_, scale_, centre_, QPointF(size.width() / 2 + pan_.x(), size.height() / 2 + pan_.y())};
}

void ViewCamera::fitBox(double minX, double maxX, double minY, double maxY, QSizeF size)
{
    const double w = std::max(maxX - minX, 1e-6);
    const double h = std::max(maxY - minY, 1e-6);
    scale_ = 0.9 * std::min(std::max(size.width(), 1.0) / w, std::max(size.height(), 1.0) / h);
    pan_ = {-(minX + maxX) / 2 * scale_, (minY + maxY) / 2 * scale_};
}

void ViewCamera::turn(QPointF delta)
{
    yaw_ += delta.x() * 0.5;
    pitch_ = std::clamp(pitch_ + delta.y() * 0.5, -180.0, 0.0);
}

void ViewCamera::zoomAbout(QPointF at, QSizeF size, double factor)
{
    const QPointF fromMiddle = at - QPointF(size.width() / 2, size.height() / 2);
    pan_ = fromMiddle - (fromMiddle - pan_) * factor;
    scale_ *= factor;
}

std::array<float, 16> ViewCamera::clipMatrix(QSizeF size) const
{
    // screen = origin + scale * (row0 . r, -row1 . r); clip x = 2 sx / w - 1,
    // clip y = 1 - 2 sy / h. Depth is not used: moves are drawn in order.
    const Projection v = projection(size);
    const double w = std::max(size.width(), 1.0), h = std::max(size.height(), 1.0);
    const double kx = 2 * v.scale / w, ky = 2 * v.scale / h;
    const double row0[3] = {v.cy, -v.sy, 0};
    const double row1[3] = {v.sy * v.cp, v.cy * v.cp, -v.sp};
    std::array<float, 16> m{};
    for (int c = 0; c < 3; ++c) {
        m[c * 4 + 0] = static_cast<float>(kx * row0[c]);
        m[c * 4 + 1] = static_cast<float>(ky * row1[c]);
    }
    m[12] = static_cast<float>(2 * v.origin.x() / w - 1);
    m[13] = static_cast<float>(1 - 2 * v.origin.y() / h);
    m[15] = 1;
    return m;
}

}  // namespace marbolt::nc
