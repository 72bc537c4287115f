#include "document/widgets/editoraccessible.h"

#include "document/sjistext.h"
#include "document/widgets/nceditor.h"

#include <QHash>

#include <algorithm>

namespace marbolt {

namespace {

// By the editor as a QObject: the object goes as the editor is destroyed,
// when it is an NcEditor no more.
QHash<const QObject *, EditorAccessible *> &registry()
{
    static QHash<const QObject *, EditorAccessible *> objects;
    return objects;
}

EditorAccessible::EventObserver &observer()
{
    static EditorAccessible::EventObserver o;
    return o;
}

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    // Asked for the most derived class first, so this one is found before
    // the editor library's, which answers for its base class.
    if (className == QLatin1String(NcEditor::staticMetaObject.className()) && object && object->isWidgetType())
        return new EditorAccessible(static_cast<NcEditor *>(object));
    return nullptr;
}

}  // namespace

EditorAccessible::EditorAccessible(NcEditor *editor) : QAccessibleWidget(editor, QAccessible::EditableText)
{
    registry().insert(static_cast<const QObject *>(editor), this);
}

EditorAccessible::~EditorAccessible()
{
    registry().remove(object());
    // The index stays with the document; it costs only memory until the
    // document goes.
}

void EditorAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void EditorAccessible::setEventObserver(EventObserver o)
{
    observer() = std::move(o);
}

void EditorAccessible::tell(QAccessibleEvent &event)
{
    if (observer())
        observer()(&event);
    else
        QAccessible::updateAccessibility(&event);
}

EditorAccessible *EditorAccessible::of(const NcEditor *editor)
{
    return registry().value(static_cast<const QObject *>(editor), nullptr);
}

NcEditor *EditorAccessible::editor() const
{
    return static_cast<NcEditor *>(widget());
}

long EditorAccessible::send(unsigned int message, unsigned long wParam, long lParam) const
{
    return editor()->SendScintilla(message, wParam, lParam);
}

void EditorAccessible::ensureIndex() const
{
    // Per document: a document loaded or swapped in since brings none.
    if (!(send(QsciScintillaBase::SCI_GETLINECHARACTERINDEX) & QsciScintillaBase::SC_LINECHARACTERINDEX_UTF16))
        send(QsciScintillaBase::SCI_ALLOCATELINECHARACTERINDEX, QsciScintillaBase::SC_LINECHARACTERINDEX_UTF16);
}

int EditorAccessible::offsetOf(long position) const
{
    ensureIndex();
    position = std::clamp<long>(position, 0, send(QsciScintillaBase::SCI_GETTEXTLENGTH));
    const long line = send(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
    const long lineStart = send(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long base = send(QsciScintillaBase::SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
                           QsciScintillaBase::SC_LINECHARACTERINDEX_UTF16);
    return static_cast<int>(base
                            + send(QsciScintillaBase::SCI_COUNTCODEUNITS, static_cast<unsigned long>(lineStart),
                                   position));
}

long EditorAccessible::positionOf(int offset) const
{
    ensureIndex();
    offset = std::clamp(offset, 0, characterCount());
    const long line = send(QsciScintillaBase::SCI_LINEFROMINDEXPOSITION, static_cast<unsigned long>(offset),
                           QsciScintillaBase::SC_LINECHARACTERINDEX_UTF16);
    const long lineStart = send(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long base = send(QsciScintillaBase::SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
                           QsciScintillaBase::SC_LINECHARACTERINDEX_UTF16);
    return send(QsciScintillaBase::SCI_POSITIONRELATIVECODEUNITS, static_cast<unsigned long>(lineStart),
                offset - base);
}

int EditorAccessible::characterCount() const
{
    return offsetOf(send(QsciScintillaBase::SCI_GETTEXTLENGTH));
}

QString EditorAccessible::range(long start, long end) const
{
    // Only the range: a deletion reported here must not cost a move of the
    // whole text (40,000 of them in a replace-all).
    const std::string_view text = editor()->textRange(static_cast<std::size_t>(std::max(0L, start)),
                                                      static_cast<std::size_t>(std::max(0L, end)));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void EditorAccessible::textInserting(long position, const QString &text)
{
    QAccessibleTextInsertEvent event(editor(), offsetOf(position), text);
    tell(event);
}

void EditorAccessible::textDeleting(long position, long length)
{
    QAccessibleTextRemoveEvent event(editor(), offsetOf(position), range(position, position + length));
    tell(event);
}

void EditorAccessible::caretMoved()
{
    const int offset = offsetOf(send(QsciScintillaBase::SCI_GETCURRENTPOS));
    if (offset == caretOffset_)
        return;
    caretOffset_ = offset;
    QAccessibleTextCursorEvent event(editor(), offset);
    tell(event);
}

void *EditorAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

void EditorAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0)
        return;
    *startOffset = offsetOf(send(QsciScintillaBase::SCI_GETSELECTIONSTART));
    *endOffset = offsetOf(send(QsciScintillaBase::SCI_GETSELECTIONEND));
}

int EditorAccessible::selectionCount() const
{
    return send(QsciScintillaBase::SCI_GETSELECTIONEMPTY) ? 0 : 1;
}

void EditorAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void EditorAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        send(QsciScintillaBase::SCI_SETEMPTYSELECTION, static_cast<unsigned long>(send(QsciScintillaBase::SCI_GETCURRENTPOS)));
}

void EditorAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        editor()->selectRange(static_cast<std::size_t>(positionOf(startOffset)),
                              static_cast<std::size_t>(positionOf(endOffset)));
}

