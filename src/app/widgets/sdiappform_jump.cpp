// The main window's jump to target: from a line naming a program (P) or a
// block (GOTO), to that program or block; and the pop-up menu's opening,
// which decides whether the jump is offered.
#include "app/widgets/sdiappform.h"

#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "tools/jumptarget.h"

#include <QMenu>

namespace marbolt {

namespace {

std::string caretLineOf(const NcEditor &editor, std::size_t &lineStart)
{
    const std::size_t line = editor.lineAt(editor.selectionStartPos());
    lineStart = editor.lineStart(line);
    return editor.lineText(line).toStdString();
}

}  // namespace

void TSDIAppForm::PopupMenu1Popup()
{
    // During a transfer the lock keeps the current-program send away.
    ActionList1.psend1->setEnabled(!transferHoldsWindow() && !ComboBox2->boxText().isEmpty());
    std::size_t lineStart = 0;
    const std::string line = caretLineOf(*RichEdit1, lineStart);
    JUMP->setEnabled(line.find('P') != std::string::npos || line.find("GOTO") != std::string::npos);
}

void TSDIAppForm::JUMPClick()
{
    std::size_t lineStart = 0;
    const std::string line = caretLineOf(*RichEdit1, lineStart);
    const JumpNumbers numbers = jumpNumbers(line);

    if (const auto &number = numbers.program) {
        const QStringList entries = ComboBox2->entries();
        std::vector<std::string> lines;
        lines.reserve(static_cast<std::size_t>(entries.size()));
        for (const QString &e : entries)
            lines.push_back(e.toStdString());
        if (const auto row = calledProgram(lines, *number)) {
            ComboBox2->setBoxText(entries[static_cast<qsizetype>(*row)]);
            ComboBox2Click(static_cast<int>(*row));
            RichEdit1->setFocus();
        }
    }

    if (const auto &number = numbers.block) {
        const BlockSearch block = findBlock(RichEdit1->textView(), lineStart, *number);
        switch (block.result) {
        case BlockSearch::Result::Found:
            RichEdit1->selectRange(block.start, block.start + block.length);
            break;
        case BlockSearch::Result::NotFound:
            dialogs_->message(QStringLiteral("N%1は見つかりませんでした").arg(QString::fromStdString(*number)));
            break;
        case BlockSearch::Result::BadNumber:
            dialogs_->error(QStringLiteral("'%1' は整数ではありません").arg(QString::fromStdString(block.badNumber)));
            break;
        }
    }
}

}  // namespace marbolt
