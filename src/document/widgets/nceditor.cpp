#include "document/widgets/nceditor.h"

#include "document/ncsyntax.h"
#include "document/sjistext.h"
#include "document/widgets/editoraccessible.h"

#include <Qsci/qscicommandset.h>

#include <QColor>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <algorithm>
#include <set>

// Scintilla's interface for building a document off to the side
// (SCI_CREATELOADER), as its ILexer.h declares it: the library ships the
// header only with its sources. The name, the namespace (none: the
// library's type information names it "ILoader") and the order of the
// functions are the library's own, so a call through it is a call through
// the library's type, as the sanitizer's type check demands. Sci_Position
// is ptrdiff_t, and SCI_METHOD is empty on this platform.
class ILoader {
public:
    virtual int Release() = 0;
    // Returns a status code from SC_STATUS_*.
    virtual int AddData(const char *data, std::ptrdiff_t length) = 0;
    virtual void *ConvertToDocument() = 0;
};

namespace marbolt {

namespace {

// The margin mark of a line received with faulty bytes.
constexpr int kFaultyMarker = 1;
// The colour indicators, one a word kind from Address on (container range).
constexpr int kFirstColourIndicator = 20;
// Colours of the word kinds, Address to Percent.
constexpr QRgb kWordColours[kNcWordKinds - 1] = {
    qRgb(0x00, 0x00, 0xA0),  // address letters
    qRgb(0x00, 0x00, 0x00),  // numbers
    qRgb(0x00, 0x80, 0x00),  // comments
    qRgb(0xA0, 0x00, 0x00),  // O and N numbers
    qRgb(0x00, 0x60, 0xC0),  // G codes
    qRgb(0xA0, 0x00, 0xA0),  // M codes
    qRgb(0x80, 0x80, 0x80),  // % lines
};
// Lines coloured beyond the screen's either way, so that a short scroll
// paints without colouring anew.
constexpr long kColourMargin = 20;
constexpr int kStatusOk = 0;
}  // namespace

bool NcEditor::isPlainEditingCommand(QsciCommand::Command command)
{
    using C = QsciCommand;
    switch (command) {
    // Caret, selection and scrolling.
    case C::LineDown: case C::LineDownExtend: case C::LineDownRectExtend: case C::LineScrollDown:
    case C::LineUp: case C::LineUpExtend: case C::LineUpRectExtend: case C::LineScrollUp:
    case C::ParaDown: case C::ParaDownExtend: case C::ParaUp: case C::ParaUpExtend:
    case C::CharLeft: case C::CharLeftExtend: case C::CharLeftRectExtend:
    case C::CharRight: case C::CharRightExtend: case C::CharRightRectExtend:
    case C::WordLeft: case C::WordLeftExtend: case C::WordRight: case C::WordRightExtend:
    case C::WordPartLeft: case C::WordPartLeftExtend: case C::WordPartRight: case C::WordPartRightExtend:
    case C::Home: case C::HomeExtend: case C::HomeRectExtend: case C::HomeDisplay: case C::HomeDisplayExtend:
    case C::HomeWrap: case C::HomeWrapExtend: case C::VCHome: case C::VCHomeExtend: case C::VCHomeRectExtend:
    case C::VCHomeWrap: case C::VCHomeWrapExtend:
    case C::LineEnd: case C::LineEndExtend: case C::LineEndRectExtend: case C::LineEndDisplay:
    case C::LineEndDisplayExtend: case C::LineEndWrap: case C::LineEndWrapExtend:
    case C::DocumentStart: case C::DocumentStartExtend: case C::DocumentEnd: case C::DocumentEndExtend:
    case C::PageUp: case C::PageUpExtend: case C::PageUpRectExtend:
    case C::PageDown: case C::PageDownExtend: case C::PageDownRectExtend:
    case C::StutteredPageUp: case C::StutteredPageUpExtend: case C::StutteredPageDown:
    case C::StutteredPageDownExtend:
    case C::EditToggleOvertype: case C::Cancel:
    // The keys a plain text control has for entering and removing text.
    case C::Delete: case C::DeleteBack: case C::DeleteWordLeft: case C::DeleteWordRight:
    case C::Newline: case C::Tab:
        return true;
    default:
        return false;
    }
}

void NcEditor::keepOnlyPlainEditingKeys()
{
    // Everything else the editor library binds either edits text in ways
    // the upper-case rule does not see (Ctrl+U lower-cases, Ctrl+D
    // duplicates, Ctrl+T transposes, Ctrl+L cuts a line, ...) or takes a
    // key that belongs to a command of the window (Ctrl+A, Ctrl+D, Ctrl+V,
    // Ctrl+Z): the window's command must get it.
    for (QsciCommand *c : standardCommands()->commands()) {
        if (!isPlainEditingCommand(c->command())) {
            c->setKey(0);
            c->setAlternateKey(0);
        }
    }
}

NcEditor::NcEditor(QWidget *parent) : QsciScintilla(parent)
{
    setUtf8(true);
    setEolMode(EolWindows);
    setWrapMode(WrapNone);
    setMarginWidth(0, 0);
    setMarginWidth(1, 0);
    setMarginWidth(2, 0);
    SendScintilla(SCI_SETSCROLLWIDTH, 1);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
    SendScintilla(SCI_SETPASTECONVERTENDINGS, 1);
    // Keep the laid-out lines of the visible page: moving the caret line
    // by line then lays out one new line, not the whole page (halves the
    // cost of a held arrow key in a long document).
    SendScintilla(SCI_SETLAYOUTCACHE, SC_CACHE_PAGE);
    keepOnlyPlainEditingKeys();
    applyDocumentSettings();
    markerDefine(QsciScintilla::RightTriangle, kFaultyMarker);
    setMarkerBackgroundColor(QColor(0xD0, 0x20, 0x20), kFaultyMarker);
    setMarginMarkerMask(1, 1 << kFaultyMarker);
    for (int k = 1; k < kNcWordKinds; ++k) {
        const int indicator = colourIndicator(k);
        const QRgb c = kWordColours[k - 1];
        SendScintilla(SCI_INDICSETSTYLE, static_cast<unsigned long>(indicator), INDIC_TEXTFORE);
        SendScintilla(SCI_INDICSETFORE, static_cast<unsigned long>(indicator),
                      static_cast<long>(qRed(c) | qGreen(c) << 8 | qBlue(c) << 16));
    }
    EditorAccessible::install();
    SendScintilla(SCI_SETMODEVENTMASK, SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE);
    connect(this, &QsciScintilla::SCN_MODIFIED, this, &NcEditor::beforeChange);
    connect(this, &QsciScintilla::cursorPositionChanged, this, [this] {
        tellInsertion();
        if (EditorAccessible *a = EditorAccessible::of(this))
            a->caretMoved();
    });
    // A new document brings no marks.
    connect(this, &QsciScintilla::textChanged, this, &NcEditor::hideEmptyMarkMargin);
}

void NcEditor::markFaultyLines(const std::vector<std::size_t> &lines)
{
    for (std::size_t line : lines)
        if (line < static_cast<std::size_t>(this->lines()))
            markerAdd(static_cast<int>(line), kFaultyMarker);
    if (markerFindNext(0, 1 << kFaultyMarker) >= 0)
        setMarginWidth(1, 14);
}

bool NcEditor::hasFaultyMarks() const
{
    return const_cast<NcEditor *>(this)->markerFindNext(0, 1 << kFaultyMarker) >= 0;
}

bool NcEditor::isMarkedFaulty(std::size_t line) const
{
    return (const_cast<NcEditor *>(this)->markersAtLine(static_cast<int>(line)) & (1 << kFaultyMarker)) != 0;
}

void NcEditor::beforeChange(int position, int type, const char *, int length, int, int, int, int, int, int)
{
    tellInsertion();
    if (!(type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE)))
        return;
    // The library says "changed" only for the reports this editor turns
    // off; it is said here, as each change begins.
    ++changes_;
    emit textChanged();
    const long at = position;
    if (type & SC_MOD_BEFOREINSERT) {
        unmarkLines(at, at);
        if (EditorAccessible::of(this)) {
            insertionAt_ = at;
            insertionLength_ = length;
            QMetaObject::invokeMethod(this, &NcEditor::tellInsertion, Qt::QueuedConnection);
        }
    } else if (type & SC_MOD_BEFOREDELETE) {
        unmarkLines(at, at + length);
        if (EditorAccessible *a = EditorAccessible::of(this))
            a->textDeleting(at, length);
    }
}

