#pragma once
// Font faces named by the settings ("ＭＳ ゴシック") are Windows fonts. When a
// face is not installed, the nearest fixed-pitch Japanese face stands in for
// it; the setting keeps the name the user chose.
#include <QString>

namespace marbolt {

// The installed face to use for the face name; the name itself when installed.
QString installedFixedFace(const QString &face);

}  // namespace marbolt
