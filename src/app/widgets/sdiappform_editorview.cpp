// The main window's editor view: caret tracking with the index box, the
// line and column panel, the insert indicator, and the font command.
#include "app/widgets/sdiappform.h"

#include "app/widgets/statuspanels.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "tools/textsearch.h"

#include <QApplication>
#include <QKeyEvent>

#include <cstdlib>

namespace marbolt {

namespace {

constexpr int kNearLines = 20;

bool startsProgram(const QString &line, bool colonToo)
{
    return line.size() >= 2 && (line[0] == u'O' || (colonToo && line[0] == u':'));
}

}  // namespace

void TSDIAppForm::RichEdit1SelectionChange()
{
    if (!transfer.commstate.isEmpty() || locked_)
        return;
    const std::size_t start = RichEdit1->selectionStartPos();
    const std::size_t line0 = RichEdit1->lineAt(start);
    const std::size_t lineStart = RichEdit1->lineStart(line0);
    const long column = RichEdit1->SendScintilla(QsciScintilla::SCI_COUNTCHARACTERS,
                                                 static_cast<unsigned long>(lineStart), static_cast<long>(start));
    const int L = static_cast<int>(line0) + 1;
    StatusBar1->setPanelText(3, QStringLiteral("%1 : %2").arg(L).arg(column + 1));

    if (!jumping && start != lastpos) {
        enum class Candidate { Undecided, None, Line } candidate = Candidate::Undecided;
        QString found;
        const int d = std::abs(L - lastline);
        const int lines = RichEdit1->lines();
        auto lineText = [&](int index) { return index >= 0 && index < lines ? RichEdit1->lineText(static_cast<std::size_t>(index)) : QString(); };
        if (d < kNearLines && L > lastline) {
            // Moved down a little: the nearest program start above, if near.
            candidate = Candidate::None;
            for (int i = 1; i <= kNearLines; ++i) {
                const QString t = lineText(static_cast<int>(line0) - i);
                if (startsProgram(t, true)) {
                    candidate = Candidate::Line;
                    found = t;
                    break;
                }
            }
        } else if (d < kNearLines && L < lastline) {
            // Moved up a little: past the current program's first line?
            candidate = Candidate::None;
            const QString current = ComboBox2->boxText();
            for (int i = 1; i <= kNearLines; ++i) {
                const QString t = lineText(static_cast<int>(line0) + i);
                if (!t.isEmpty() && t == current) {
                    candidate = Candidate::Undecided;
                    break;
                }
            }
        }
        if (candidate == Candidate::Undecided && L != lastline) {
            const std::string_view text = RichEdit1->textView();
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const long long lf = FindForward(text, "\nO", 0, start) >= 0 ? FindLastBefore(text, "\nO", start) : -1;
            QApplication::restoreOverrideCursor();
            if (lf >= 0) {
                const std::size_t at = RichEdit1->lineAt(static_cast<std::size_t>(lf + 1));
                candidate = Candidate::Line;
                found = lineText(static_cast<int>(at));
            } else if (!text.empty() && text.front() == 'O') {
                candidate = Candidate::Line;
                found = lineText(0);
            } else {
                candidate = Candidate::None;
            }
        }
        if (candidate == Candidate::Line)
            ComboBox2->setBoxText(found);
        // The caret's own O-line wins whatever the search found, also when
        // it found nothing (Down from a leading "%" onto the first program).
        const QString own = lineText(static_cast<int>(line0));
        if (startsProgram(own, false))
            ComboBox2->setBoxText(own);
    }
    lastline = L;
    lastpos = start;
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
    settings.set(QStringLiteral("FONT"), QString::number(chosen->pointSize()));
    settings.set(QStringLiteral("NAME"), chosen->family());
    fontName_ = chosen->family();
}

}  // namespace marbolt