int NcEditor::colourIndicator(int wordKind)
{
    return kFirstColourIndicator + wordKind - 1;
}

void NcEditor::setColouring(bool on)
{
    if (on == colouring_)
        return;
    colouring_ = on;
    if (!on)
        clearColours();
    viewport()->update();
}

void NcEditor::clearColours()
{
    const long length = static_cast<long>(textLength());
    const long start = std::min(coloured_.start, length);
    const long end = std::min(coloured_.end, length);
    if (end > start) {
        for (int k = 1; k < kNcWordKinds; ++k) {
            SendScintilla(SCI_SETINDICATORCURRENT, static_cast<unsigned long>(colourIndicator(k)));
            SendScintilla(SCI_INDICATORCLEARRANGE, static_cast<unsigned long>(start), end - start);
        }
    }
    coloured_ = {};
}

void NcEditor::paintEvent(QPaintEvent *event)
{
    if (colouring_)
        colourVisibleLines();
    QsciScintilla::paintEvent(event);
}

void NcEditor::colourVisibleLines()
{
    const long lineCount = lines();
    const long first = std::max<long>(0, SendScintilla(SCI_DOCLINEFROMVISIBLE, SendScintilla(SCI_GETFIRSTVISIBLELINE))
                                             - kColourMargin);
    const long last = std::min<long>(lineCount - 1, first + SendScintilla(SCI_LINESONSCREEN) + 2 * kColourMargin);
    const long start = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(first));
    const long end = SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(std::max(first, last)));
    const long document = SendScintilla(SCI_GETDOCPOINTER);
    // Colouring changes what is shown and so paints again: only a change
    // of the text or of the lines shown colours anew.
    const bool covered = coloured_.document == document && coloured_.changes == changes_
                      && start >= coloured_.start && end <= coloured_.end;
    if (covered)
        return;
    if (coloured_.document == document && coloured_.changes == changes_)
        clearColours();
    else
        coloured_ = {};  // another document, or edited: what stands is cleared below
    const std::string_view text = textView();
    for (int k = 1; k < kNcWordKinds; ++k) {
        SendScintilla(SCI_SETINDICATORCURRENT, static_cast<unsigned long>(colourIndicator(k)));
        SendScintilla(SCI_INDICATORCLEARRANGE, static_cast<unsigned long>(start), end - start);
    }
    for (long line = first; line <= last; ++line) {
        const long from = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
        const long to = SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
        if (from < 0 || to > static_cast<long>(text.size()))
            break;
        for (const NcSpan &span : ncLineSpans(text.substr(from, to - from))) {
            SendScintilla(SCI_SETINDICATORCURRENT,
                          static_cast<unsigned long>(colourIndicator(static_cast<int>(span.word))));
            SendScintilla(SCI_INDICATORFILLRANGE, static_cast<unsigned long>(from + span.start),
                          static_cast<long>(span.length));
        }
    }
    coloured_ = {start, end, changes_, document};
}

