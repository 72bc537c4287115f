#pragma once
// The NC functions of the editor: renumbering, taking numbers out, the
// blanks between words and the block skip, each made on its scope as one
// undo step through the editor, with what it did and what it could not do
// said back. The window asks the questions and shows the report.
#include "nc/blockform.h"
#include "nc/renumber.h"
#include "nc/transform.h"
#include "tools/ncscope.h"
#include "tools/textchanges.h"

#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

namespace marbolt {

// The editor as the NC functions see it.
class NcEditTarget {
public:
    virtual ~NcEditTarget() = default;
    virtual std::string_view text() const = 0;  // UTF-8, CR LF
    virtual std::size_t selectionStart() const = 0;
    virtual std::size_t selectionEnd() const = 0;
    // Makes the changes (in document order, at positions of the text as it
    // stands) as one undo step; the caret stays on its line.
    virtual void change(const std::vector<TextChange> &changes) = 0;
    // Whether an unchanged line between two changed ones may be replaced
    // with them: false while the editor keeps marks on lines.
    virtual bool mayReplaceUnchangedLines() const = 0;
    virtual void select(std::size_t start, std::size_t end) = 0;
};

struct NcReport {
    bool changed = false;
    QString summary;    // one line, for the status bar
    QStringList notes;  // what was left as it stood, one line each ("12行: ...")
};

class NcFunctions {
public:
    explicit NcFunctions(NcEditTarget &target) : target_(target) {}

    NcReport renumber(NcScope scope, const nc::RenumberOptions &options);
    NcReport removeNumbers(NcScope scope, bool lathe);
    NcReport wordBlanks(NcScope scope, bool spaced);
    NcReport blockSkip(NcScope scope, nc::BlockSkipChange change);
    NcReport transform(NcScope scope, const nc::TransformOptions &options);
    NcReport scaleRates(NcScope scope, const nc::RateScale &options);

private:
    NcStretch stretch(NcScope scope) const;
    // Puts after in place of the stretch's programs; true when anything changed.
    bool apply(const NcStretch &s, NcScope scope, const std::string &after);
    // The stretch's programs with its lines (and only those) put through rewrite.
    template <typename Rewrite>
    std::string withLinesRewritten(const NcStretch &s, Rewrite rewrite) const
    {
        const std::string_view text = target_.text();
        std::string after(text.substr(s.start, s.linesStart - s.start));
        after += rewrite(text.substr(s.linesStart, s.linesEnd - s.linesStart));
        after += text.substr(s.linesEnd, s.end - s.linesEnd);
        return after;
    }

    NcEditTarget &target_;
};

// "12行: " for line (0-based, of the stretch) of s.
QString lineLabel(const NcStretch &s, std::uint32_t line);

}  // namespace marbolt
