#include "app/commandinput.h"

#include "common/commandoutput.h"
#include "document/ncfile.h"
#include "station/settingsfile.h"

#include <limits>

namespace marbolt {

SettingsStore commandSettings(const AppPaths &paths)
{
    SettingsStore settings;
    settings.storeDefaults(paths.startFolderWithSeparator());
    readSettingsFile(paths.storageFile(QStringLiteral(".ini")), settings);
    settings.restoreMissingDefaults();
    return settings;
}

std::optional<std::string> readCommandFile(const QString &file, std::FILE *err)
{
    std::optional<std::string> text = readNcText(file, std::numeric_limits<std::uint64_t>::max());
    if (!text)
        printText(err, QStringLiteral("%1 を開けませんでした。\n").arg(file));
    return text;
}

}  // namespace marbolt
