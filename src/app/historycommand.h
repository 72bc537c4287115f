#pragma once
// marbolt --history: the transfer history without a window, the latest
// first, one line a program: when, machine, direction, program, comment,
// outcome, bytes, who, and the version (its text's hash, shortened), which
// --show prints whole.
#include "app/commandline.h"
#include "common/appfolder.h"
#include "history/historydatabase.h"

#include <cstdio>

namespace marbolt {

// Returns 0 when it printed, 1 when nothing matched, 2 when the history
// cannot be read (the reason to err).
int runHistoryCommand(const CommandLine::History &query, const AppPaths &paths, std::FILE *out, std::FILE *err);

}  // namespace marbolt
