#include "app/widgets/transferwindow.h"

#include "app/widgets/sdiappform.h"
#include "app/widgets/statuspanels.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "document/sjistext.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

namespace marbolt {

void WindowTransferView::pumpMessages()
{
    QCoreApplication::processEvents();
}

void WindowTransferView::setStatusText(const QString &text)
{
    form_.StatusBar1->setPanelText(0, text);
}

void WindowTransferView::lockForTransfer()
{
    form_.enabledfalse();
}

void WindowTransferView::unlockAfterTransfer()
{
    form_.enabledtrue();
}

void WindowTransferView::beep()
{
    QApplication::beep();
}

std::string_view WindowTransferView::documentText() const
{
    return form_.RichEdit1->textView();
}

std::size_t WindowTransferView::selectionStart() const
{
    return form_.RichEdit1->selectionStartPos();
}

std::size_t WindowTransferView::selectionEnd() const
{
    return form_.RichEdit1->selectionEndPos();
}

QString WindowTransferView::documentFileName() const
{
    return form_.filename();
}

void WindowTransferView::showProgress(int maximum)
{
    if (!form_.ProgressBar1) {
        // Over panel 5, inside the status bar, for the length of one send.
        auto *bar = new QProgressBar(form_.StatusBar1);
        bar->setObjectName(QStringLiteral("ProgressBar1"));
        bar->setTextVisible(false);
        const QRect panel = form_.StatusBar1->panel(5)->geometry();
        bar->setGeometry(panel.x() + 1, 2, panel.width() - 2, form_.StatusBar1->height() - 2);
        bar->show();
        form_.ProgressBar1 = bar;
    }
    form_.ProgressBar1->setRange(0, maximum);
}

void WindowTransferView::setProgress(int position)
{
    if (form_.ProgressBar1)
        form_.ProgressBar1->setValue(position);
}

void WindowTransferView::hideProgress()
{
    delete form_.ProgressBar1;
    form_.ProgressBar1 = nullptr;
}

void WindowTransferView::startRateTimer()
{
    form_.Timer1.start();
}

void WindowTransferView::stopRateTimer()
{
    form_.Timer1.stop();
}

void WindowTransferView::highlightLine(std::size_t line)
{
    form_.RichEdit1->selectLine(line);
}

QString WindowTransferView::lineText(std::size_t line) const
{
    return form_.RichEdit1->lineText(line);
}

void WindowTransferView::setIndexText(const QString &text)
{
    form_.ComboBox2->setBoxText(text);
}

void WindowTransferView::showFirstIndexEntry()
{
    const QString first = form_.ComboBox2->firstEntry();
    if (!first.isEmpty())
        form_.ComboBox2->setBoxText(first);
}

void WindowTransferView::placeCaret(std::size_t position)
{
    form_.RichEdit1->selectRange(position, position);
}

bool WindowTransferView::startNewDocument()
{
    form_.FileNew1Execute();
    return !form_.RichEdit1->modifiedFlag();
}

void WindowTransferView::showReceivedLine(const QString &line)
{
    NcEditor &editor = *form_.RichEdit1;
    if (!editor.nextLineFits())
        editor.clearDocument();
    const QByteArray utf8 = (line + QStringLiteral("\r\n")).toUtf8();
    editor.appendText(viewOf(utf8));
}

void WindowTransferView::addProgram(const QString &line)
{
    form_.ComboBox2->addEntry(line);
    form_.ComboBox2->setBoxText(line);
}

void WindowTransferView::setReceivedText(const std::string &text)
{
    NcEditor &editor = *form_.RichEdit1;
    editor.setUpdatesEnabled(false);
    auto loader = editor.beginLoad(text.size());
    loader->add(text);
    loader->commit();
    pumpMessages();
    editor.selectRange(0, 0);
    editor.setUpdatesEnabled(true);
    // The received program is in no file yet: closing or opening another
    // file must ask to save it, not drop it.
    if (!text.empty())
        editor.markUnsaved();
    showFirstIndexEntry();
}

}  // namespace marbolt
