#pragma once
// Replace over the editor: one occurrence at a time, all from the
// selection to the end, or all within the current program; occurrences
// inside a parenthesised comment are skipped on request.
#include "document/programindex.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace marbolt {

class Dialogs;

// The shared replace state: the replace dialog copies its fields here, the
// EOF deletion sets it itself.
struct ReplaceState {
    QString ReplaceFindText;
    QString ReplaceNewText;
    bool ReplaceSkipComments = false;
    bool ReplaceActive = false;  // replace-all runs may go on
};

// The comment test for an occurrence starting at s: looking back from s
// to the start of its line, a "(" met first means inside, a ")" outside.
// A comment never continues onto the next line.
bool intag(std::string_view text, std::size_t s);

// One occurrence of a replace-all, at its place in the text before the run.
struct PlannedOccurrence {
    std::size_t at = 0;
    bool replace = true;  // false: inside a comment, passed over
};

// The occurrences a replace-all meets, in one pass over the text: from
// first (an occurrence that lies there, or nullopt to search from from)
// onwards, each searched behind the one before, all ending at or before
// end. Whether one lies in a comment is decided on its line as it stands
// after the replacements before it, as a run one at a time decides it.
std::vector<PlannedOccurrence> planReplacements(std::string_view text, std::string_view needle,
                                                std::string_view replacement, std::size_t from,
                                                bool occurrenceAtFrom, std::size_t end, bool skipComments);

// The editor as replace sees it.
class ReplaceTarget {
public:
    virtual ~ReplaceTarget() = default;
    virtual std::string_view text() const = 0;  // UTF-8, CR LF
    virtual std::size_t selectionStart() const = 0;
    virtual std::size_t selectionEnd() const = 0;
    // Selects [start, end); focus gives the editor the keyboard focus too.
    virtual void select(std::size_t start, std::size_t end, bool focus) = 0;
    // Replaces the selection; the caret ends behind the new text.
    virtual void replaceSelection(std::string_view utf8) = 0;
    // Replaces [start, end) without touching the selection, where the
    // editor can; by default through the selection.
    virtual void replaceRange(std::size_t start, std::size_t end, std::string_view utf8)
    {
        select(start, end, false);
        replaceSelection(utf8);
    }
    // Where the editor can replace a stretch holding many occurrences in
    // one step (a replace-all hands it the stretch as it is to read), and
    // keep what it shows about the unchanged lines: true, and replaceSpan
    // does it without touching the selection. False: one by one.
    virtual bool canReplaceSpans() const { return false; }
    virtual void replaceSpan(std::size_t start, std::size_t end, std::string_view utf8) { replaceRange(start, end, utf8); }
    // [start, end) of the text as it stands, clamped to it.
    virtual std::string_view textRange(std::size_t start, std::size_t end) const
    {
        const std::string_view all = text();
        start = std::min(start, all.size());
        return all.substr(start, std::min(end, all.size()) - start);
    }
    // Lets pending user-interface events run.
    virtual void pumpMessages() = 0;
    // Selects the current program (FileNukidasi1Execute).
    virtual void selectCurrentProgram() = 0;
    // A replace-all's changes between these are undone as one.
    virtual void beginChanges() {}
    virtual void endChanges() {}
};

class Replacer {
public:
    Replacer(ReplaceState &state, ReplaceTarget &target, Dialogs &dialogs);

    void ReplaceFind();
    void ReplaceNext();
    void ReplaceAll();
    void ReplaceAll2();
    bool intag() const;

    static QString notFoundMessage(const QString &text);

private:
    bool replaceStep();
    // Applies a plan front to back in one undo step, letting events run
    // every few tens of milliseconds; "閉じる" ends it there. True when
    // the whole plan was applied.
    bool apply(const std::vector<PlannedOccurrence> &plan, std::string_view needle, std::string_view replacement);
    // The same an occurrence at a time, for a target that cannot replace spans.
    bool applyOneByOne(const std::vector<PlannedOccurrence> &plan, std::size_t needleLength,
                       std::string_view replacement);
    // Where a run ends: the caret behind the last new text, or the last
    // occurrence passed over selected.
    void placeAfter(const PlannedOccurrence &last, long long shift, std::size_t needleLength,
                    std::string_view replacement);
    // Selects the next occurrence of needle from the selection end that lies
    // wholly before end, and lets events run; false when there is none.
    bool selectNext(const QByteArray &needle, std::size_t end, bool focus);
    bool selectionIsEmpty() const;
    QByteArray find() const { return state_.ReplaceFindText.toUtf8(); }

    ReplaceState &state_;
    ReplaceTarget &target_;
    Dialogs &dialogs_;
};

}  // namespace marbolt
