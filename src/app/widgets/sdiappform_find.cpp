// The main window's find: opening the dialog and one search step, from the
// dialog or from F3.
#include "app/widgets/sdiappform.h"

#include "document/widgets/nceditor.h"
#include "document/sjistext.h"
#include "tools/widgets/finddialog.h"
#include "document/textsearch.h"

#include <QApplication>

namespace marbolt {

void TSDIAppForm::EditFind1Execute()
{
    if (RichEdit1->selectionEndPos() > RichEdit1->selectionStartPos())
        FindDialog1->searchText = RichEdit1->selectedText().left(255);
    FindDialog1->execute();
}

void TSDIAppForm::FindDialog1Find()
{
    FindDialog1->searchText = upperAscii(FindDialog1->searchText);
    const QString shown = FindDialog1->searchText;
    const QByteArray needle = shown.toUtf8();
    const std::string_view key = viewOf(needle);
    const std::string_view text = RichEdit1->textView();
    const std::size_t selStart = RichEdit1->selectionStartPos();
    const std::size_t selEnd = RichEdit1->selectionEndPos();

    long long pos = -1;
    if (FindDialog1->down) {
        pos = FindForward(text, key, selEnd, text.size() - std::min(selEnd, text.size()));
    } else if (FindForward(text, key, 0, selStart) >= 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        pos = FindLastBefore(text, key, selStart);
        QApplication::restoreOverrideCursor();
    }
    if (pos < 0) {
        dialogs_->information(QStringLiteral("文字列\"%1\"が見つかりません。").arg(shown), Buttons::Ok);
        return;
    }
    RichEdit1->setFocus();
    RichEdit1->selectRange(static_cast<std::size_t>(pos), static_cast<std::size_t>(pos) + key.size());
}

}  // namespace marbolt
