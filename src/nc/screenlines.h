#pragma once
// A run of points on the screen thinned to what pixels can show: the run
// is drawn as chords between some of its own points, each chord passing
// within `tolerance` pixels of every point it leaves out, and a turn back
// ends a chord. A million short moves of a smooth path come out as the
// few thousand lines a painter can draw in a frame, with nothing a person
// could see taken away.
//
// The test for a point is the sleeve of the chord's possible directions:
// every point left out narrows the directions from the chord's start that
// still pass within the tolerance of it, and a point whose own direction
// falls outside them starts a new chord.
#include <QLineF>
#include <QPointF>

#include <vector>

namespace marbolt::nc {

class ScreenLines {
public:
    explicit ScreenLines(std::vector<QLineF> &out, double tolerance = 0.5) : out_(out), tolerance_(tolerance) {}

    // Starts a run at p (the run before it ends).
    void moveTo(QPointF p);
    // Goes on to p; a lineTo without a moveTo starts at p.
    void lineTo(QPointF p);
    // Ends the run: its last chord is drawn.
    void finish();
    // Where the run is now (its last point).
    QPointF at() const { return last_; }
    bool running() const { return running_; }

private:
    void restartAtLast();

    std::vector<QLineF> &out_;
    double tolerance_;
    QPointF anchor_;  // the chord's start
    QPointF last_;    // its end so far: the last point of the run
    double reach2_ = 0;  // the square of the farthest the run has gone from the anchor
    QPointF low_, high_;  // the directions the chord may still take, clockwise to anticlockwise
    double lowLength2_ = 0, highLength2_ = 0;  // their squared lengths
    bool sleeve_ = false;  // whether low_/high_ hold: a point beyond the tolerance came
    bool running_ = false;
};

}  // namespace marbolt::nc
