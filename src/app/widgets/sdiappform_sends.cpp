// The main window's partial and repeated sends: the current program, the
// text from the caret, and the whole document again and again. Each rests
// on the selection send or the whole-document send.
#include "app/widgets/sdiappform.h"

#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "transfer/transfercontroller.h"

namespace marbolt {

void TSDIAppForm::psend1Execute()
{
    if (ComboBox2->boxText().isEmpty()) {
        dialogs_->message(QStringLiteral("O番号を確認できません"));
        return;
    }
    FileNukidasi1Execute();
    psend3Execute();
}

void TSDIAppForm::cursend1Execute()
{
    const std::size_t caret = RichEdit1->caretPos();
    if (caret != RichEdit1->lineStart(RichEdit1->lineAt(caret))
        && dialogs_->information(QStringLiteral("カーソルが行頭にありませんが、続けますか？"), Buttons::OkCancel)
               != Answer::Ok)
        return;
    RichEdit1->selectRange(caret, RichEdit1->textLength());
    psend3Execute();
    // A finding chosen in the check keeps the caret.
    if (!transfers_->sendEngine().checkPlacedCaret())
        RichEdit1->setCaretPos(0);
}

void TSDIAppForm::Repeat1Execute()
{
    if (transfers_->repeat() == TransferController::Afterwards::CloseWindow)
        close();
}

}  // namespace marbolt
