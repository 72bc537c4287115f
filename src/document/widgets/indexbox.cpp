#include "document/widgets/indexbox.h"

#include "document/programindex.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace marbolt {

namespace {

bool entryLess(const QString &a, const QString &b)
{
    const QByteArray x = a.toUtf8();
    const QByteArray y = b.toUtf8();
    return indexLess(std::string_view(x.constData(), static_cast<std::size_t>(x.size())),
                     std::string_view(y.constData(), static_cast<std::size_t>(y.size())));
}

}  // namespace

IndexBox::IndexBox(QWidget *parent) : QComboBox(parent), model_(new QStringListModel(this))
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setModel(model_);
    setMaxVisibleItems(20);
    lineEdit()->setReadOnly(true);
    // An editable QComboBox takes the line edit's text as a choice when the
    // edit loses the focus or gets Enter, and reports it as activated: that
    // would jump whenever the user leaves the box. Only the list chooses here.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    disconnect(lineEdit(), &QLineEdit::returnPressed, this, nullptr);
    lineEdit()->installEventFilter(this);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
    // Long lists: every row the same height, no measuring of 100,000 texts.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

void IndexBox::rebuild(std::string_view text)
{
    setEntries(indexEntries(scanProgramLines(text), sorted_));
}

void IndexBox::setEntries(const QStringList &entries)
{
    const QString keep = currentText();
    setUpdatesEnabled(false);
    model_->setStringList(entries);
    setCurrentIndex(-1);
    setEditText(keep);
    setUpdatesEnabled(true);
}

void IndexBox::addEntry(const QString &entry)
{
    QStringList list = model_->stringList();
    int row = static_cast<int>(list.size());
    if (sorted_)
        row = static_cast<int>(std::upper_bound(list.begin(), list.end(), entry, entryLess) - list.begin());
    const QString keep = currentText();
    model_->insertRows(row, 1);
    model_->setData(model_->index(row), entry);
    setEditText(keep);
}

void IndexBox::removeEntryAt(int row)
{
    if (row < 0 || row >= model_->rowCount())
        return;
    const QString keep = currentText();
    model_->removeRows(row, 1);
    setEditText(keep);
}

void IndexBox::clearAll()
{
    model_->setStringList({});
    setCurrentIndex(-1);
    setEditText(QString());
}

void IndexBox::setSorted(bool sorted)
{
    sorted_ = sorted;
    if (!sorted)
        return;
    // Switching sorting on puts the present entries in order.
    QStringList list = model_->stringList();
    std::stable_sort(list.begin(), list.end(), entryLess);
    const QString keep = currentText();
    model_->setStringList(list);
    setCurrentIndex(-1);
    setEditText(keep);
}

QString IndexBox::firstEntry() const
{
    return model_->rowCount() > 0 ? model_->stringList().first() : QString();
}

void IndexBox::setBoxText(const QString &text)
{
    setEditText(text);
}

// Enter hands the focus on; typed characters are dropped; navigation keys
// (arrows, page keys) browse the list as usual. True when the key was taken.
bool IndexBox::takeKey(QKeyEvent *key)
{
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        emit enterPressed();
        return true;
    }
    return !key->text().isEmpty() && key->text().at(0).isPrint();
}

// Select all belongs to the window's command (the whole document), not to
// the box's read-only text: the box lets the shortcut through.
bool IndexBox::leaveToWindow(QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride
        || !static_cast<QKeyEvent *>(event)->matches(QKeySequence::SelectAll))
        return false;
    event->ignore();
    return true;
}

bool IndexBox::event(QEvent *event)
{
    if (leaveToWindow(event))
        return false;
    return QComboBox::event(event);
}

void IndexBox::keyPressEvent(QKeyEvent *event)
{
    // The box itself holds the focus and passes keys on to its line edit.
    if (takeKey(event)) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool IndexBox::eventFilter(QObject *watched, QEvent *event)
{
    // The line edit gets keys of its own when clicked into.
    if (watched == lineEdit() && event->type() == QEvent::KeyPress
        && takeKey(static_cast<QKeyEvent *>(event)))
        return true;
    if (watched == lineEdit() && leaveToWindow(event))
        return true;
    return QComboBox::eventFilter(watched, event);
}

}  // namespace marbolt
