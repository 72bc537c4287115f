#pragma once
// marbolt --stats FILE: each program of a file summed up (blocks, tools,
// extents, feeds, the time it runs on the active machine) without a window.
#include "common/appfolder.h"

#include <QString>

#include <cstdio>

namespace marbolt {

// Prints one report per program (the whole file when it has no O-line),
// separated by a blank line, to out. Returns 0, or 2 when the file cannot
// be read (the reason to err).
int runStatsCommand(const QString &file, const AppPaths &paths, std::FILE *out, std::FILE *err);

}  // namespace marbolt
