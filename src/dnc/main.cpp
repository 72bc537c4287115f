// marbolt-dnc: the DNC server without a window. It serves the machines of
// the settings file that have a receive or a send folder (or the ones
// named) until it is stopped: what a control punches out is kept in the
// machine's receive folder, a request program is answered from its send
// folders. SIGTERM or SIGINT stops it (a reception under way is kept as
// a failed file); SIGHUP reads the settings again.
#include "common/version.h"
#include "common/appfolder.h"
#include "common/commandoutput.h"
#include "dnc/stopsignals.h"
#include "station/dnclog.h"
#include "station/dncserver.h"
#include "station/dncstatusfile.h"
#include "station/station.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

using namespace marbolt;

const char *const kUsage =
    "使い方: marbolt-dnc [--settings FILE] [--machine NAME]... [--log-dir DIR] [--list]\n";

QString helpText()
{
    return QString::fromUtf8(kUsage)
         + QStringLiteral(
               "\n"
               "設定ファイルの機械のうち、受信フォルダか送信フォルダのある機械 (--machine で名前を指定した\n"
               "ときはその機械) を、止められるまで DNC で受け持ちます。\n"
               "\n"
               "  --settings FILE  設定ファイル (既定: Marbolt のウィンドウと同じ %1)\n"
               "  --machine NAME   受け持つ機械 (くり返し指定できます)\n"
               "  --log-dir DIR    機械ごとのログ NAME.log の置き場所 (既定: 設定ファイルのフォルダの dnc-log)\n"
               "  --list           受け持つ機械とその設定を表示して終わります\n"
               "  --version        版を表示します\n"
               "\n"
               "機械の設定 (設定ファイルの MACHINEn.):\n"
               "  RECEIVEDIR=フォルダ       受信したプログラムを O 番号のファイルで置く所\n"
               "  SENDDIRS=フォルダ;...     要求されたプログラムを探す所 (順に)\n"
               "  FILENAME=O;4;.nc          ファイル名の頭文字; 桁数; 拡張子\n"
               "  REQUESTS=9999             要求として受け取る O 番号 (;で区切って複数)\n"
               "  REQUESTDELAY=5            要求に答えるまでの秒数\n"
               "\n"
               "SIGTERM で止まり (受信中の分は failed- ファイルに残します)、SIGHUP で設定を読み直します。\n");
}

struct Options {
    QString settings;
    QStringList machines;
    QString logDir;
    bool list = false;
};

// nullopt after the help, the version or a mistake; exitCode then holds the code.
std::optional<Options> readOptions(const QStringList &args, int &exitCode)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &to) {
            if (i + 1 >= args.size())
                return false;
            to = args[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            printText(stdout, helpText().arg(AppPaths::forThisProgram().storageFolder + QStringLiteral("/marbolt.ini")));
            exitCode = 0;
            return std::nullopt;
        }
        if (a == QLatin1String("--version")) {
            printText(stdout, QStringLiteral("marbolt-dnc %1\n").arg(QStringLiteral(MARBOLT_VERSION)));
            exitCode = 0;
            return std::nullopt;
        }
        if (a == QLatin1String("--list")) {
            o.list = true;
        } else if (a == QLatin1String("--settings") && value(v)) {
            o.settings = v;
        } else if (a == QLatin1String("--machine") && value(v)) {
            o.machines << v;
        } else if (a == QLatin1String("--log-dir") && value(v)) {
            o.logDir = v;
        } else {
            printText(stderr, QStringLiteral("marbolt-dnc: %1 は使えない指定です\n").arg(a) + QString::fromUtf8(kUsage));
            exitCode = 2;
            return std::nullopt;
        }
    }
    return o;
}

