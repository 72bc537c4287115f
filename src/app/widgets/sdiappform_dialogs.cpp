// The main window's two small dialogs, About and the communication
// settings, and the choice of the machine the transfers talk to.
#include "app/widgets/sdiappform.h"

#include "station/machineprofiles.h"
#include "app/widgets/aboutbox.h"
#include "app/widgets/commsettingsform.h"
#include "app/widgets/statuspanels.h"
#include "serial/portlist.h"
#include "transfer/transfercontroller.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace marbolt {

void TSDIAppForm::HelpAbout1Execute()
{
    TAboutBox box(this);
    box.exec();
}

void TSDIAppForm::set1Execute()
{
    MachineProfiles(settings_).keepActive();
    TForm2 form(this, settings_, *dialogs_, serialPortChoices(devRoot_) + rememberedNetworkPorts(settings_));
    const bool accepted = form.exec() == QDialog::Accepted;
    // Machines added, renamed or deleted stay so, also after キャンセル;
    // the values of the machine it ends on are kept only by OK.
    if (accepted)
        MachineProfiles(settings_).keepActive();
    refreshMachineBox();
    showLinePanels();
    readBackplot();  // the machine may now be a lathe, or rapid at another rate
}

void TSDIAppForm::showLinePanels()
{
    StatusBar1->setPanelText(2, settings_.get(setting::SPEED) + QStringLiteral("  ")
                                    + settings_.get(setting::CODE));
    StatusBar1->setPanelText(1, settings_.get(setting::PORT));
}

void TSDIAppForm::MachineBoxChange(int index)
{
    // The box and the keys are locked during a transfer; a key pressed
    // as it ends still finds the transfer's values in place.
    if (isBusy(transfers_->activity()))
        return;
    MachineProfiles profiles(settings_);
    if (index >= profiles.count())
        return;
    profiles.activate(index);
    refreshMachineBox();
    showLinePanels();
    readBackplot();
}

void TSDIAppForm::refreshMachineBox()
{
    const MachineProfiles profiles(settings_);
    const QSignalBlocker quiet(MachineBox);
    MachineBox->clear();
    MachineBox->addItems(profiles.names());
    MachineBox->setCurrentIndex(profiles.active());
    if (MachineDock)
        showActiveMachine();
}

}  // namespace marbolt