int EditorAccessible::cursorPosition() const
{
    return offsetOf(send(QsciScintillaBase::SCI_GETCURRENTPOS));
}

void EditorAccessible::setCursorPosition(int position)
{
    editor()->setCaretPos(static_cast<std::size_t>(positionOf(position)));
}

QString EditorAccessible::text(int startOffset, int endOffset) const
{
    return range(positionOf(startOffset), positionOf(endOffset));
}

bool EditorAccessible::unitAt(long position, QAccessible::TextBoundaryType type, long &start, long &end) const
{
    const long length = send(QsciScintillaBase::SCI_GETTEXTLENGTH);
    switch (type) {
    case QAccessible::CharBoundary:
        if (position >= length)
            return false;
        start = position;
        end = send(QsciScintillaBase::SCI_POSITIONAFTER, static_cast<unsigned long>(position));
        return true;
    case QAccessible::WordBoundary:
        start = send(QsciScintillaBase::SCI_WORDSTARTPOSITION, static_cast<unsigned long>(position), 1);
        end = send(QsciScintillaBase::SCI_WORDENDPOSITION, static_cast<unsigned long>(position), 1);
        return start != end;
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary: {
        // An NC block is a line.
        const long line = send(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
        start = send(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
        end = send(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line + 1));
        if (end < start)
            end = length;
        return start != end;
    }
    default:
        // The whole text or a sentence: not offered for a document of this size.
        return false;
    }
}

QString EditorAccessible::unitText(long start, long end, int *startOffset, int *endOffset) const
{
    *startOffset = offsetOf(start);
    *endOffset = offsetOf(end);
    return range(start, end);
}

QString EditorAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                                       int *endOffset) const
{
    *startOffset = *endOffset = -1;
    long start = 0, end = 0;
    if (!unitAt(positionOf(offset), boundaryType, start, end))
        return QString();
    return unitText(start, end, startOffset, endOffset);
}

QString EditorAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                           int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = -1;
    long start = 0, end = 0;
    if (!unitAt(positionOf(offset), boundaryType, start, end) || start == 0)
        return QString();
    const long before = send(QsciScintillaBase::SCI_POSITIONBEFORE, static_cast<unsigned long>(start));
    if (!unitAt(before, boundaryType, start, end))
        return QString();
    return unitText(start, end, startOffset, endOffset);
}

QString EditorAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                          int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = -1;
    long start = 0, end = 0;
    if (!unitAt(positionOf(offset), boundaryType, start, end))
        return QString();
    if (!unitAt(end, boundaryType, start, end))
        return QString();
    return unitText(start, end, startOffset, endOffset);
}

QRect EditorAccessible::characterRect(int offset) const
{
    const long position = positionOf(offset);
    const int x = static_cast<int>(send(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, position));
    const int y = static_cast<int>(send(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0, position));
    const int after = static_cast<int>(send(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0,
                                            send(QsciScintillaBase::SCI_POSITIONAFTER, static_cast<unsigned long>(position))));
    const int height = static_cast<int>(send(QsciScintillaBase::SCI_TEXTHEIGHT, 0));
    QRect rect(x, y, std::max(1, after - x), height);
    rect.moveTo(editor()->viewport()->mapToGlobal(rect.topLeft()));
    return rect;
}

int EditorAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPoint p = editor()->viewport()->mapFromGlobal(point);
    const long position = send(QsciScintillaBase::SCI_POSITIONFROMPOINTCLOSE, static_cast<unsigned long>(p.x()), p.y());
    return position < 0 ? -1 : offsetOf(position);
}

void EditorAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    send(QsciScintillaBase::SCI_SCROLLRANGE, static_cast<unsigned long>(positionOf(endIndex)), positionOf(startIndex));
}

QString EditorAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    // One plain face for the whole text.
    *startOffset = 0;
    *endOffset = characterCount();
    (void)offset;
    return QString();
}

void EditorAccessible::deleteText(int startOffset, int endOffset)
{
    const long start = positionOf(startOffset);
    const long end = positionOf(endOffset);
    if (end > start && !editor()->isReadOnly())
        send(QsciScintillaBase::SCI_DELETERANGE, static_cast<unsigned long>(start), end - start);
}

void EditorAccessible::insertText(int offset, const QString &text)
{
    if (editor()->isReadOnly())
        return;
    // As typed: a-z as A-Z.
    const QByteArray utf8 = upperAscii(text).toUtf8();
    editor()->SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, static_cast<unsigned long>(positionOf(offset)),
                            utf8.constData());
}

void EditorAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    send(QsciScintillaBase::SCI_BEGINUNDOACTION);
    deleteText(startOffset, endOffset);
    insertText(startOffset, text);
    send(QsciScintillaBase::SCI_ENDUNDOACTION);
}

}  // namespace marbolt