void NcEditor::tellInsertion()
{
    if (insertionAt_ < 0)
        return;
    const long at = insertionAt_;
    insertionAt_ = -1;
    if (EditorAccessible *a = EditorAccessible::of(this)) {
        const auto from = static_cast<std::size_t>(at);
        const std::string_view text = textRange(from, from + static_cast<std::size_t>(insertionLength_));
        if (text.size() == static_cast<std::size_t>(insertionLength_))
            a->textInserting(at, QString::fromUtf8(text.data(), insertionLength_));
    }
}

void NcEditor::unmarkLines(long first, long last)
{
    if (marginWidth(1) == 0)
        return;
    const int from = static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(first)));
    const int to = static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(last)));
    // Only the marked lines among them, however many lines go.
    for (int line = markerFindNext(from, 1 << kFaultyMarker); line >= 0 && line <= to;
         line = markerFindNext(line + 1, 1 << kFaultyMarker))
        markerDelete(line, kFaultyMarker);
    hideEmptyMarkMargin();
}

void NcEditor::hideEmptyMarkMargin()
{
    if (marginWidth(1) != 0 && markerFindNext(0, 1 << kFaultyMarker) < 0)
        setMarginWidth(1, 0);
}

void NcEditor::applyDocumentSettings()
{
    // Code page and line-end mode belong to the document, not the view.
    SendScintilla(SCI_SETCODEPAGE, SC_CP_UTF8);
    SendScintilla(SCI_SETEOLMODE, SC_EOL_CRLF);
    // Setting the code page resets the representations: single bytes that
    // are not Shift-JIS are shown as "x81" and friends, and 0x80, which
    // code page 932 reads as the invisible control U+0080, as "x80".
    for (char32_t b = 0; b < 256; ++b) {
        std::string key;
        appendUtf8(key, kByteEscapeBase + b);
        SendScintilla(SCI_SETREPRESENTATION, key.c_str(), escapeDisplay(kByteEscapeBase + b).c_str());
    }
    SendScintilla(SCI_SETREPRESENTATION, "\xC2\x80", "x80");
}

