// The main window's multiple-program send: the programs ticked in a check
// list go out as one transmission, and the document comes back after it.
#include "sdiappform.h"

#include "document/indexbox.h"
#include "document/ncfile.h"
#include "document/nceditor.h"
#include "document/programfiles.h"

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
    const bool modified = RichEdit1->modifiedFlag();
    const auto rows = dialogs_->choosePrograms(entries);
    if (!rows)
        return;

    // The chosen programs in list order, each followed by a line end.
    std::string multi;
    for (int row : *rows) {
        if (row < 0 || row >= entries.size())
            continue;
        ComboBox2->setBoxText(entries[row]);
        FileNukidasi1Execute();
        multi += RichEdit1->selectedTextView();
        multi += "\r\n";
    }
    const QString multiPath = paths_.storageFolder + QStringLiteral("/Multi.nc");
    const QString tempPath = paths_.storageFolder + QStringLiteral("/Temp.nc");
    WriteResult written = writeNcFile(multiPath, multi);
    if (written.status != WriteStatus::Ok) {
        dialogs_->message(writeFailureMessage(multiPath, written));
        return;
    }
    // The document on disk while the editor shows the programs; it comes
    // back from memory, so a file that cannot be read again loses nothing.
    const std::string document(RichEdit1->textView());
    written = writeNcFile(tempPath, crLfLines(document));
    if (written.status != WriteStatus::Ok) {
        QFile::remove(multiPath);
        dialogs_->message(writeFailureMessage(tempPath, written));
        return;
    }

    loadText(*RichEdit1, multi);
    RichEdit1->clearModifiedFlag();
    send1Execute();
    loadText(*RichEdit1, document);
    RichEdit1->clearModifiedFlag();
    ComboBox2->rebuild(RichEdit1->textView());
    QFile::remove(tempPath);
    QFile::remove(multiPath);
    if (modified)
        RichEdit1->markUnsaved();
}

}  // namespace marbolt
