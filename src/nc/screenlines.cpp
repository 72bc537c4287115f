#include "nc/screenlines.h"

#include <cmath>

namespace marbolt::nc {

namespace {

double cross(QPointF a, QPointF b) { return a.x() * b.y() - a.y() * b.x(); }

}  // namespace

void ScreenLines::moveTo(QPointF p)
{
    finish();
    anchor_ = last_ = p;
    reach2_ = 0;
    sleeve_ = false;
    running_ = true;
}

void ScreenLines::finish()
{
    if (running_ && last_ != anchor_)
        out_.emplace_back(anchor_, last_);
    running_ = false;
}

void ScreenLines::restartAtLast()
{
    out_.emplace_back(anchor_, last_);
    anchor_ = last_;
    reach2_ = 0;
    sleeve_ = false;
}

void ScreenLines::lineTo(QPointF p)
{
    if (!running_) {
        moveTo(p);
        return;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QPointF v = p - anchor_;
        const double d2 = v.x() * v.x() + v.y() * v.y();
        // A turn back: the chord to p would leave out a point beyond it.
        // (A point farther than any before is never back: no square root
        // for the run going on.)
        bool back = false;
        if (d2 < reach2_) {
            const double backWithin = std::sqrt(reach2_) - tolerance_ / 2;
            back = backWithin > 0 && d2 < backWithin * backWithin;
        }
        if (d2 <= tolerance_ * tolerance_ && !back) {
            // Within the tolerance of the chord's start: every chord from
            // there passes near it.
            last_ = p;
            return;
        }
        const bool inside = !sleeve_ || (cross(low_, v) >= 0 && cross(v, high_) >= 0);
        if (back || !inside) {
            if (attempt == 0 && last_ != anchor_) {
                restartAtLast();
                continue;
            }
        }
        const double t2 = tolerance_ * tolerance_;
        // Most points of a smooth run pass both edges of the sleeve within
        // the tolerance (|cross(edge, v)| <= tolerance |edge|), so they
        // narrow nothing and need no square root.
        const double lowCross = cross(low_, v), highCross = cross(v, high_);
        const bool narrows = !sleeve_ || lowCross * lowCross > t2 * lowLength2_
                          || highCross * highCross > t2 * highLength2_;
        if (narrows) {
            // The directions from the anchor that pass within the tolerance
            // of p: v turned either way by asin(tolerance / |v|), each
            // scaled by |v| cos of that angle (only the direction counts),
            // which leaves one square root to take.
            const double k = std::sqrt(d2 - t2);
            const QPointF low(v.x() * k + v.y() * tolerance_, -v.x() * tolerance_ + v.y() * k);
            const QPointF high(v.x() * k - v.y() * tolerance_, v.x() * tolerance_ + v.y() * k);
            if (!sleeve_ || cross(low_, low) > 0) {
                low_ = low;
                lowLength2_ = low.x() * low.x() + low.y() * low.y();
            }
            if (!sleeve_ || cross(high, high_) > 0) {
                high_ = high;
                highLength2_ = high.x() * high.x() + high.y() * high.y();
            }
            sleeve_ = true;
        }
        last_ = p;
        reach2_ = std::max(reach2_, d2);
        return;
    }
}

}  // namespace marbolt::nc
