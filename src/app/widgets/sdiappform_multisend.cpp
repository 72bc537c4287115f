// The main window's multiple-program send: the programs ticked in a check
// list go out as one transmission, and the document comes back after it.
#include "app/widgets/sdiappform.h"

#include "document/widgets/indexbox.h"
#include "document/ncfile.h"
#include "document/widgets/nceditor.h"
#include "document/programfiles.h"
#include "document/programindex.h"
#include "transfer/transfercontroller.h"

#include <QFile>

namespace marbolt {

namespace {

void loadText(NcEditor &editor, std::string_view text)
{
    auto loader = editor.beginLoad(text.size());
    loader->add(text);
    loader->commit();
}

}  // namespace

void TSDIAppForm::senntaku1Execute()
{
    const QStringList entries = ComboBox2->entries();
    if (entries.isEmpty()) {
        dialogs_->message(QStringLiteral("送信データがありません。"));
        return;
    }
    const auto rows = dialogs_->choosePrograms(entries);
    if (!rows)
        return;

    // The document is kept aside whole (undo history, changed mark, caret)
    // from here, and put back on every way out.
    const NcEditor::HeldDocument held = RichEdit1->holdDocument();
    QStringList chosen;
    for (int row : *rows)
        if (row >= 0 && row < entries.size())
            chosen << entries[row];
    const std::string multi = programsText(RichEdit1->textView(), chosen);
    const QString multiPath = paths_.storageFolder + QStringLiteral("/Multi.nc");
    const QString tempPath = paths_.storageFolder + QStringLiteral("/Temp.nc");
    WriteResult written = writeNcFile(multiPath, multi);
    if (written.status != WriteStatus::Ok) {
        RichEdit1->restoreDocument(held);
        dialogs_->message(writeFailureMessage(multiPath, written));
        return;
    }
    // A copy of the document on disk while the editor shows the programs.
    const std::string_view document = RichEdit1->textView();
    written = writeNcFile(tempPath, crLfLines(document));
    if (written.status != WriteStatus::Ok) {
        QFile::remove(multiPath);
        RichEdit1->restoreDocument(held);
        dialogs_->message(writeFailureMessage(tempPath, written));
        return;
    }

    loadText(*RichEdit1, multi);
    RichEdit1->clearModifiedFlag();
    transfers_->send([this, held, tempPath, multiPath] {
        RichEdit1->restoreDocument(held);
        ComboBox2->rebuild(RichEdit1->textView());
        QFile::remove(tempPath);
        QFile::remove(multiPath);
        // The document's own changed mark came back with it.
        ActionList1.EditUndo1->setEnabled(RichEdit1->modifiedFlag());
    });
}

}  // namespace marbolt
