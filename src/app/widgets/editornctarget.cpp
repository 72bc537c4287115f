#include "app/widgets/editornctarget.h"

#include <algorithm>

namespace marbolt {

void EditorNcTarget::change(const std::vector<TextChange> &changes)
{
    // The caret keeps its line and column (the line count stays), the
    // view its first line.
    const std::size_t caret = editor_.caretPos();
    const std::size_t line = editor_.lineAt(caret);
    const std::size_t column = caret - editor_.lineStart(line);
    const long firstVisible = editor_.SendScintilla(QsciScintilla::SCI_GETFIRSTVISIBLELINE);
    editor_.beginUndoAction();
    // From the back, so that each change's place is still as given.
    for (auto c = changes.rbegin(); c != changes.rend(); ++c) {
        editor_.SendScintilla(QsciScintilla::SCI_SETTARGETRANGE, static_cast<unsigned long>(c->start),
                              static_cast<long>(c->end));
        editor_.SendScintilla(QsciScintilla::SCI_REPLACETARGET, static_cast<unsigned long>(c->text.size()),
                              c->text.data());
    }
    editor_.endUndoAction();
    const std::size_t start = editor_.lineStart(line);
    const std::size_t lineEnd =
        static_cast<std::size_t>(editor_.SendScintilla(QsciScintilla::SCI_GETLINEENDPOSITION, line));
    editor_.setCaretPos(std::min(start + column, lineEnd));
    editor_.SendScintilla(QsciScintilla::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(firstVisible));
}

}  // namespace marbolt
