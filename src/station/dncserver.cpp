#include "station/dncserver.h"

#include "station/dncstatusfile.h"
#include "station/profilevalues.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <utility>

namespace marbolt {

bool servedByDefault(const DncMachine &machine)
{
    return !machine.receiveFolder.isEmpty() || !machine.sendFolders.isEmpty();
}

DncServer::DncServer(Station &station, DncLog &log, Clock &clock, QObject *parent)
    : QObject(parent), station_(station), log_(log), clock_(clock)
{
    beat_.setInterval(kSnapshotBeatMs);
    connect(&beat_, &QTimer::timeout, this, &DncServer::publish);
    soon_.setSingleShot(true);
    soon_.setInterval(200);
    connect(&soon_, &QTimer::timeout, this, &DncServer::publish);
}

DncServer::~DncServer()
{
    // Only a file this server still publishes: once stopped, the name may
    // be another server's (marbolt-dnc started after this one stopped).
    if (!statusPath_.isEmpty() && !servers_.empty())
        QFile::remove(statusPath_);
}

std::vector<ServedMachine> machinesToServe(Station &station, const QStringList &names, QStringList &problems)
{
    std::vector<ServedMachine> served;
    const QList<MachineProfile> profiles = station.machines().all();
    for (const QString &name : names)
        if (std::none_of(profiles.begin(), profiles.end(), [&](const MachineProfile &p) { return p.name == name; }))
            problems << QStringLiteral("機械 %1 は設定にありません").arg(name);
    QStringList ports;
    for (int i = 0; i < profiles.size(); ++i) {
        const MachineProfile &profile = profiles[i];
        QStringList doubts;
        DncMachineConfig config;
        config.name = profile.name;
        config.dnc = dncMachineOf(profile, &doubts);
        config.nc = ncMachineOf(profile);
        if (names.isEmpty() ? !servedByDefault(config.dnc) : !names.contains(profile.name))
            continue;
        problems << doubts;
        QString problem;
        const std::optional<TransferValues> values = transferValues(profile, &problem);
        if (!values) {
            problems << QStringLiteral("%1: %2").arg(profile.name, problem);
            continue;
        }
        config.values = *values;
        if (config.values.port.isEmpty()) {
            problems << QStringLiteral("%1: ポートが設定されていません").arg(profile.name);
            continue;
        }
        if (ports.contains(config.values.port)) {
            problems << QStringLiteral("%1: ポート %2 は他の機械と同じです").arg(profile.name, config.values.port);
            continue;
        }
        ports << config.values.port;
        served.push_back({i, std::move(config)});
    }
    if (served.empty() && problems.isEmpty())
        problems << QStringLiteral("受信フォルダか送信フォルダのある機械がありません");
    return served;
}

QStringList DncServer::start(const QStringList &names)
{
    QStringList problems;
    if (!servers_.empty())
        return problems;
    stopping_ = false;
    for (ServedMachine &machine : machinesToServe(station_, names, problems)) {
        QString problem;
        TransferSession *session = station_.session(machine.index, &problem);
        if (!session) {
            problems << QStringLiteral("%1: %2").arg(machine.config.name, problem);
            continue;
        }
        auto server = std::make_unique<DncMachineServer>(*session, std::move(machine.config), log_, clock_);
        connect(server.get(), &DncMachineServer::statusChanged, this, [this] {
            if (!soon_.isActive())
                soon_.start();
            emit statusChanged();
        });
        connect(server.get(), &DncMachineServer::stopped, this, &DncServer::machineStopped);
        servers_.push_back(std::move(server));
        indexes_.push_back(machine.index);
    }
    for (const QString &p : problems)
        log_.note(QStringLiteral("DNC"), DncLog::Level::Warning, p);
    for (const auto &server : servers_)
        server->start();
    if (!servers_.empty() && !statusPath_.isEmpty()) {
        beat_.start();
        publish();
    }
    emit statusChanged();
    return problems;
}

void DncServer::stop()
{
    if (servers_.empty()) {
        QMetaObject::invokeMethod(this, &DncServer::finished, Qt::QueuedConnection);
        return;
    }
    if (stopping_)
        return;
    stopping_ = true;
    for (const auto &server : servers_)
        server->stop();
}

void DncServer::machineStopped()
{
    if (!stopping_)
        return;
    if (!std::all_of(servers_.begin(), servers_.end(), [](const auto &s) { return s->phase() == DncPhase::Stopped; }))
        return;
    beat_.stop();
    soon_.stop();
    if (!statusPath_.isEmpty())
        QFile::remove(statusPath_);
    // The machine servers are still on the stack of the signal that came.
    for (auto &server : servers_)
        server.release()->deleteLater();
    servers_.clear();
    indexes_.clear();
    stopping_ = false;
    log_.note(QStringLiteral("DNC"), DncLog::Level::Info, QStringLiteral("DNC サーバーを止めました"));
    emit statusChanged();
    emit finished();
}

bool DncServer::serves(int machine) const
{
    return std::find(indexes_.begin(), indexes_.end(), machine) != indexes_.end();
}

std::vector<DncMachineStatus> DncServer::statuses() const
{
    std::vector<DncMachineStatus> out;
    for (const auto &server : servers_)
        out.push_back(server->status());
    return out;
}

void DncServer::publishTo(const QString &path)
{
    statusPath_ = path;
    if (!servers_.empty()) {
        beat_.start();
        publish();
    }
}

void DncServer::publish()
{
    if (statusPath_.isEmpty() || servers_.empty())
        return;
    DncSnapshot snapshot;
    snapshot.pid = QCoreApplication::applicationPid();
    snapshot.written = clock_.now();
    snapshot.machines = statuses();
    const bool written = writeDncSnapshot(statusPath_, snapshot);
    // Told once, not at every beat.
    if (!written && std::exchange(publishWorked_, false))
        log_.note(QStringLiteral("DNC"), DncLog::Level::Error,
                  QStringLiteral("状態ファイル %1 に書けません").arg(statusPath_));
    if (written)
        publishWorked_ = true;
}

}  // namespace marbolt
