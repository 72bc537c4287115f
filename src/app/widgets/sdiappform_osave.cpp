// The main window's save-each-program command: every program of the index
// to a file of its own, named after its O-line, in a chosen folder.
#include "app/widgets/sdiappform.h"

#include "app/widgets/statuspanels.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "tools/programsaver.h"

#include <QDir>

namespace marbolt {

void TSDIAppForm::OsaveExecute()
{
    const auto folder = dialogs_->chooseFolder(QDir::currentPath());
    if (!folder)
        return;
    const QStringList entries = ComboBox2->entries();
    // Panel 0 is painted at once: the command runs without pumping events,
    // so the text it reads cannot change under it.
    auto progress = [this](qsizetype done, qsizetype total) {
        StatusBar1->setPanelText(0, QStringLiteral("%1 / %2 プログラム保存済み").arg(done).arg(total));
        StatusBar1->repaint();
    };
    const auto failure = saveEachProgram(RichEdit1->textView(), entries, *folder, progress);
    StatusBar1->setPanelText(0, QString());
    if (failure) {
        // Files written so far stay; the failing program stays selected.
        selectProgram(entries[failure->entry]);
        dialogs_->message(failure->message);
        return;
    }
    if (!entries.isEmpty())
        ComboBox2->setBoxText(entries.back());
    RichEdit1->setCaretPos(0);
}

}  // namespace marbolt
