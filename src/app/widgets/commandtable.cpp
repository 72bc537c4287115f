#include "app/widgets/commandtable.h"

#include <QWidget>

#include <algorithm>

namespace marbolt {

namespace {

struct Row {
    QAction *Commands::*member;
    const char *name;
    const char *caption;
    const char *shortcut;  // empty: none
    const char *tip;       // empty: none
};

const Row kRows[] = {
    {&Commands::FileNew1, "FileNew1", "新規作成(&N)", "Ctrl+N", "新規"},
    {&Commands::FileOpen1, "FileOpen1", "開く(&O)...", "Ctrl+O", "開く"},
    {&Commands::FileSave1, "FileSave1", "上書き保存(&S)", "Ctrl+S", "保存"},
    {&Commands::FileSaveAs1, "FileSaveAs1", "名前をつけて保存(&A)...", "", "別名保存"},
    {&Commands::FileExit1, "FileExit1", "終了(&X)", "", "終了"},
    {&Commands::Osave, "Osave", "O番号毎に保存", "", ""},
    {&Commands::FilePrint1, "FilePrint1", "印刷(&P)", "Ctrl+P", "印刷"},
    {&Commands::FileOPrint, "FileOPrint", "現プログラム印刷", "Ctrl+G", ""},
    {&Commands::PrintSet1, "PrintSet1", "プリンタの設定", "", ""},
    {&Commands::FileNukidasi1, "FileNukidasi1", "現プログラム選択", "Ctrl+E", ""},
    {&Commands::EditCut1, "EditCut1", "切り取り(&T)", "Ctrl+X", "切り取り"},
    {&Commands::EditCopy1, "EditCopy1", "コピー(&C)", "Ctrl+C", "コピー"},
    {&Commands::EditPaste1, "EditPaste1", "貼り付け(&P)", "Ctrl+V", "貼り付け"},
    {&Commands::EditUndo1, "EditUndo1", "元に戻す", "Ctrl+Z", "前に戻す"},
    {&Commands::Editall1, "Editall1", "すべて選択(&A)", "Ctrl+A", ""},
    {&Commands::Editfont1, "Editfont1", "フォント(&B)", "Ctrl+B", ""},
    {&Commands::EditFind1, "EditFind1", "検索(&F)", "Ctrl+F", "検索"},
    {&Commands::EditNext, "EditNext", "次を検索", "F3", ""},
    {&Commands::EditReplace, "EditReplace", "置換", "Ctrl+R", ""},
    {&Commands::EditDate, "EditDate", "日付けの挿入", "Ctrl+D", ""},
    {&Commands::EditEOF, "EditEOF", "EOF削除", "Ctrl+Alt+E", ""},
    {&Commands::EditSort, "EditSort", "プログラムリストのソート", "", ""},
    {&Commands::send1, "send1", "送信", "F5", "送信"},
    {&Commands::Rec1, "Rec1", "受信", "F6", "受信"},
    {&Commands::psend1, "psend1", "現プログラム送信", "F7", "現プログラム送信"},
    {&Commands::stop1, "stop1", "キャンセル", "F8", "送受信キャンセル"},
    {&Commands::set1, "set1", "通信設定", "F9", "通信条件設定"},
    {&Commands::Repeat1, "Repeat1", "リピート送信", "F10", ""},
    {&Commands::cursend1, "cursend1", "カーソル位置から送信", "F11", ""},
    {&Commands::senntaku1, "senntaku1", "複数プログラム送信", "", ""},
    {&Commands::HelpAbout1, "HelpAbout1", "バージョン情報(&A)...", "", "バージョン情報"},
    {&Commands::psend3, "psend3", "psend3", "", ""},
    {&Commands::psend2, "psend2", "psend2", "", ""},
};

}  // namespace

void Commands::create(QWidget *owner)
{
    for (const Row &row : kRows) {
        auto *a = new QAction(QString::fromUtf8(row.caption), owner);
        a->setObjectName(QString::fromLatin1(row.name));
        if (*row.shortcut)
            a->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
        a->setShortcutContext(Qt::WindowShortcut);
        a->setToolTip(QString::fromUtf8(row.tip));
        owner->addAction(a);
        this->*row.member = a;
        all.push_back(a);
    }
    EditSort->setCheckable(true);
    stop1->setEnabled(false);
    // Never offered, never triggered.
    psend2->setEnabled(false);
    markUnavailable(psend2);
}

QAction *Commands::byName(const QString &name) const
{
    for (QAction *a : all)
        if (a->objectName() == name)
            return a;
    return nullptr;
}

bool Commands::isUnavailable(const QAction *action) const
{
    return std::find(unavailable_.begin(), unavailable_.end(), action) != unavailable_.end();
}

void Commands::markUnavailable(QAction *action)
{
    action->setEnabled(false);
    if (!isUnavailable(action))
        unavailable_.push_back(action);
}

}  // namespace marbolt
