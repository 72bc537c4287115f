#include "app/checkcommand.h"
#include "app/commandline.h"
#include "common/commandoutput.h"
#include "app/comparecommand.h"
#include "app/processsignals.h"
#include "app/qtjapanese.h"
#include "app/historycommand.h"
#include "app/restartcommand.h"
#include "app/statscommand.h"
#include "app/widgets/sdiappform.h"

#include <QApplication>

namespace {

// Everything but the window: the help, the version, the check, the
// compare, the statistics, the restart, the history and a mistake print and end without a display.
int runWithoutWindow(marbolt::CommandLine line, const QStringList &arguments, int argc, char *argv[])
{
    using marbolt::CommandKind;
    QCoreApplication core(argc, argv);
    marbolt::installQtJapanese(core);
    if (line.kind == CommandKind::Mistake)
        line = marbolt::readCommandLine(arguments);  // again, now that Qt's own words are in Japanese
    switch (line.kind) {
    case CommandKind::Help:
        marbolt::printText(stdout, marbolt::commandLineHelp());
        return 0;
    case CommandKind::Version:
        marbolt::printText(stdout, marbolt::versionLine() + QLatin1Char('\n'));
        return 0;
    case CommandKind::Check:
        return marbolt::runCheckCommand(line.file, line.code, marbolt::AppPaths::forThisProgram(), stdout, stderr);
    case CommandKind::Compare:
        return marbolt::runCompareCommand(line.left, line.right, line.compare, stdout, stderr);
    case CommandKind::Stats:
        return marbolt::runStatsCommand(line.file, marbolt::AppPaths::forThisProgram(), stdout, stderr);
    case CommandKind::Restart:
        return marbolt::runRestartCommand(line.file, line.block, marbolt::AppPaths::forThisProgram(), stdout,
                                          stderr);
    case CommandKind::History:
        return marbolt::runHistoryCommand(line.history, marbolt::AppPaths::forThisProgram(), stdout, stderr);
    case CommandKind::Mistake:
    case CommandKind::Window:
        break;
    }
    marbolt::printText(stderr, QStringLiteral("marbolt: %1\n%2詳しくは marbolt --help を見てください。\n")
                                   .arg(line.mistake, marbolt::commandLineUsage()));
    return 2;
}

}  // namespace

int main(int argc, char *argv[])
{
    marbolt::ignoreFileSizeSignal();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const marbolt::CommandLine line = marbolt::readCommandLine(arguments);
    if (line.kind != marbolt::CommandKind::Window)
        return runWithoutWindow(line, arguments, argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marbolt"));
    // The desktop entry the window belongs to (its icon and name in task
    // bars; the application id under Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("marbolt"));
    marbolt::installQtJapanese(app);
    // No display name: Qt would append it to every caption ("情報 — マルボルト"),
    // and each caption already says what it should.

    marbolt::AppEnvironment env;
    env.paths = marbolt::AppPaths::forThisProgram();
    if (!line.file.isEmpty())
        env.arguments << line.file;
    // The settings, the machines and their transfer sessions: the window
    // is a view of them.
    marbolt::Station station(marbolt::StationPlace{env.paths.storageFile(QStringLiteral(".ini")),
                                                   env.paths.startFolderWithSeparator()});
    env.station = &station;
    marbolt::TSDIAppForm form(std::move(env));
    form.show();
    return app.exec();
}
