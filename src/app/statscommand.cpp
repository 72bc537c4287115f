#include "app/statscommand.h"

#include "app/commandoutput.h"
#include "document/ncfile.h"
#include "station/ncmachine.h"
#include "station/settingsfile.h"
#include "tools/statisticsreport.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace marbolt {

int runStatsCommand(const QString &file, const AppPaths &paths, std::FILE *out, std::FILE *err)
{
    SettingsStore settings;
    settings.storeDefaults(paths.startFolderWithSeparator());
    readSettingsFile(paths.storageFile(QStringLiteral(".ini")), settings);
    settings.restoreMissingDefaults();
    const nc::ReadOptions options = readOptionsFor(activeNcMachine(settings));

    const std::optional<std::string> read = readNcText(file, std::numeric_limits<std::uint64_t>::max());
    if (!read) {
        printText(err, QStringLiteral("%1 を開けませんでした。\n").arg(file));
        return 2;
    }
    const std::string &text = *read;
    std::vector<std::size_t> starts;
    for (const auto &[number, start] : nc::programsOf(text)) {
        (void)number;
        starts.push_back(start.offset);
    }
    std::sort(starts.begin(), starts.end());
    QStringList reports;
    if (starts.empty())
        reports << statisticsReport(nc::statisticsOf(text, std::nullopt, options), file);
    for (const std::size_t start : starts) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view oLine = std::string_view(text).substr(start, end == std::string::npos ? std::string::npos : end - start);
        reports << statisticsReport(nc::statisticsOf(text, start, options),
                                    QString::fromUtf8(oLine.data(), static_cast<qsizetype>(oLine.size())));
    }
    printText(out, reports.join(QStringLiteral("\n\n")) + u'\n');
    return 0;
}

}  // namespace marbolt
