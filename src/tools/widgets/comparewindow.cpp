#include "tools/widgets/comparewindow.h"

#include "common/dialogs.h"
#include "common/widgets/fontfallback.h"
#include "document/textlines.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>

namespace marbolt {

namespace {

QColor markColour(DifferenceKind kind, bool current)
{
    switch (kind) {
    case DifferenceKind::Changed:
        return current ? QColor(0xFF, 0xD0, 0x40) : QColor(0xFF, 0xF0, 0xB0);
    case DifferenceKind::OnlyLeft:
        return current ? QColor(0xFF, 0x90, 0x90) : QColor(0xFF, 0xD8, 0xD8);
    case DifferenceKind::OnlyRight:
        return current ? QColor(0x80, 0xE0, 0x80) : QColor(0xD0, 0xF4, 0xD0);
    }
    return {};
}

// The changed words: a stronger colour over the block's own.
const QColor kChangedWord(0xF0, 0x90, 0x20);

// Characters (UTF-16 units, as the view counts) in the first bytes of a line.
int charactersIn(std::string_view line, std::size_t bytes)
{
    return static_cast<int>(QString::fromUtf8(line.data(), static_cast<qsizetype>(std::min(bytes, line.size()))).size());
}

QPlainTextEdit *sideView(QWidget *parent, const QString &name)
{
    auto *view = new QPlainTextEdit(parent);
    view->setObjectName(name);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed(installedFixedFace(QStringLiteral("ＭＳ ゴシック")));
    fixed.setPixelSize(13);
    view->setFont(fixed);
    return view;
}

// The line a run starts at on one side; for a side with no block in the
// run, the line of that side's next block.
std::size_t runLine(const std::vector<CompareBlock> &blocks, std::size_t first, std::size_t lines)
{
    return first < blocks.size() ? blocks[first].line : lines;
}

}  // namespace

CompareWindow::CompareWindow(const QString &whatText, std::string leftText, std::size_t firstLine,
                             Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), dialogs_(dialogs), leftText_(std::move(leftText)), firstLine_(firstLine)
{
    setObjectName(QStringLiteral("CompareWindow"));
    setWindowTitle(QStringLiteral("照合"));
    setFont(dialogFont(12));
    resize(760, 520);

    auto *column = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    what = new QLabel(whatText, this);
    what->setTextFormat(Qt::PlainText);
    top->addWidget(what, 1);
    fromFile = new QPushButton(QStringLiteral("ファイルと照合…"), this);
    fromReception = new QPushButton(QStringLiteral("受信して照合…"), this);
    top->addWidget(fromFile);
    top->addWidget(fromReception);
    column->addLayout(top);

    auto *rules = new QHBoxLayout;
    ignoreN = new QCheckBox(QStringLiteral("N番号を無視"), this);
    ignoreBlanks = new QCheckBox(QStringLiteral("空白を無視"), this);
    ignoreComments = new QCheckBox(QStringLiteral("コメントを無視"), this);
    byValue = new QCheckBox(QStringLiteral("数値を値で比較"), this);
    for (QCheckBox *box : {ignoreN, ignoreBlanks, ignoreComments, byValue}) {
        box->setChecked(true);
        rules->addWidget(box);
        connect(box, &QCheckBox::toggled, this, &CompareWindow::recompare);
    }
    rules->addStretch(1);
    column->addLayout(rules);

    auto *sides = new QHBoxLayout;
    auto *leftColumn = new QVBoxLayout;
    auto *leftTitle = new QLabel(QStringLiteral("ドキュメント"), this);
    left = sideView(this, QStringLiteral("left"));
    left->setPlainText(QString::fromUtf8(leftText_.data(), static_cast<qsizetype>(leftText_.size())).remove(u'\r'));
    leftColumn->addWidget(leftTitle);
    leftColumn->addWidget(left, 1);
    auto *rightColumn = new QVBoxLayout;
    rightTitle = new QLabel(QStringLiteral("照合先"), this);
    rightTitle->setTextFormat(Qt::PlainText);
    right = sideView(this, QStringLiteral("right"));
    rightColumn->addWidget(rightTitle);
    rightColumn->addWidget(right, 1);
    sides->addLayout(leftColumn, 1);
    sides->addLayout(rightColumn, 1);
    column->addLayout(sides, 1);

    change = new QLabel(this);
    change->setObjectName(QStringLiteral("change"));
    change->setTextFormat(Qt::PlainText);
    column->addWidget(change);

    auto *bottom = new QHBoxLayout;
    status = new QLabel(this);
    bottom->addWidget(status, 1);
    auto *previous = new QPushButton(QStringLiteral("前の相違"), this);
    auto *next = new QPushButton(QStringLiteral("次の相違"), this);
    auto *close = new QPushButton(QStringLiteral("閉じる"), this);
    for (QPushButton *b : {fromFile, fromReception, previous, next, close})
        b->setAutoDefault(false);
    bottom->addWidget(previous);
    bottom->addWidget(next);
    bottom->addWidget(close);
    column->addLayout(bottom);

    auto *nextAction = new QAction(QStringLiteral("次の相違"), this);
    nextAction->setShortcut(QKeySequence(Qt::Key_F3));
    auto *previousAction = new QAction(QStringLiteral("前の相違"), this);
    previousAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    addAction(nextAction);
    addAction(previousAction);
    connect(nextAction, &QAction::triggered, this, &CompareWindow::nextDifference);
    connect(previousAction, &QAction::triggered, this, &CompareWindow::previousDifference);
    connect(next, &QPushButton::clicked, this, &CompareWindow::nextDifference);
    connect(previous, &QPushButton::clicked, this, &CompareWindow::previousDifference);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(fromFile, &QPushButton::clicked, this, &CompareWindow::fileRequested);
    connect(fromReception, &QPushButton::clicked, this, &CompareWindow::receptionRequested);
    // The plain-text view scrolls without a word from its scroll bar; its
    // update request says by how much.
    connect(left, &QPlainTextEdit::updateRequest, this, [this](const QRect &, int dy) {
        if (dy != 0)
            follow(left, right, true);
    });
    connect(right, &QPlainTextEdit::updateRequest, this, [this](const QRect &, int dy) {
        if (dy != 0)
            follow(right, left, false);
    });
    left->viewport()->installEventFilter(this);
}

CompareOptions CompareWindow::options() const
{
    CompareOptions o;
    o.ignoreSequenceNumbers = ignoreN->isChecked();
    o.ignoreBlanks = ignoreBlanks->isChecked();
    o.ignoreComments = ignoreComments->isChecked();
    o.numbersByValue = byValue->isChecked();
    return o;
}

void CompareWindow::setRightText(const QString &title, std::string text)
{
    rightText_ = std::move(text);
    haveRight_ = true;
    rightTitle->setText(title);
    right->setPlainText(QString::fromUtf8(rightText_.data(), static_cast<qsizetype>(rightText_.size())).remove(u'\r'));
    recompare();
    if (differences_.empty())
        dialogs_.information(QStringLiteral("相違はありません。"), Buttons::Ok);
}

void CompareWindow::setSourcesEnabled(bool enabled)
{
    fromFile->setEnabled(enabled);
    fromReception->setEnabled(enabled);
}

void CompareWindow::recompare()
{
    if (!haveRight_)
        return;
    const CompareOptions o = options();
    leftBlocks_ = compareBlocks(leftText_, o);
    rightBlocks_ = compareBlocks(rightText_, o);
    differences_ = compareTexts(leftBlocks_, rightBlocks_);
    // The words of each changed pair that differ.
    wordMarks_.clear();
    wordChanges_.assign(differences_.size(), QString());
    const std::vector<std::size_t> leftStarts = lineStarts(leftText_);
    const std::vector<std::size_t> rightStarts = lineStarts(rightText_);
    for (std::size_t i = 0; i < differences_.size(); ++i) {
        const Difference &d = differences_[i];
        if (d.kind != DifferenceKind::Changed || d.leftCount != 1 || d.rightCount != 1)
            continue;
        const std::size_t leftLine = leftBlocks_[d.leftFirst].line, rightLine = rightBlocks_[d.rightFirst].line;
        const std::string_view l = lineView(leftText_, leftStarts, leftLine);
        const std::string_view r = lineView(rightText_, rightStarts, rightLine);
        const std::vector<BlockWord> lw = blockWords(l, o), rw = blockWords(r, o);
        const WordChanges changes = changedWords(lw, rw);
        auto mark = [this](bool leftSide, std::size_t line, std::string_view text, const BlockWord &w) {
            const int start = charactersIn(text, w.start);
            wordMarks_.push_back({leftSide, line, start, charactersIn(text, w.end) - start});
        };
        for (std::size_t k : changes.left)
            mark(true, leftLine, l, lw[k]);
        for (std::size_t k : changes.right)
            mark(false, rightLine, r, rw[k]);
        wordChanges_[i] = QString::fromStdString(describeWordChanges(l, lw, r, rw, changes));
    }
    anchors_.clear();
    std::size_t l = 0, r = 0;
    auto matchUpTo = [&](std::size_t leftEnd, std::size_t rightEnd) {
        for (; l < leftEnd && r < rightEnd; ++l, ++r)
            anchors_.emplace_back(leftBlocks_[l].line, rightBlocks_[r].line);
    };
    for (const Difference &d : differences_) {
        matchUpTo(d.leftFirst, d.rightFirst);
        l = d.leftFirst + d.leftCount;
        r = d.rightFirst + d.rightCount;
    }
    matchUpTo(leftBlocks_.size(), rightBlocks_.size());
    status->setText(QStringLiteral("相違 %1 箇所").arg(differences_.size()));
    change->clear();
    current_ = -1;
    showMarks();
    if (!differences_.empty())
        showDifference(0);
}

void CompareWindow::showMarks()
{
    auto marks = [&](QPlainTextEdit *view, bool leftSide) {
        QList<QTextEdit::ExtraSelection> selections;
        for (std::size_t i = 0; i < differences_.size(); ++i) {
            const Difference &d = differences_[i];
            const auto &blocks = leftSide ? leftBlocks_ : rightBlocks_;
            const std::size_t first = leftSide ? d.leftFirst : d.rightFirst;
            const std::size_t count = leftSide ? d.leftCount : d.rightCount;
            for (std::size_t k = first; k < first + count; ++k) {
                QTextEdit::ExtraSelection mark;
                mark.cursor = QTextCursor(view->document()->findBlockByNumber(static_cast<int>(blocks[k].line)));
                mark.format.setBackground(markColour(d.kind, static_cast<int>(i) == current_));
                mark.format.setProperty(QTextFormat::FullWidthSelection, true);
                selections.append(mark);
            }
        }
        // The words that changed, over their block's mark.
        for (const WordMark &w : wordMarks_) {
            if (w.leftSide != leftSide)
                continue;
            QTextEdit::ExtraSelection mark;
            const QTextBlock block = view->document()->findBlockByNumber(static_cast<int>(w.line));
            mark.cursor = QTextCursor(block);
            mark.cursor.setPosition(block.position() + w.start);
            mark.cursor.setPosition(block.position() + w.start + w.length, QTextCursor::KeepAnchor);
            mark.format.setBackground(kChangedWord);
            mark.format.setFontWeight(QFont::Bold);
            selections.append(mark);
        }
        view->setExtraSelections(selections);
    };
    marks(left, true);
    marks(right, false);
}

void CompareWindow::showDifference(int index)
{
    if (index < 0 || index >= static_cast<int>(differences_.size()))
        return;
    current_ = index;
    showMarks();
    const Difference &d = differences_[static_cast<std::size_t>(index)];
    const int leftLines = left->document()->blockCount();
    const auto line = runLine(leftBlocks_, d.leftFirst, static_cast<std::size_t>(leftLines));
    QTextCursor cursor(left->document()->findBlockByNumber(static_cast<int>(std::min<std::size_t>(line, leftLines - 1))));
    left->setTextCursor(cursor);
    left->centerCursor();
    // A run only on the right has no left line to centre on: the right
    // side shows it whatever the left's scroll made of it.
    const int rightLines = right->document()->blockCount();
    const auto rightLine = runLine(rightBlocks_, d.rightFirst, static_cast<std::size_t>(rightLines));
    QTextCursor rightCursor(right->document()->findBlockByNumber(static_cast<int>(std::min<std::size_t>(rightLine, rightLines - 1))));
    following_ = true;
    right->setTextCursor(rightCursor);
    right->centerCursor();
    following_ = false;
    status->setText(QStringLiteral("相違 %1 箇所 (%2 番目)").arg(differences_.size()).arg(index + 1));
    // What the difference is, as a machinist reads it.
    const QString &words = wordChanges_[static_cast<std::size_t>(index)];
    if (!words.isEmpty())
        change->setText(words);
    else if (d.kind == DifferenceKind::OnlyLeft)
        change->setText(QStringLiteral("ドキュメントのみ"));
    else if (d.kind == DifferenceKind::OnlyRight)
        change->setText(QStringLiteral("照合先のみ"));
    else
        change->setText(QStringLiteral("変更"));
}

void CompareWindow::nextDifference()
{
    if (current_ + 1 < static_cast<int>(differences_.size()))
        showDifference(current_ + 1);
}

void CompareWindow::previousDifference()
{
    if (current_ > 0)
        showDifference(current_ - 1);
}

void CompareWindow::follow(QPlainTextEdit *from, QPlainTextEdit *to, bool fromLeft)
{
    if (following_)
        return;
    const auto top = static_cast<std::size_t>(from->verticalScrollBar()->value());
    // The last matched pair at or above the top line keeps the sides level;
    // the pairs rise on both sides, so it is found by halving.
    const auto after = std::upper_bound(anchors_.begin(), anchors_.end(), top,
                                        [fromLeft](std::size_t line, const std::pair<std::size_t, std::size_t> &a) {
                                            return line < (fromLeft ? a.first : a.second);
                                        });
    std::size_t target = top;
    if (after != anchors_.begin()) {
        const auto &[l, r] = *std::prev(after);
        target = fromLeft ? r + (top - l) : l + (top - r);
    }
    following_ = true;
    to->verticalScrollBar()->setValue(static_cast<int>(target));
    following_ = false;
}

bool CompareWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == left->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int line = left->cursorForPosition(mouse->position().toPoint()).blockNumber();
        emit goToLine(firstLine_ + static_cast<std::size_t>(line));
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace marbolt
