#pragma once
// The program's icon for its windows, at the sizes they show it (the
// drawing itself is in app/tapeicon.h).
#include <QIcon>

namespace marbolt {

QIcon programIcon();

}  // namespace marbolt
