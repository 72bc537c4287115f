#include "app/widgets/transferwindow.h"

#include "app/widgets/statuspanels.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "document/sjistext.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace marbolt {

void WindowTransferView::setStatusText(const QString &text)
{
    status_.setPanelText(0, text);
}

void WindowTransferView::lockForTransfer()
{
    steps_.lock();
}

void WindowTransferView::unlockAfterTransfer()
{
    steps_.unlock();
}

void WindowTransferView::beep()
{
    QApplication::beep();
}

std::string_view WindowTransferView::documentText() const
{
    return editor_.textView();
}

std::size_t WindowTransferView::selectionStart() const
{
    return editor_.selectionStartPos();
}

std::size_t WindowTransferView::selectionEnd() const
{
    return editor_.selectionEndPos();
}

QString WindowTransferView::documentFileName() const
{
    return steps_.documentFileName();
}

void WindowTransferView::showProgress(int maximum)
{
    status_.showProgress(maximum);
}

void WindowTransferView::setProgress(int position)
{
    status_.setProgress(position);
}

void WindowTransferView::hideProgress()
{
    status_.hideProgress();
}

void WindowTransferView::startRateTimer()
{
    rateTimer_.start();
}

void WindowTransferView::stopRateTimer()
{
    rateTimer_.stop();
}

void WindowTransferView::highlightLine(std::size_t line)
{
    editor_.selectLine(line);
}

QString WindowTransferView::lineText(std::size_t line) const
{
    return editor_.lineText(line);
}

void WindowTransferView::setIndexText(const QString &text)
{
    index_.setBoxText(text);
}

void WindowTransferView::showFirstIndexEntry()
{
    const QString first = index_.firstEntry();
    if (!first.isEmpty())
        index_.setBoxText(first);
}

void WindowTransferView::placeCaret(std::size_t position)
{
    editor_.selectRange(position, position);
}

bool WindowTransferView::startNewDocument()
{
    return steps_.newDocument();
}

void WindowTransferView::showReceivedLine(const QString &line)
{
    NcEditor &editor = editor_;
    if (!editor.nextLineFits())
        editor.clearDocument();
    const QByteArray utf8 = (line + QStringLiteral("\r\n")).toUtf8();
    editor.appendText(viewOf(utf8));
}

void WindowTransferView::addProgram(const QString &line)
{
    index_.addEntry(line);
    index_.setBoxText(line);
}

void WindowTransferView::setReceivedText(const std::string &text)
{
    NcEditor &editor = editor_;
    editor.setUpdatesEnabled(false);
    auto loader = editor.beginLoad(text.size());
    loader->add(text);
    loader->commit();
    editor.selectRange(0, 0);
    editor.setUpdatesEnabled(true);
    // The received program is in no file yet: closing or opening another
    // file must ask to save it, not drop it.
    if (!text.empty())
        editor.markUnsaved();
    // The lines collected as they came are replaced by the open's rule, so
    // the saved file, opened again, lists the same programs.
    index_.rebuild(editor.textView());
    showFirstIndexEntry();
}

void WindowTransferView::markFaultyLines(const std::vector<std::size_t> &lines)
{
    editor_.markFaultyLines(lines);
}

}  // namespace marbolt
