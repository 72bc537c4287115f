// The main window's editor view: caret tracking with the index box, the
// line and column panel, the insert indicator, and the font command.
#include "app/widgets/sdiappform.h"

#include "app/widgets/statuspanels.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "transfer/transfercontroller.h"

#include <QApplication>
#include <QKeyEvent>

namespace marbolt {

namespace {

// The editor as the caret tracker reads it.
class EditorText : public TrackedText {
public:
    explicit EditorText(const NcEditor &editor) : editor_(editor) {}
    std::string_view text() const override { return editor_.textView(); }
    int lineCount() const override { return editor_.lines(); }
    QString lineText(int index) const override { return editor_.lineText(static_cast<std::size_t>(index)); }
    std::size_t lineAt(std::size_t position) const override { return editor_.lineAt(position); }
    void searching(bool on) const override
    {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }

private:
    const NcEditor &editor_;
};

}  // namespace

void TSDIAppForm::RichEdit1SelectionChange()
{
    if (transferHoldsWindow())
        return;
    const std::size_t start = RichEdit1->selectionStartPos();
    const std::size_t line0 = RichEdit1->lineAt(start);
    const std::size_t lineStart = RichEdit1->lineStart(line0);
    const long column = RichEdit1->SendScintilla(QsciScintilla::SCI_COUNTCHARACTERS,
                                                 static_cast<unsigned long>(lineStart), static_cast<long>(start));
    StatusBar1->setPanelText(3, QStringLiteral("%1 : %2").arg(line0 + 1).arg(column + 1));
    if (const auto entry = caret_.caretMoved(EditorText(*RichEdit1), start, ComboBox2->boxText()))
        ComboBox2->setBoxText(*entry);
}

void TSDIAppForm::FormKeyDown(const QKeyEvent &key)
{
    if (key.key() != Qt::Key_Insert)
        return;
    insmode = !insmode;
    StatusBar1->setPanelText(4, insmode ? QStringLiteral("挿入") : QStringLiteral("上書き"));
}

bool TSDIAppForm::eventFilter(QObject *watched, QEvent *event)
{
    // Key preview: every key press to a widget of this window passes here.
    if (event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        auto *key = static_cast<QKeyEvent *>(event);
        if (widget && widget->window() == this && !key->isAutoRepeat())
            FormKeyDown(*key);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TSDIAppForm::Editfont1Execute()
{
    const auto chosen = dialogs_->chooseFont(RichEdit1->font());
    if (!chosen)
        return;
    RichEdit1->setFont(*chosen);
    settings_.set(setting::FONT, QString::number(chosen->pointSize()));
    settings_.set(setting::NAME, chosen->family());
    fontName_ = chosen->family();
}

}  // namespace marbolt
