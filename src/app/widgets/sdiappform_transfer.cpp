// The main window's transfer handlers: send, selection send, receive,
// cancel, the rate timer, the two port handlers, and the lock. Each hands
// its work to the send engine or the receiver.
#include "app/widgets/sdiappform.h"

#include "app/widgets/statuspanels.h"
#include "app/widgets/transferwindow.h"
#include "document/widgets/nceditor.h"
#include "serial/comthd.h"
#include "transfer/receiver.h"
#include "transfer/sendengine.h"

#include <QTimer>

namespace marbolt {

void TSDIAppForm::createTransfers(const AppEnvironment &environment)
{
    SerialSystem &serial = environment.serial ? *environment.serial : posixSerialSystem();
    Clock &clock = environment.clock ? *environment.clock : systemClock();
    clock_ = &clock;
    rs232c1 = std::make_unique<Trs232c>(LineSettings::sendPortDefaults(), serial);
    rs232c2 = std::make_unique<Trs232c>(LineSettings::receivePortDefaults(), serial);
    rs232c1->OnRXCHAR = [this](tcommthread &) { rs232c1RXCHAR(); };
    rs232c2->OnERR = [this](tcommthread &) { rs232c2ERR(); };

    transferView_ = std::make_unique<WindowTransferView>(*this);
    sendEngine_ = std::make_unique<SendEngine>(SendPorts{*rs232c1, *rs232c2}, settings, transfer,
                                               *dialogs_, clock, *transferView_,
                                               paths_.storageFile(QStringLiteral(".log")));
    receiver_ = std::make_unique<Receiver>(ReceivePorts{*rs232c1, *rs232c2}, settings, transfer,
                                           *dialogs_, clock, *transferView_);
}

bool TSDIAppForm::transferRunning() const
{
    return (sendEngine_ && sendEngine_->running()) || (receiver_ && receiver_->running());
}

void TSDIAppForm::send1Execute()
{
    sendEngine_->sendDocument();
}

void TSDIAppForm::psend3Execute()
{
    sendEngine_->sendSelection();
}

void TSDIAppForm::Rec1Execute()
{
    receiver_->receive();
    if (closeAfterReception_) {
        closeAfterReception_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TSDIAppForm::stop1Execute()
{
    if (transfer.sending())
        sendEngine_->cancel();
    else if (transfer.receiving())
        receiver_->cancel();
    transfer.commstate.clear();
    StatusBar1->setPanelText(0, QString());
}

void TSDIAppForm::Timer1Timer()
{
    sendEngine_->rateTick();
}

void TSDIAppForm::rs232c1RXCHAR()
{
    sendEngine_->handshake();
}

void TSDIAppForm::rs232c2ERR()
{
    if (transfer.commstate.isEmpty())
        return;
    receiver_->lineError();
    stop1Execute();
}

std::vector<QAction *> TSDIAppForm::lockedActions() const
{
    const Commands &c = ActionList1;
    std::vector<QAction *> items{
        c.FileNew1,  c.FileOpen1, c.FileSave1,  c.FileSaveAs1, c.FileExit1,   c.FilePrint1,
        c.FileNukidasi1, c.FileOPrint, c.HelpAbout1, c.send1, c.Rec1,        c.senntaku1,
        c.set1,      c.EditCut1,  c.EditCopy1,  c.EditPaste1,  c.EditFind1,   c.Editall1,
        c.Editfont1, c.EditSort,  c.EditUndo1,  c.EditNext,    c.PrintSet1,   c.Osave,
        c.psend1,    c.EditReplace, c.EditDate,
    };
    items.insert(items.end(), rireki.begin(), rireki.end());
    return items;
}

void TSDIAppForm::enabledfalse()
{
    locked_ = true;
    for (QAction *a : lockedActions())
        a->setEnabled(false);
    RichEdit1->setEnabled(false);
    ActionList1.stop1->setEnabled(true);
}

void TSDIAppForm::enabledtrue()
{
    locked_ = false;
    for (QAction *a : lockedActions()) {
        // Commands that are not built yet stay off.
        if (!ActionList1.isUnavailable(a))
            a->setEnabled(true);
    }
    ActionList1.EditUndo1->setEnabled(RichEdit1->modifiedFlag());
    RichEdit1->setEnabled(true);
    ActionList1.stop1->setEnabled(false);
    transfer.commstate.clear();
    RichEdit1->setFocus();
    // Cut and copy follow the editor's focus and selection, as always.
    updateClipboardActions();
}

}  // namespace marbolt
