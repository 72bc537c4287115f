// The main window's replace: the editor as the replacer sees it, the
// replace dialog, and the replace methods the dialog and the EOF deletion run.
#include "app/widgets/sdiappform.h"

#include "document/widgets/nceditor.h"
#include "tools/widgets/replacedialog.h"

#include <QCoreApplication>

namespace marbolt {

class EditorReplaceTarget : public ReplaceTarget {
public:
    explicit EditorReplaceTarget(TSDIAppForm &form) : form_(form) {}

    std::string_view text() const override { return form_.editor()->textView(); }
    std::size_t selectionStart() const override { return form_.editor()->selectionStartPos(); }
    std::size_t selectionEnd() const override { return form_.editor()->selectionEndPos(); }
    void select(std::size_t start, std::size_t end, bool focus) override
    {
        if (focus)
            form_.editor()->setFocus();
        form_.editor()->selectRange(start, end);
    }
    void replaceSelection(std::string_view utf8) override
    {
        const std::string text(utf8);  // the call wants it NUL-terminated
        form_.editor()->SendScintilla(QsciScintilla::SCI_REPLACESEL, 0UL, text.c_str());
    }
    void replaceRange(std::size_t start, std::size_t end, std::string_view utf8) override
    {
        // Scintilla's target: the selection, the caret and the view stay.
        NcEditor *editor = form_.editor();
        editor->SendScintilla(QsciScintilla::SCI_SETTARGETRANGE, static_cast<unsigned long>(start),
                              static_cast<long>(end));
        editor->SendScintilla(QsciScintilla::SCI_REPLACETARGET, static_cast<unsigned long>(utf8.size()),
                              utf8.data());
    }
    // A stretch replaced whole would take the marks of faulty bytes off
    // every line in it, changed or not: with such marks, one by one.
    bool canReplaceSpans() const override { return !form_.editor()->hasFaultyMarks(); }
    std::string_view textRange(std::size_t start, std::size_t end) const override
    {
        return form_.editor()->textRange(start, end);
    }
    void pumpMessages() override { QCoreApplication::processEvents(); }
    void selectCurrentProgram() override { form_.FileNukidasi1Execute(); }
    void beginChanges() override { form_.editor()->beginUndoAction(); }
    void endChanges() override { form_.editor()->endUndoAction(); }

private:
    TSDIAppForm &form_;
};

void TSDIAppForm::createReplace()
{
    replaceTarget_ = std::make_unique<EditorReplaceTarget>(*this);
    replacer_ = std::make_unique<Replacer>(replaceState, *replaceTarget_, *dialogs_);
    frmReplace = new TfrmReplace(replaceState, *replacer_, [this] { return RichEdit1->selectedText(); }, this);
}

void TSDIAppForm::EditReplaceExecute()
{
    frmReplace->show();
    frmReplace->raise();
    frmReplace->activateWindow();
}

void TSDIAppForm::ReplaceFind()
{
    replacer_->ReplaceFind();
}

void TSDIAppForm::ReplaceNext()
{
    replacer_->ReplaceNext();
}

void TSDIAppForm::ReplaceAll()
{
    replacer_->ReplaceAll();
}

void TSDIAppForm::ReplaceAll2()
{
    replacer_->ReplaceAll2();
}

bool TSDIAppForm::intag() const
{
    return replacer_->intag();
}

}  // namespace marbolt
