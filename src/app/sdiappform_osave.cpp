// The main window's save-each-program command: every program of the index
// to a file of its own, named after its O-line, in a chosen folder.
#include "sdiappform.h"

#include "document/indexbox.h"
#include "document/ncfile.h"
#include "document/nceditor.h"
#include "document/programfiles.h"

#include <QDir>

namespace marbolt {

void TSDIAppForm::OsaveExecute()
{
    const auto folder = dialogs_->chooseFolder(QDir::currentPath());
    if (!folder)
        return;
    for (const QString &entry : ComboBox2->entries()) {
        const std::string_view program = selectProgram(entry);
        const QString path = programFilePath(*folder, entry);
        const WriteResult result = writeNcFile(path, crLfLines(program));
        if (result.status != WriteStatus::Ok) {
            // Files written so far stay; the failing program stays selected.
            dialogs_->message(writeFailureMessage(path, result));
            return;
        }
    }
    RichEdit1->setCaretPos(0);
}

}  // namespace marbolt
