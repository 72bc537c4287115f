// The main window's transfer handlers: send, selection send, receive,
// cancel, the rate timer and the lock. Each hands its work to the
// transfer controller, whose transfers run on the active machine's
// session.
#include "app/widgets/sdiappform.h"

#include "app/widgets/statuspanels.h"
#include "app/widgets/transferwindow.h"
#include "document/widgets/nceditor.h"
#include "transfer/transfercontroller.h"

#include <QComboBox>
#include <QTimer>

namespace marbolt {

void TSDIAppForm::createTransfers(const AppEnvironment &environment)
{
    Clock &clock = environment.clock ? *environment.clock : systemClock();
    clock_ = &clock;

    TransferWindowSteps steps;
    steps.lock = [this] { enabledfalse(); };
    steps.unlock = [this] { enabledtrue(); };
    steps.newDocument = [this] {
        FileNew1Execute();
        return !RichEdit1->modifiedFlag();
    };
    steps.documentFileName = [this] { return filename(); };
    transferView_ = std::make_unique<WindowTransferView>(*RichEdit1, *ComboBox2, *StatusBar1, Timer1, std::move(steps));
    const SessionSource activeSession = [this] { return station_->session(MachineProfiles(settings_).active()); };
    transfers_ = std::make_unique<TransferController>(activeSession, settings_, *dialogs_, clock,
                                                      *transferView_, *transferView_,
                                                      paths_.storageFile(QStringLiteral(".log")));
    // A close asked during a transfer comes due once it has ended: after a
    // repeat at once, after a reception once its end has been told.
    transfers_->setCloseWindow([this](TransferPhase ended) {
        if (ended == TransferPhase::Repeating)
            close();
        else
            QTimer::singleShot(0, this, &QWidget::close);
    });
}

void TSDIAppForm::send1Execute()
{
    transfers_->send();
}

void TSDIAppForm::sendcheck1Execute()
{
    transfers_->checkDocument();
}

void TSDIAppForm::psend3Execute()
{
    transfers_->sendSelection();
}

void TSDIAppForm::Rec1Execute()
{
    transfers_->receive();
}

void TSDIAppForm::stop1Execute()
{
    transfers_->cancel();
}

void TSDIAppForm::Timer1Timer()
{
    transfers_->rateTick();
}

bool TSDIAppForm::transferHoldsWindow() const
{
    return transfers_ && holdsWindow(transfers_->activity());
}

void TSDIAppForm::setRecentItemsEnabled(bool enabled)
{
    for (QAction *item : rireki)
        item->setEnabled(enabled);
}

void TSDIAppForm::enabledfalse()
{
    transfers_->lockTaken();
    for (QAction *a : ActionList1.actions(During::Locked))
        a->setEnabled(false);
    setRecentItemsEnabled(false);
    MachineBox->setEnabled(false);
    RichEdit1->setEnabled(false);
    for (QAction *a : ActionList1.actions(During::OnlyDuring))
        a->setEnabled(true);
}

void TSDIAppForm::enabledtrue()
{
    for (QAction *a : ActionList1.actions(During::Locked)) {
        // Commands that are not built yet stay off.
        if (!ActionList1.isUnavailable(a))
            a->setEnabled(true);
    }
    setRecentItemsEnabled(true);
    MachineBox->setEnabled(true);
    ActionList1.EditUndo1->setEnabled(RichEdit1->modifiedFlag());
    RichEdit1->setEnabled(true);
    for (QAction *a : ActionList1.actions(During::OnlyDuring))
        a->setEnabled(false);
    transfers_->lockReleased();
    RichEdit1->setFocus();
    // Cut and copy follow the editor's focus and selection, as always.
    updateClipboardActions();
}

}  // namespace marbolt
