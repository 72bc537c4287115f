#pragma once
// Font faces named by the settings ("ＭＳ ゴシック") are Windows fonts. When a
// face is not installed, the nearest fixed-pitch Japanese face stands in for
// it; the setting keeps the name the user chose.
#include <QFont>
#include <QString>

namespace marbolt {

// The installed face to use for the face name; the name itself when installed.
QString installedFixedFace(const QString &face);

// The dialogs' "ＭＳ Ｐゴシック" where installed, else the nearest
// proportional Japanese face, at a size in pixels.
QFont dialogFont(int pixelSize);

}  // namespace marbolt