QByteArray NcEditor::fromMimeData(const QMimeData *source, bool &rectangular) const
{
    QByteArray text = QsciScintilla::fromMimeData(source, rectangular);
    upperAscii(text);
    return text;
}

void NcEditor::dropEvent(QDropEvent *event)
{
    QsciScintilla::dropEvent(event);
    if (event->isAccepted())
        emit outsideTextInserted();
}

void NcEditor::mousePressEvent(QMouseEvent *event)
{
    const std::size_t before = textLength();
    QsciScintilla::mousePressEvent(event);
    if (event->button() == Qt::MiddleButton && textLength() != before)
        emit outsideTextInserted();
}

std::string_view NcEditor::textView() const
{
    const auto n = static_cast<std::size_t>(SendScintilla(SCI_GETLENGTH));
    const char *p = reinterpret_cast<const char *>(SendScintilla(SCI_GETCHARACTERPOINTER));
    return p ? std::string_view(p, n) : std::string_view();
}

void NcEditor::copyText(std::string &out) const
{
    const auto n = static_cast<std::size_t>(SendScintilla(SCI_GETLENGTH));
    const auto gap = std::min(n, static_cast<std::size_t>(SendScintilla(SCI_GETGAPPOSITION)));
    out.clear();
    out.reserve(n);
    // The two sides of the gap, neither of which spans it.
    if (gap > 0)
        out.append(reinterpret_cast<const char *>(SendScintilla(SCI_GETRANGEPOINTER, 0, static_cast<long>(gap))), gap);
    if (n > gap)
        out.append(reinterpret_cast<const char *>(
                       SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(gap), static_cast<long>(n - gap))),
                   n - gap);
}

std::string_view NcEditor::textRange(std::size_t start, std::size_t end) const
{
    const std::size_t n = textLength();
    start = std::min(start, n);
    end = std::clamp(end, start, n);
    if (end == start)
        return {};
    const char *p = reinterpret_cast<const char *>(
        SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(start), static_cast<long>(end - start)));
    return p ? std::string_view(p, end - start) : std::string_view();
}

std::size_t NcEditor::textLength() const
{
    return static_cast<std::size_t>(SendScintilla(SCI_GETLENGTH));
}

NcEditor::Loader::Loader(NcEditor *editor, std::size_t sizeHint)
    : editor_(editor),
      loader_(reinterpret_cast<void *>(editor->SendScintilla(
          SCI_CREATELOADER, static_cast<unsigned long>(sizeHint),
          static_cast<long>(SC_DOCUMENTOPTION_STYLES_NONE
                            | (sizeHint > 0x7FFFFFFF ? SC_DOCUMENTOPTION_TEXT_LARGE : 0)))))
{
}

NcEditor::Loader::~Loader()
{
    if (loader_)
        static_cast<::ILoader *>(loader_)->Release();
}

bool NcEditor::Loader::add(std::string_view piece)
{
    if (!loader_)
        return false;
    return static_cast<::ILoader *>(loader_)->AddData(
               piece.data(), static_cast<std::ptrdiff_t>(piece.size()))
        == kStatusOk;
}

void NcEditor::Loader::commit()
{
    if (!loader_)
        return;
    void *doc = static_cast<::ILoader *>(loader_)->ConvertToDocument();
    loader_ = nullptr;
    editor_->SendScintilla(SCI_SETDOCPOINTER, 0, doc);
    // The view now holds its own reference to the document.
    editor_->SendScintilla(SCI_RELEASEDOCUMENT, 0, doc);
    editor_->applyDocumentSettings();
    // A loader builds its document with undo collection off; without it the
    // document would also never leave its save point.
    editor_->SendScintilla(SCI_SETUNDOCOLLECTION, 1);
    editor_->SendScintilla(SCI_EMPTYUNDOBUFFER);
    editor_->SendScintilla(SCI_SETSAVEPOINT);
    editor_->unsaved_ = false;
    ++editor_->changes_;
}

std::unique_ptr<NcEditor::Loader> NcEditor::beginLoad(std::size_t sizeHint)
{
    return std::unique_ptr<Loader>(new Loader(this, sizeHint));
}

void NcEditor::clearDocument()
{
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    unsaved_ = false;
    ++changes_;
}

std::size_t NcEditor::caretPos() const
{
    return static_cast<std::size_t>(SendScintilla(SCI_GETCURRENTPOS));
}

void NcEditor::setCaretPos(std::size_t pos)
{
    SendScintilla(SCI_GOTOPOS, static_cast<unsigned long>(pos));
}

