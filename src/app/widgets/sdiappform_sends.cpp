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
    // Afterwards the caret goes home, unless a finding chosen in the check
    // holds it.
    transfers_->sendSelection(true);
}

void TSDIAppForm::Repeat1Execute()
{
    transfers_->repeat();
}

}  // namespace marbolt