// The machines a server would serve, one line each, without opening a port.
int listMachines(Station &station, const QStringList &names)
{
    QStringList problems = station.load();
    const std::vector<ServedMachine> served = machinesToServe(station, names, problems);
    for (const ServedMachine &m : served) {
        const DncMachineConfig &c = m.config;
        QStringList requests;
        for (long n : c.dnc.requestNumbers)
            requests << programLabel(n);
        printText(stdout, QStringLiteral("%1\tポート %2\t受信 %3\t送信 %4\tファイル名 %5\t要求 %6 (%7 秒後)\n")
                          .arg(c.name, c.values.port,
                               c.dnc.receiveFolder.isEmpty() ? QStringLiteral("-") : c.dnc.receiveFolder,
                               c.dnc.sendFolders.isEmpty() ? QStringLiteral("-") : c.dnc.sendFolders.join(u';'),
                               programFileName(1234, c.dnc.fileRule),
                               requests.isEmpty() ? QStringLiteral("なし") : requests.join(u','))
                          .arg(c.dnc.requestDelaySeconds));
    }
    for (QString p : problems)
        printText(stderr, p.replace(u'\r', u' ') + u'\n');
    return served.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int exitCode = 0;
    const std::optional<Options> options = readOptions(app.arguments(), exitCode);
    if (!options)
        return exitCode;

    AppPaths paths = AppPaths::forThisProgram();
    paths.baseName = QStringLiteral("marbolt");  // the window's settings
    const QString settings =
        options->settings.isEmpty() ? paths.storageFile(QStringLiteral(".ini")) : QFileInfo(options->settings).absoluteFilePath();
    const QString logDir = options->logDir.isEmpty() ? QFileInfo(settings).absoluteDir().filePath(QStringLiteral("dnc-log"))
                                                     : QFileInfo(options->logDir).absoluteFilePath();
    if (!QFileInfo::exists(settings)) {
        printText(stderr, QStringLiteral("<3>marbolt-dnc: 設定ファイル %1 がありません\n").arg(settings));
        return 1;
    }
    Station station(StationPlace{settings, paths.startFolderWithSeparator(), QStringLiteral("marbolt-dnc")});
    if (options->list)
        return listMachines(station, options->machines);
    const QString statusPath = dncStatusPath(settings);
    if (const std::optional<DncSnapshot> other = readDncSnapshot(statusPath);
        other && other->pid != QCoreApplication::applicationPid() && snapshotLive(*other, QDateTime::currentDateTime())) {
        printText(stderr, QStringLiteral("<3>marbolt-dnc: この設定ファイルの DNC サーバーはすでに動いています (pid %1)\n")
                          .arg(other->pid));
        return 1;
    }

    DncLog log(logDir, stderr);
    DncServer server(station, log);
    auto load = [&] {
        for (const QString &problem : station.load())
            log.note(QStringLiteral("DNC"), DncLog::Level::Warning, problem);
        if (!station.historyProblem().isEmpty())
            log.note(QStringLiteral("DNC"), DncLog::Level::Error,
                     QStringLiteral("送受信履歴を記録できません: %1").arg(station.historyProblem()));
        else if (station.history())
            log.note(QStringLiteral("DNC"), DncLog::Level::Info,
                     QStringLiteral("送受信履歴: %1").arg(describe(station.history()->connection())));
        return server.start(options->machines);
    };
    QObject::connect(&station, &Station::historyFailed, &app, [&](const QString &why) {
        log.note(QStringLiteral("DNC"), DncLog::Level::Error,
                 QStringLiteral("送受信履歴に書けません。記録は書けるまで待たせます (%1)").arg(why));
    });
    QObject::connect(&station, &Station::historyRecovered, &app, [&] {
        log.note(QStringLiteral("DNC"), DncLog::Level::Info, QStringLiteral("送受信履歴にまた書けるようになりました"));
    });

    StopSignals signals_;
    bool reloading = false;
    QObject::connect(&signals_, &StopSignals::stopAsked, &server, [&] {
        reloading = false;
        log.note(QStringLiteral("DNC"), DncLog::Level::Info, QStringLiteral("止めます"));
        server.stop();
    });
    QObject::connect(&signals_, &StopSignals::reloadAsked, &server, [&] {
        reloading = true;
        log.note(QStringLiteral("DNC"), DncLog::Level::Info, QStringLiteral("設定を読み直します"));
        server.stop();
    });
    QObject::connect(&server, &DncServer::finished, &app, [&] {
        if (!reloading) {
            app.quit();
            return;
        }
        reloading = false;
        load();
        if (server.machines().empty())
            app.exit(1);
    });

    server.publishTo(statusPath);
    log.note(QStringLiteral("DNC"), DncLog::Level::Info,
             QStringLiteral("marbolt-dnc %1 を始めます (設定 %2, ログ %3)").arg(QStringLiteral(MARBOLT_VERSION), settings, logDir));
    load();
    if (server.machines().empty())
        return 1;
    return app.exec();
}
