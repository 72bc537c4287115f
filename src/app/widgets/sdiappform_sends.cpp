// The main window's partial and repeated sends: the current program, the
// text from the caret, and the whole document again and again. The parts
// go out as sends of a range of the document, found by the program index
// or the caret; nothing is selected for them.
#include "app/widgets/sdiappform.h"

#include "document/programindex.h"
#include "document/sjistext.h"
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
    const QByteArray entry = ComboBox2->boxText().toUtf8();
    const ProgramExtent e = programExtent(RichEdit1->textView(), viewOf(entry));
    transfers_->sendRange(e.start, e.end);
}

void TSDIAppForm::cursend1Execute()
{
    const std::size_t caret = RichEdit1->caretPos();
    if (caret != RichEdit1->lineStart(RichEdit1->lineAt(caret))
        && dialogs_->information(QStringLiteral("カーソルが行頭にありませんが、続けますか？"), Buttons::OkCancel)
               != Answer::Ok)
        return;
    // Afterwards the caret goes home, unless a finding chosen in the check
    // holds it.
    transfers_->sendRange(caret, RichEdit1->textLength(), true);
}

void TSDIAppForm::Repeat1Execute()
{
    transfers_->repeat();
}

}  // namespace marbolt
