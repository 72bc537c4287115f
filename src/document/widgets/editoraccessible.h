#pragma once
// What a screen reader sees of the editor: its text, caret and selection
// as character offsets (UTF-16 code units, as QString counts them).
//
// The editor library's own accessible object counts characters from the
// start of the document for every offset, on every caret move and every
// change: at the end of a 100 MB program that is a second a key. This one
// takes offsets from Scintilla's line character index instead (a line's
// first offset, then the characters within the line), which it switches on
// only while a screen reader asks.
#include <QAccessibleWidget>

#include <functional>

namespace marbolt {

class NcEditor;

class EditorAccessible : public QAccessibleWidget,
                         public QAccessibleTextInterface,
                         public QAccessibleEditableTextInterface {
public:
    explicit EditorAccessible(NcEditor *editor);
    ~EditorAccessible() override;

    // Installs the factory that gives every NcEditor this object.
    static void install();
    // The object of editor, or nullptr while no one has asked for one.
    static EditorAccessible *of(const NcEditor *editor);

    // Offsets and editor positions, both ways.
    int offsetOf(long position) const;
    long positionOf(int offset) const;

    // Told by the editor before a change, and after the caret moved.
    void textInserting(long position, const QString &text);
    void textDeleting(long position, long length);
    void caretMoved();

    // Where the events go: to the desktop's accessibility bridge, or to an
    // observer a test sets (the bridge only listens while a screen reader
    // runs, which a test machine has not).
    using EventObserver = std::function<void(QAccessibleEvent *)>;
    static void setEventObserver(EventObserver observer);

    void *interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                             int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                            int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    // QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString &text) override;
    void replaceText(int startOffset, int endOffset, const QString &text) override;

private:
    NcEditor *editor() const;
    long send(unsigned int message, unsigned long wParam = 0, long lParam = 0) const;
    void ensureIndex() const;
    QString range(long start, long end) const;
    // The unit around position for a boundary type; false when there is none.
    bool unitAt(long position, QAccessible::TextBoundaryType type, long &start, long &end) const;
    QString unitText(long start, long end, int *startOffset, int *endOffset) const;
    static void tell(QAccessibleEvent &event);

    int caretOffset_ = -1;
};

}  // namespace marbolt
