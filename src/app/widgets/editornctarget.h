#pragma once
// The editor as the NC functions see it: its text and selection, and the
// changes made as one undo step with the caret kept on its line.
#include "document/widgets/nceditor.h"
#include "tools/ncfunctions.h"

namespace marbolt {

class EditorNcTarget : public NcEditTarget {
public:
    explicit EditorNcTarget(NcEditor &editor) : editor_(editor) {}

    std::string_view text() const override { return editor_.textView(); }
    std::size_t selectionStart() const override { return editor_.selectionStartPos(); }
    std::size_t selectionEnd() const override { return editor_.selectionEndPos(); }
    void change(const std::vector<TextChange> &changes) override;
    // Replacing an unchanged line would take its mark of faulty bytes off.
    bool mayReplaceUnchangedLines() const override { return !editor_.hasFaultyMarks(); }
    void select(std::size_t start, std::size_t end) override { editor_.selectRange(start, end); }

private:
    NcEditor &editor_;
};

}  // namespace marbolt
