#include "app/statscommand.h"

#include "app/commandinput.h"
#include "common/commandoutput.h"
#include "station/ncmachine.h"
#include "tools/statisticsreport.h"

#include <vector>

namespace marbolt {

int runStatsCommand(const QString &file, const AppPaths &paths, std::FILE *out, std::FILE *err)
{
    SettingsStore settings = commandSettings(paths);
    const nc::ReadOptions options = readOptionsFor(activeNcMachine(settings));

    const std::optional<std::string> read = readCommandFile(file, err);
    if (!read)
        return 2;
    const std::string &text = *read;
    const std::vector<std::size_t> starts = nc::programOffsets(text);
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
