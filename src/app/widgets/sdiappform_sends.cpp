// The main window's partial and repeated sends: the current program, the
// text from the caret, and the whole document again and again. Each rests
// on the selection send or the whole-document send.
#include "app/widgets/sdiappform.h"

#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "common/clock.h"
#include "transfer/sendengine.h"

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
    // Not locked with the others; a second transfer inside a running one
    // would share its port and its flags.
    if (transferRunning() || repeating_)
        return;
    const std::size_t caret = RichEdit1->caretPos();
    if (caret != RichEdit1->lineStart(RichEdit1->lineAt(caret))
        && dialogs_->information(QStringLiteral("カーソルが行頭にありませんが、続けますか？"), Buttons::OkCancel)
               != Answer::Ok)
        return;
    RichEdit1->selectRange(caret, RichEdit1->textLength());
    psend3Execute();
    RichEdit1->setCaretPos(0);
}

void TSDIAppForm::Repeat1Execute()
{
    if (transferRunning() || repeating_)
        return;
    if (RichEdit1->textLength() == 0) {
        dialogs_->message(QStringLiteral("送信データがありません"));
        return;
    }
    if (settings.get(QStringLiteral("SE")) == QStringLiteral("0")
        && dialogs_->information(QStringLiteral("設定画面にて\"送信要求信号を使用しない\"のチェックを外してください。"),
                                 Buttons::OkCancel)
               != Answer::Ok)
        return;
    repeating_ = true;
    transfer.sendstop = false;
    while (!transfer.sendstop) {
        // A send that cannot run, could not open its port or found nothing
        // to send would fail the same way after every pause, with no
        // cancel to end it.
        if (!ActionList1.send1->isEnabled())
            break;
        ActionList1.send1->trigger();
        if (!sendEngine_->portOpened())
            break;
        clock_->sleep(1000);
    }
    repeating_ = false;
    if (closeAfterRepeat_) {
        closeAfterRepeat_ = false;
        close();
    }
}

}  // namespace marbolt
