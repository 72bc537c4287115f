#include "app/restartcommand.h"

#include "app/commandinput.h"
#include "common/commandoutput.h"
#include "nc/restart.h"
#include "station/ncmachine.h"

#include <vector>

namespace marbolt {

int runRestartCommand(const QString &file, const QString &block, const AppPaths &paths, std::FILE *out,
                      std::FILE *err)
{
    SettingsStore settings = commandSettings(paths);
    const NcMachine machine = activeNcMachine(settings);

    const std::optional<std::string> read = readCommandFile(file, err);
    if (!read)
        return 2;
    const std::string &text = *read;
    const long number = QString(block).remove(0, block.startsWith(u'N', Qt::CaseInsensitive) ? 1 : 0).toLong();
    // The file's start, then each O-line in order.
    std::vector<std::size_t> starts = nc::programOffsets(text);
    if (starts.empty() || starts.front() != 0)
        starts.insert(starts.begin(), 0);
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
