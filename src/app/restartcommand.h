#pragma once
// marbolt --restart FILE N1020: what a restart from block N1020 would send
// (the O-line, the header that restores the state there, the rest of the
// program), printed without a window; the points to check go to standard
// error.
#include "common/appfolder.h"

#include <QString>

#include <cstdio>

namespace marbolt {

// block: "N1020" or "1020", searched in each program of the file in turn.
// Returns 0 when printed, 1 when no program has the block, 2 when the
// file cannot be read.
int runRestartCommand(const QString &file, const QString &block, const AppPaths &paths, std::FILE *out,
                      std::FILE *err);

}  // namespace marbolt
