#pragma once
// marbolt --check FILE [--code ISO|EIA|NONE]: the check before a send, on a
// file as a whole-document send would put it on the line, for scripts and
// CAM post-processors. No window opens.
#include "common/appfolder.h"

#include <QString>

#include <cstdio>

namespace marbolt {

// Prints one line per finding, "FILE:LINE:COLUMN: kind: line text", to
// out, and the reason for a failure to err. Returns 0 with no finding,
// 1 with findings, 2 when the file cannot be read. code is "ISO", "EIA" or
// "NONE"; when it is empty the code comes from the settings file (CODE),
// as does HEAD% always.
int runCheckCommand(const QString &file, const QString &code, const AppPaths &paths, std::FILE *out,
                    std::FILE *err);

}  // namespace marbolt
