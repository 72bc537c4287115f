#pragma once
// The backplot's colours, the same whether the GPU or QPainter draws.
#include <QColor>

namespace marbolt {

inline QColor backplotBackground() { return {24, 28, 36}; }
inline QColor backplotRapidColour() { return {240, 200, 80}; }
inline QColor backplotFeedColour() { return {110, 200, 255}; }
inline QColor backplotHoleColour() { return {120, 230, 140}; }
inline QColor backplotHighlightColour() { return {255, 80, 80}; }
// A hole's ring, in pixels.
constexpr double kBackplotHoleRadius = 3.5;
// A rapid's dashes and gaps, in pixels.
constexpr double kBackplotDashPixels = 4;

}  // namespace marbolt
