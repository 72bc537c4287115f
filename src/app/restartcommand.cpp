#include "app/restartcommand.h"

#include "app/commandoutput.h"
#include "document/ncfile.h"
#include "nc/restart.h"
#include "station/ncmachine.h"
#include "station/settingsfile.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace marbolt {

int runRestartCommand(const QString &file, const QString &block, const AppPaths &paths, std::FILE *out,
                      std::FILE *err)
{
    SettingsStore settings;
    settings.storeDefaults(paths.startFolderWithSeparator());
    readSettingsFile(paths.storageFile(QStringLiteral(".ini")), settings);
    settings.restoreMissingDefaults();
    const NcMachine machine = activeNcMachine(settings);

    const std::optional<std::string> read = readNcText(file, std::numeric_limits<std::uint64_t>::max());
    if (!read) {
        printText(err, QStringLiteral("%1 を開けませんでした。\n").arg(file));
        return 2;
    }
    const std::string &text = *read;
    const long number = QString(block).remove(0, block.startsWith(u'N', Qt::CaseInsensitive) ? 1 : 0).toLong();
    // The file's start, then each O-line in order.
    std::vector<std::size_t> starts{0};
    for (const auto &[n, start] : nc::programsOf(text)) {
        (void)n;
        starts.push_back(start.offset);
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    for (const std::size_t start : starts) {
        const std::optional<std::size_t> at = nc::findSequence(text, start, number);
        if (!at)
            continue;
        const std::optional<nc::RestartPlan> plan =
            nc::planRestart(text, start, *at, nc::RestartOptions{readOptionsFor(machine).motion, machine.safeZ});
        if (!plan)
            break;
        const std::string sent = plan->text();
        printText(out, QString::fromUtf8(sent.data(), static_cast<qsizetype>(sent.size())));
        for (const std::string &note : plan->notes)
            printText(err, QStringLiteral("注意: %1\n").arg(QString::fromStdString(note)));
        return 0;
    }
    printText(err, QStringLiteral("%1 に N%2 のブロックがありません。\n").arg(file).arg(number));
    return 1;
}

}  // namespace marbolt
