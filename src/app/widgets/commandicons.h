#pragma once
// Tool-bar pictures drawn by the program itself, for the commands the
// desktop style has none for and no icon theme may be installed.
#include <QIcon>

namespace marbolt {

enum class CommandPicture { Print, Cut, Copy, Paste };

// The theme's icon of that name when there is one, else a drawn picture.
QIcon commandIcon(const char *themeName, CommandPicture fallback);

}  // namespace marbolt
