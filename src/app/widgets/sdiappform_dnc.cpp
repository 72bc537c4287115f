// The main window's DNC server: the window can serve its machines as
// marbolt-dnc does (通信 > DNCサーバー), and its machine list shows the
// served machines' states, whether this window or marbolt-dnc serves them.
#include "app/widgets/sdiappform.h"

#include "app/widgets/machinelistdock.h"
#include "station/dncstatusfile.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

#include <algorithm>

namespace marbolt {

namespace {

// How long a close waits for the served machines to end what they do.
constexpr int kStopWaitMs = 5000;

}  // namespace

void TSDIAppForm::DncServer1Execute()
{
    QAction *item = ActionList1.DncServer1;
    if (dncServer_ && dncServer_->running()) {
        // The mark goes when every machine has stopped.
        item->setChecked(true);
        dncServer_->stop();
        return;
    }
    const QString statusPath = dncStatusPath(station_->settingsFile());
    if (const std::optional<DncSnapshot> other = readDncSnapshot(statusPath);
        other && other->pid != QCoreApplication::applicationPid() && snapshotLive(*other, clock_->now())) {
        item->setChecked(false);
        dialogs_->message(QStringLiteral("この設定の DNC サーバーはすでに動いています (marbolt-dnc, pid %1)")
                              .arg(other->pid));
        return;
    }
    if (!dncServer_) {
        dncLog_ = std::make_unique<DncLog>(
            QFileInfo(station_->settingsFile()).absoluteDir().filePath(QStringLiteral("dnc-log")), nullptr, *clock_);
        dncServer_ = std::make_unique<DncServer>(*station_, *dncLog_, *clock_);
        connect(dncServer_.get(), &DncServer::finished, this, &TSDIAppForm::dncServerFinished);
        connect(dncServer_.get(), &DncServer::statusChanged, this, &TSDIAppForm::showDncStates);
    }
    // The settings as the window has them now, the active machine's too.
    MachineProfiles(settings_).keepActive();
    const QStringList problems = dncServer_->start();
    if (!dncServer_->running()) {
        item->setChecked(false);
        dialogs_->message(QStringLiteral("DNC サーバーを始められません\r") + problems.join(u'\r'));
        return;
    }
    item->setChecked(true);
    dncServer_->publishTo(statusPath);
    MachineDock->show();
    showDncStates();
    if (!problems.isEmpty())
        dialogs_->message(QStringLiteral("DNC サーバーを始めました。受け持てない機械があります\r") + problems.join(u'\r'));
}

void TSDIAppForm::dncServerFinished()
{
    ActionList1.DncServer1->setChecked(false);
    showDncStates();
}

bool TSDIAppForm::stopDncServer()
{
    if (!dncServer_ || !dncServer_->running())
        return true;
    bool finished = false;
    QEventLoop wait;
    connect(dncServer_.get(), &DncServer::finished, &wait, [&] {
        finished = true;
        wait.quit();
    });
    dncServer_->stop();
    QTimer::singleShot(kStopWaitMs, &wait, &QEventLoop::quit);
    if (!finished)
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    return finished;
}

bool TSDIAppForm::servedByOtherDnc(const QString &machine) const
{
    // Its port is that server's: the window must not open it as well.
    const std::optional<DncSnapshot> other = readDncSnapshot(dncStatusPath(station_->settingsFile()));
    if (!other || other->pid == QCoreApplication::applicationPid() || !snapshotLive(*other, clock_->now()))
        return false;
    return std::any_of(other->machines.begin(), other->machines.end(), [&](const DncMachineStatus &m) {
        return m.machine == machine && m.phase != DncPhase::Stopped;
    });
}

void TSDIAppForm::showDncStates()
{
    if (!MachineDock || !MachineDock->isVisible())
        return;
    if (dncServer_ && dncServer_->running()) {
        MachineDock->setDncStates(dncServer_->statuses(), QStringLiteral("このウィンドウの DNC サーバー"));
        return;
    }
    const std::optional<DncSnapshot> other = readDncSnapshot(dncStatusPath(station_->settingsFile()));
    if (other && snapshotLive(*other, clock_->now())) {
        MachineDock->setDncStates(other->machines, QStringLiteral("marbolt-dnc (pid %1)").arg(other->pid));
        return;
    }
    MachineDock->setDncStates({}, QString());
}

}  // namespace marbolt
