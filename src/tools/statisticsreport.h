#pragma once
// A program's statistics as the lines the window's dialog and
// "marbolt --stats" show.
#include "nc/statistics.h"

#include <QString>

namespace marbolt {

// title: the program's O-line (or the file's name). A tool's line is the
// document's, 1-based.
QString statisticsReport(const nc::ProgramStatistics &s, const QString &title);

}  // namespace marbolt
