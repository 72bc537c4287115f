// The main window's machine list: the station's machines beside the
// editor, and the transfers of the machines other than the active one,
// which run on their own sessions while the window serves the active one.
#include "app/widgets/sdiappform.h"

#include "app/widgets/machinelistdock.h"
#include "app/widgets/statuspanels.h"
#include "app/widgets/transferwindow.h"
#include "document/widgets/nceditor.h"
#include "transfer/transfercontroller.h"

#include <QMenu>

namespace marbolt {

void TSDIAppForm::createMachineList()
{
    MachineDock = new MachineListDock(*station_, this);
    addDockWidget(Qt::RightDockWidgetArea, MachineDock);
    MachineDock->hide();
    QAction *toggle = MachineDock->toggleViewAction();
    toggle->setObjectName(QStringLiteral("MachineListItem"));
    toggle->setText(QStringLiteral("機械一覧"));
    CommMenu->addAction(toggle);
    connect(MachineDock, &MachineListDock::sendRequested, this, &TSDIAppForm::machineListSend);
    connect(MachineDock, &MachineListDock::receiveRequested, this, &TSDIAppForm::machineListReceive);
    connect(MachineDock, &MachineListDock::openRequested, this, &TSDIAppForm::machineListOpen);
    connect(MachineDock, &MachineListDock::cancelRequested, this, &TSDIAppForm::machineListCancel);
    // The window's own transfer is shown as panel 0 shows it.
    machineWatch_.setInterval(250);
    connect(&machineWatch_, &QTimer::timeout, this, &TSDIAppForm::showActiveMachine);
    connect(MachineDock, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (shown) {
            showActiveMachine();
            machineWatch_.start();
        } else {
            machineWatch_.stop();
        }
    });
    // The active machine's port is the window's while another transfer
    // of it runs from the list.
    transfers_->setMachineInUse([this] {
        MachineProfiles profiles(settings_);
        return station_->busy(profiles.active()) || servedByOtherDnc(profiles.activeName());
    });
}

void TSDIAppForm::showActiveMachine()
{
    const bool running = isBusy(transfers_->activity());
    MachineDock->setActive(MachineProfiles(settings_).active(), running ? StatusBar1->panelText(0) : QString());
    showDncStates();
}

void TSDIAppForm::machineListSend(int machine)
{
    if (machine < 0)
        return;
    // The check's findings lie in the editor's own text: a row
    // double-clicked puts the caret there.
    const auto ask = [this](const SendCheckReport &report, const std::vector<std::size_t> &positions) {
        const SendCheckAnswer answer = dialogs_->sendCheck(report);
        if (answer.goTo && *answer.goTo >= 0 && static_cast<std::size_t>(*answer.goTo) < positions.size())
            transferView_->placeCaret(positions[static_cast<std::size_t>(*answer.goTo)]);
        return answer.choice;
    };
    const auto problem = station_->sendText(machine, RichEdit1->textView(), filename(),
                                            paths_.storageFile(QStringLiteral(".log")), ask);
    if (problem && !problem->isEmpty())
        dialogs_->message(*problem);
}

void TSDIAppForm::machineListReceive(int machine)
{
    if (machine < 0)
        return;
    if (const auto problem = station_->receive(machine))
        dialogs_->message(*problem);
}

void TSDIAppForm::machineListOpen(int machine)
{
    if (machine < 0 || isBusy(transfers_->activity()) || !station_->hasReception(machine))
        return;
    // As a reception of the window's own: a new document, after the
    // changed one was offered for saving.
    if (!transferView_->startNewDocument())
        return;
    if (const auto text = station_->takeReception(machine))
        transferView_->setReceivedText(*text);
    MachineDock->refresh();
}

void TSDIAppForm::machineListCancel(int machine)
{
    const auto found = station_->sessions().find(machine);
    if (found != station_->sessions().end())
        found->second->cancel();
}

}  // namespace marbolt
