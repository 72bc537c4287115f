#pragma once
// The editor RichEdit1: a Scintilla view holding the document as UTF-8 with
// CR LF line breaks. Positions are Scintilla's, a line break counting two.
#include <Qsci/qscicommand.h>
#include <Qsci/qsciscintilla.h>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace marbolt {

// textChanged() is emitted as each insertion or deletion begins, not
// after it: see beforeChange().
class NcEditor : public QsciScintilla {
    Q_OBJECT
public:
    // Most characters the document may hold.
    static constexpr std::uint64_t kMaxCharacters = 99999999;

    explicit NcEditor(QWidget *parent = nullptr);

    // The editor library's commands that keep a key here: caret,
    // selection and scrolling, and the keys of plain text entry.
    static bool isPlainEditingCommand(QsciCommand::Command command);

    // The whole text as one contiguous buffer, valid until the next change.
    std::string_view textView() const;
    // A copy of the whole text into out (emptied first, its room kept)
    // that leaves the buffer as it is: textView() closes the editing gap,
    // a move of up to the whole text when the caret stands in the middle
    // of a large program.
    void copyText(std::string &out) const;
    // The text of [start, end) (clamped to the text), valid until the next
    // change. Unlike textView() it moves the editing gap only when the
    // range spans it, and then only to the range's start: what a change
    // reports about itself costs its own length, not the document's.
    std::string_view textRange(std::size_t start, std::size_t end) const;
    // Changes with every edit and every new document: equal generations,
    // equal text.
    std::uint64_t generation() const { return changes_; }
    std::size_t textLength() const;

    // Replaces the document with a new one built from pieces, without undo
    // history and with the modified flag clear. add() may be called many
    // times; commit() swaps the new document in; a loader dropped without
    // commit() leaves the editor as it was.
    class Loader {
    public:
        ~Loader();
        bool add(std::string_view piece);
        void commit();

    private:
        friend class NcEditor;
        Loader(NcEditor *editor, std::size_t sizeHint);
        NcEditor *editor_;
        void *loader_;
    };
    std::unique_ptr<Loader> beginLoad(std::size_t sizeHint);

    void clearDocument();                      // empty, no undo, clean

    std::size_t caretPos() const;
    void setCaretPos(std::size_t pos);
    std::size_t selectionStartPos() const;
    std::size_t selectionEndPos() const;
    void selectRange(std::size_t start, std::size_t end);
    // The selected part of textView().
    std::string_view selectedTextView() const;

    bool modifiedFlag() const;
    // The text as it stands is the saved text.
    void clearModifiedFlag();
    // Text that exists in no file (a reception): modified until saved or
    // replaced, whatever undo does.
    void markUnsaved();

    // Line `line` without its line end, and selecting it whole.
    QString lineText(std::size_t line) const;
    // The 0-based line that holds pos, and where a line begins.
    std::size_t lineAt(std::size_t pos) const;
    std::size_t lineStart(std::size_t line) const;
    void selectLine(std::size_t line);
    // Appends text at the end, as typing would not: no caret move.
    void appendText(std::string_view utf8);
    // Whether one more line would still fit in the visible area.
    bool nextLineFits() const;

    // CR, LF and CR LF all become CR LF; true when the text changed.
    bool normaliseLineBreaks();

    // Shows the escape code points of the current text as their hex values.
    void showEscapes();

    // Lines a reception got with faulty bytes: a mark in the margin, until
    // the line is edited or the document is replaced.
    void markFaultyLines(const std::vector<std::size_t> &lines);
    bool isMarkedFaulty(std::size_t line) const;
    bool hasFaultyMarks() const;

    // NC colouring, for the eye only (the text stays plain): the lines on
    // screen are coloured as they are painted, and only they, so that a
    // 100 MB program costs what a short one does.
    void setColouring(bool on);
    bool colouring() const { return colouring_; }
    // The colour indicator of a word kind (tests look at what is shown).
    static int colourIndicator(int wordKind);

signals:
    // Text came in from outside the window's commands: pasted from the
    // X11 selection with the middle button, or dropped from another program.
    void outsideTextInserted();

protected:
    // Such text goes in as a paste does: a-z as A-Z.
    QByteArray fromMimeData(const QMimeData *source, bool &rectangular) const override;
    void dropEvent(QDropEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    // RichEdit1KeyPress: typed a-z reach the text as A-Z, also when an
    // input method commits them; nothing else changes.
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    // The input method starts off for NC text; the user can switch it on.
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void keepOnlyPlainEditingKeys();
    void applyDocumentSettings();
    // Told before every insertion and deletion (the only changes the
    // editor reports: the library's own report after a change counts the
    // characters from the start of the document for its accessible object,
    // a second a key at the end of 100 MB). An edit takes the faulty mark
    // off its lines; a screen reader is told of the change.
    void beforeChange(int position, int type, const char *text, int length, int added, int line,
                      int foldNow, int foldBefore, int token, int annotationLines);
    void unmarkLines(long first, long last);
    // The insertion announced last, told to a screen reader once it stands.
    void tellInsertion();
    long insertionAt_ = -1;
    long insertionLength_ = 0;

    void colourVisibleLines();
    void clearColours();
    bool colouring_ = false;
    std::uint64_t changes_ = 0;  // counted by beforeChange
    // What the colours cover now, and the state of the text then.
    struct Coloured {
        long start = 0;
        long end = 0;
        std::uint64_t changes = 0;
        long document = 0;
    } coloured_;
    void hideEmptyMarkMargin();
    bool unsaved_ = false;
};

}  // namespace marbolt
