#pragma once
// marbolt --check FILE [--code ISO|EIA|NONE]: the check before a send, on a
// file as a whole-document send would put it on the line, for scripts and
// CAM post-processors. No window opens.
#include "app/appfolder.h"

#include <QStringList>

#include <cstdio>

namespace marbolt {

// True when the arguments (after the program name) ask for the check.
bool asksForCheck(const QStringList &arguments);

// Prints one line per finding, "FILE:LINE:COLUMN: kind: line text", to
// out, and the reason for a failure to err. Returns 0 with no finding,
// 1 with findings, 2 when the file cannot be read or the arguments are
// wrong. Without --code the code comes from the settings file (CODE), as
// does HEAD%.
int runCheckCommand(const QStringList &arguments, const AppPaths &paths, std::FILE *out, std::FILE *err);

}  // namespace marbolt
