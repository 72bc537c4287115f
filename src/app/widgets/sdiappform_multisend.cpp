// The main window's multiple-program send: the programs ticked in a check
// list go out as one transmission, taken from the document by its program
// index; the editor and its document are not touched.
#include "app/widgets/sdiappform.h"

#include "document/widgets/indexbox.h"
#include "document/ncfile.h"
#include "document/widgets/nceditor.h"
#include "document/programfiles.h"
#include "document/programindex.h"
#include "transfer/transfercontroller.h"

#include <QFile>

namespace marbolt {

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

    QStringList chosen;
    for (int row : *rows)
        if (row >= 0 && row < entries.size())
            chosen << entries[row];
    const std::string multi = programsText(RichEdit1->textView(), chosen);
    const QString multiPath = paths_.storageFolder + QStringLiteral("/Multi.nc");
    const QString tempPath = paths_.storageFolder + QStringLiteral("/Temp.nc");
    WriteResult written = writeNcFile(multiPath, multi);
    if (written.status != WriteStatus::Ok) {
        dialogs_->message(writeFailureMessage(multiPath, written));
        return;
    }
    // A copy of the document on disk while the programs go out.
    const std::string_view document = RichEdit1->textView();
    written = writeNcFile(tempPath, crLfLines(document));
    if (written.status != WriteStatus::Ok) {
        QFile::remove(multiPath);
        dialogs_->message(writeFailureMessage(tempPath, written));
        return;
    }
    transfers_->sendText(multi, [tempPath, multiPath] {
        QFile::remove(tempPath);
        QFile::remove(multiPath);
    });
}

}  // namespace marbolt
