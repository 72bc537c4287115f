// The main window's small edits: the date comment, the deletion of ";"
// outside comments, and the switch between a sorted and a document-order
// program list.
#include "app/widgets/sdiappform.h"

#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "document/sjistext.h"
#include "common/clock.h"

#include <QLocale>

namespace marbolt {

void TSDIAppForm::EditDateExecute()
{
    const std::size_t start = RichEdit1->selectionStartPos();
    RichEdit1->selectRange(start, start);
    // Inserted text is upper case like typed text ("8 DEC 2026" where the
    // short date names the month).
    const QString date = upperAscii(QLocale::system().toString(clock_->now().date(), QLocale::ShortFormat));
    const std::string comment = ("(" + date + ")").toStdString();
    RichEdit1->SendScintilla(QsciScintilla::SCI_REPLACESEL, 0UL, comment.c_str());
}

void TSDIAppForm::EditEOFExecute()
{
    RichEdit1->setCaretPos(0);
    replaceState.ReplaceFindText = QStringLiteral(";");
    replaceState.ReplaceNewText.clear();
    replaceState.ReplaceActive = true;
    replaceState.ReplaceSkipComments = true;
    RichEdit1->setUpdatesEnabled(false);
    ReplaceAll();
    RichEdit1->setUpdatesEnabled(true);
    RichEdit1->setCaretPos(0);
}

void TSDIAppForm::EditSortExecute()
{
    QAction *sort = ActionList1.EditSort;
    // A triggered checkable action has already switched its mark.
    ComboBox2->setSorted(sort->isChecked());
    if (!sort->isChecked())
        ComboBox2->rebuild(RichEdit1->textView());
}

void TSDIAppForm::EditColourExecute()
{
    // A triggered checkable action has already switched its mark.
    const bool on = ActionList1.EditColour->isChecked();
    RichEdit1->setColouring(on);
    settings_.setOn(setting::COLOUR, on);
}

}  // namespace marbolt
