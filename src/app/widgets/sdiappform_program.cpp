// The main window's current-program commands: selecting the program under
// the index box, printing it or the whole document, and the printer set-up.
#include "app/widgets/sdiappform.h"

#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "document/programindex.h"
#include "document/sjistext.h"
#include "tools/widgets/printing.h"

#include "common/widgets/waitcursor.h"

#include <Qsci/qsciprinter.h>
#include <QApplication>

namespace marbolt {

namespace {

QStringList linesOf(std::string_view text)
{
    QStringList lines = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                            .split(QStringLiteral("\r\n"));
    // The stretch ends with a line break; no empty line is printed after it.
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.pop_back();
    return lines;
}

}  // namespace

QsciPrinter &TSDIAppForm::printer()
{
    if (!printer_)
        printer_ = std::make_unique<QsciPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void TSDIAppForm::FileNukidasi1Execute()
{
    WaitCursor wait;
    RichEdit1->setUpdatesEnabled(false);
    const QByteArray entry = ComboBox2->boxText().toUtf8();
    const ProgramExtent e = programExtent(RichEdit1->textView(), viewOf(entry));
    RichEdit1->selectRange(e.start, e.end);
    RichEdit1->setUpdatesEnabled(true);
}

std::string_view TSDIAppForm::selectProgram(const QString &entry)
{
    ComboBox2->setBoxText(entry);
    FileNukidasi1Execute();
    return RichEdit1->selectedTextView();
}

void TSDIAppForm::FileOPrintExecute()
{
    const QByteArray entry = ComboBox2->boxText().toUtf8();
    const std::string_view text = RichEdit1->textView();
    const ProgramExtent e = printedProgramExtent(text, viewOf(entry), RichEdit1->selectionStartPos());
    WaitCursor wait;
    QString error;
    if (!printPlainText(printer(), RichEdit1->font(), linesOf(text.substr(e.start, e.end - e.start)), &error))
        dialogs_->message(error);
}

void TSDIAppForm::FilePrint1Execute()
{
    WaitCursor wait;
    QString error;
    if (!printEditor(printer(), *RichEdit1, filename(), &error))
        dialogs_->message(error);
}

void TSDIAppForm::PrintSet1Execute()
{
    dialogs_->printerSetup(printer());
}

}  // namespace marbolt
