// The main window's two small dialogs: About and the communication settings.
#include "app/widgets/sdiappform.h"

#include "app/widgets/aboutbox.h"
#include "app/widgets/commsettingsform.h"
#include "app/widgets/statuspanels.h"
#include "serial/portlist.h"

namespace marbolt {

void TSDIAppForm::HelpAbout1Execute()
{
    TAboutBox box(this);
    box.exec();
}

void TSDIAppForm::set1Execute()
{
    TForm2 form(this, settings_, *dialogs_, serialPortChoices(devRoot_));
    if (form.exec() != QDialog::Accepted)
        return;
    showLinePanels();
}

void TSDIAppForm::showLinePanels()
{
    StatusBar1->setPanelText(2, settings_.get(setting::SPEED) + QStringLiteral("  ")
                                    + settings_.get(setting::CODE));
    StatusBar1->setPanelText(1, settings_.get(setting::PORT));
}

}  // namespace marbolt
