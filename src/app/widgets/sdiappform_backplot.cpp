// The main window's backplot: the dock, the reading of the path off the
// window's thread when it is shown, when the text changes (after a pause)
// and when the caret goes into another program, the move of the caret's
// line drawn highlighted, and the caret taken to the line a click names.
#include "app/widgets/sdiappform.h"

#include "app/widgets/backplotdock.h"
#include "document/widgets/nceditor.h"
#include "nc/pathreading.h"
#include "station/ncmachine.h"

#include <QMenu>

namespace marbolt {

namespace {

// The text is read again once typing has paused this long.
constexpr int kRereadMs = 400;

}  // namespace

void TSDIAppForm::createBackplot()
{
    BackplotPane = new BackplotDock(this);
    addDockWidget(Qt::RightDockWidgetArea, BackplotPane);
    BackplotPane->hide();
    QAction *toggle = BackplotPane->toggleViewAction();
    toggle->setObjectName(QStringLiteral("BackplotItem"));
    toggle->setText(QStringLiteral("バックプロット"));
    toggle->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+B")));
    // In the file menu, after the compare: the menu bar keeps its four menus.
    const QList<QAction *> items = FileMenu->actions();
    const qsizetype compare = items.indexOf(ActionList1.FileCompare1);
    FileMenu->insertAction(compare >= 0 && compare + 1 < items.size() ? items[compare + 1] : nullptr, toggle);
    backplotReading_ = new nc::PathReading(this);
    backplotTimer_.setSingleShot(true);
    backplotTimer_.setInterval(kRereadMs);
    connect(&backplotTimer_, &QTimer::timeout, this, &TSDIAppForm::readBackplot);
    connect(backplotReading_, &nc::PathReading::ready, this, &TSDIAppForm::backplotReady);
    connect(BackplotPane, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (shown)
            readBackplot();
    });
    connect(BackplotPane, &BackplotDock::scopeChanged, this, &TSDIAppForm::readBackplot);
    connect(BackplotPane, &BackplotDock::lineChosen, this, &TSDIAppForm::backplotLineChosen);
    connect(RichEdit1, &QsciScintilla::textChanged, this, [this] {
        if (BackplotPane->isVisible())
            backplotTimer_.start();
    });
    connect(RichEdit1, &QsciScintilla::cursorPositionChanged, this, &TSDIAppForm::followCaretInBackplot);
}

void TSDIAppForm::readBackplot()
{
    if (!BackplotPane->isVisible())
        return;
    backplotTimer_.stop();
    const std::string_view text = RichEdit1->textView();
    std::optional<std::size_t> caret;
    if (!BackplotPane->wholeDocument())
        caret = RichEdit1->caretPos();
    // As the active machine reads it: a lathe's X is a diameter.
    backplotReading_->read(text, caret, readOptionsFor(activeNcMachine(settings_)));
}

void TSDIAppForm::backplotReady(std::shared_ptr<const nc::ProgramPath> path, qint64 programStart, qint64 programEnd)
{
    backplotProgram_.reset();
    if (!BackplotPane->wholeDocument())
        backplotProgram_ = {static_cast<std::size_t>(programStart), static_cast<std::size_t>(programEnd)};
    BackplotPane->showPath(std::move(path));
    followCaretInBackplot();
}

void TSDIAppForm::followCaretInBackplot()
{
    if (!BackplotPane || !BackplotPane->isVisible())
        return;
    const std::size_t caret = RichEdit1->caretPos();
    BackplotPane->view()->setCurrentLine(static_cast<std::uint32_t>(RichEdit1->lineAt(caret)));
    // The caret went out of the program drawn: the one it is in is drawn.
    // (Typing moves the text under the span; the text is read again after
    // the pause anyway.)
    if (backplotProgram_ && !backplotTimer_.isActive()
        && (caret < backplotProgram_->first || caret >= backplotProgram_->second)) {
        backplotProgram_.reset();
        backplotTimer_.start();
    }
}

void TSDIAppForm::backplotLineChosen(std::uint32_t line)
{
    RichEdit1->setCaretPos(RichEdit1->lineStart(line));
    RichEdit1->setFocus();
    followCaretInBackplot();  // the editor tells of the caret only once it has painted
}

}  // namespace marbolt