std::size_t NcEditor::selectionStartPos() const
{
    return static_cast<std::size_t>(SendScintilla(SCI_GETSELECTIONSTART));
}

std::size_t NcEditor::selectionEndPos() const
{
    return static_cast<std::size_t>(SendScintilla(SCI_GETSELECTIONEND));
}

void NcEditor::selectRange(std::size_t start, std::size_t end)
{
    SendScintilla(SCI_SETSEL, static_cast<unsigned long>(start), static_cast<long>(end));
}

bool NcEditor::modifiedFlag() const
{
    return unsaved_ || SendScintilla(SCI_GETMODIFY) != 0;
}

void NcEditor::clearModifiedFlag()
{
    SendScintilla(SCI_SETSAVEPOINT);
    unsaved_ = false;
}

void NcEditor::markUnsaved()
{
    unsaved_ = true;
}

std::string_view NcEditor::selectedTextView() const
{
    const std::string_view all = textView();
    const std::size_t start = std::min(selectionStartPos(), all.size());
    const std::size_t end = std::clamp(selectionEndPos(), start, all.size());
    return all.substr(start, end - start);
}

std::size_t NcEditor::lineAt(std::size_t pos) const
{
    return static_cast<std::size_t>(SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos)));
}

std::size_t NcEditor::lineStart(std::size_t line) const
{
    return static_cast<std::size_t>(SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)));
}

QString NcEditor::lineText(std::size_t line) const
{
    const long start = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long end = SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    if (start < 0 || end < start)
        return {};
    const std::string_view all = textView();
    return QString::fromUtf8(all.data() + start, static_cast<qsizetype>(end - start));
}

void NcEditor::selectLine(std::size_t line)
{
    const long start = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long end = SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    if (start >= 0 && end >= start)
        selectRange(static_cast<std::size_t>(start), static_cast<std::size_t>(end));
}

void NcEditor::appendText(std::string_view utf8)
{
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(utf8.size()), utf8.data());
}

bool NcEditor::nextLineFits() const
{
    const long lineHeight = SendScintilla(SCI_TEXTHEIGHT, 0);
    const long lines = SendScintilla(SCI_GETLINECOUNT);
    return lineHeight * (lines + 2) <= viewport()->height();
}

bool NcEditor::normaliseLineBreaks()
{
    const std::string_view t = textView();
    bool lone = false;
    for (std::size_t i = 0; i < t.size() && !lone; ++i) {
        if (t[i] == '\r')
            lone = i + 1 >= t.size() || t[i + 1] != '\n';
        else if (t[i] == '\n')
            lone = i == 0 || t[i - 1] != '\r';
    }
    if (!lone)
        return false;
    SendScintilla(SCI_CONVERTEOLS, SC_EOL_CRLF);
    return true;
}

void NcEditor::showEscapes()
{
    // Byte-pair escapes (U+F0000 + pair) are four-byte sequences F3 B0..BF.
    const std::string_view t = textView();
    std::set<char32_t> pairs;
    for (std::size_t i = 0; i + 3 < t.size(); ++i) {
        if (static_cast<unsigned char>(t[i]) == 0xF3
            && (static_cast<unsigned char>(t[i + 1]) & 0xF0) == 0xB0) {
            std::size_t j = i;
            const char32_t cp = nextCodePoint(t, j);
            if (cp >= kPairEscapeBase && cp <= kPairEscapeBase + 0xFFFF)
                pairs.insert(cp);
        }
    }
    for (char32_t cp : pairs) {
        std::string key;
        appendUtf8(key, cp);
        SendScintilla(SCI_SETREPRESENTATION, key.c_str(), escapeDisplay(cp).c_str());
    }
}

void NcEditor::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && !text.isEmpty() && upperAscii(text) != text) {
        QKeyEvent upper(event->type(), event->key(), event->modifiers(), upperAscii(text),
                        event->isAutoRepeat(), static_cast<ushort>(event->count()));
        QsciScintilla::keyPressEvent(&upper);
        event->setAccepted(upper.isAccepted());
        return;
    }
    QsciScintilla::keyPressEvent(event);
}

void NcEditor::inputMethodEvent(QInputMethodEvent *event)
{
    if (event->commitString().isEmpty()) {
        QsciScintilla::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent upper(event->preeditString(), event->attributes());
    upper.setCommitString(upperAscii(event->commitString()), event->replacementStart(),
                          event->replacementLength());
    QsciScintilla::inputMethodEvent(&upper);
}

void NcEditor::focusInEvent(QFocusEvent *event)
{
    setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    QsciScintilla::focusInEvent(event);
}

}  // namespace marbolt
