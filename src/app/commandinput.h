#pragma once
// What the command-line modes read: the settings as the window would have
// them, and the NC file named.
#include "common/appfolder.h"
#include "common/settingsstore.h"

#include <QString>

#include <cstdio>
#include <optional>
#include <string>

namespace marbolt {

// The settings file of paths over the start-up values.
SettingsStore commandSettings(const AppPaths &paths);

// The file as the program opens it (UTF-8, CR LF); nullopt, with the
// reason printed to err, when it cannot be read.
std::optional<std::string> readCommandFile(const QString &file, std::FILE *err);

}  // namespace marbolt
