#include "app/widgets/commandtable.h"

#include "app/widgets/sdiappform.h"

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
    void (TSDIAppForm::*handler)();  // null: never triggered
    During during;
};

const Row kRows[] = {
    {&Commands::FileNew1, "FileNew1", "新規作成(&N)", "Ctrl+N", "新規",
     &TSDIAppForm::FileNew1Execute, During::Locked},
    {&Commands::FileOpen1, "FileOpen1", "開く(&O)...", "Ctrl+O", "開く",
     &TSDIAppForm::FileOpen1Execute, During::Locked},
    {&Commands::FileSave1, "FileSave1", "上書き保存(&S)", "Ctrl+S", "保存",
     &TSDIAppForm::FileSave1Execute, During::Locked},
    {&Commands::FileSaveAs1, "FileSaveAs1", "名前をつけて保存(&A)...", "", "別名保存",
     &TSDIAppForm::FileSaveAs1Execute, During::Locked},
    {&Commands::FileExit1, "FileExit1", "終了(&X)", "", "終了",
     &TSDIAppForm::FileExit1Execute, During::Locked},
    {&Commands::Osave, "Osave", "O番号毎に保存", "", "",
     &TSDIAppForm::OsaveExecute, During::Locked},
    {&Commands::FileCompare1, "FileCompare1", "照合", "", "",
     &TSDIAppForm::FileCompare1Execute, During::Locked},
    {&Commands::FileHistory1, "FileHistory1", "送受信履歴(&H)...", "Ctrl+Shift+H",
     "どのプログラムのどの版を、いつどの機械と送受信したか",
     &TSDIAppForm::FileHistory1Execute, During::Runs},
    {&Commands::FilePrint1, "FilePrint1", "印刷(&P)", "Ctrl+P", "印刷",
     &TSDIAppForm::FilePrint1Execute, During::Locked},
    {&Commands::FileOPrint, "FileOPrint", "現プログラム印刷", "Ctrl+G", "",
     &TSDIAppForm::FileOPrintExecute, During::Locked},
    {&Commands::PrintSet1, "PrintSet1", "プリンタの設定", "", "",
     &TSDIAppForm::PrintSet1Execute, During::Locked},
    {&Commands::FileNukidasi1, "FileNukidasi1", "現プログラム選択", "Ctrl+E", "",
     &TSDIAppForm::FileNukidasi1Execute, During::Locked},
    {&Commands::EditCut1, "EditCut1", "切り取り(&T)", "Ctrl+X", "切り取り",
     &TSDIAppForm::EditCut1Execute, During::Locked},
    {&Commands::EditCopy1, "EditCopy1", "コピー(&C)", "Ctrl+C", "コピー",
     &TSDIAppForm::EditCopy1Execute, During::Locked},
    {&Commands::EditPaste1, "EditPaste1", "貼り付け(&P)", "Ctrl+V", "貼り付け",
     &TSDIAppForm::EditPaste1Execute, During::Locked},
    {&Commands::EditUndo1, "EditUndo1", "元に戻す", "Ctrl+Z", "前に戻す",
     &TSDIAppForm::EditUndo1Execute, During::Locked},
    {&Commands::Editall1, "Editall1", "すべて選択(&A)", "Ctrl+A", "",
     &TSDIAppForm::Editall1Execute, During::Locked},
    {&Commands::Editfont1, "Editfont1", "フォント(&B)", "Ctrl+B", "",
     &TSDIAppForm::Editfont1Execute, During::Locked},
    {&Commands::EditFind1, "EditFind1", "検索(&F)", "Ctrl+F", "検索",
     &TSDIAppForm::EditFind1Execute, During::Locked},
    {&Commands::EditNext, "EditNext", "次を検索", "F3", "",
     &TSDIAppForm::FindDialog1Find, During::Locked},
    {&Commands::EditReplace, "EditReplace", "置換", "Ctrl+R", "",
     &TSDIAppForm::EditReplaceExecute, During::Locked},
    {&Commands::EditDate, "EditDate", "日付けの挿入", "Ctrl+D", "",
     &TSDIAppForm::EditDateExecute, During::Locked},
    {&Commands::EditEOF, "EditEOF", "EOF削除", "Ctrl+Alt+E", "",
     &TSDIAppForm::EditEOFExecute, During::Refused},
    {&Commands::EditSort, "EditSort", "プログラムリストのソート", "", "",
     &TSDIAppForm::EditSortExecute, During::Locked},
    {&Commands::EditColour, "EditColour", "色分け表示", "", "",
     &TSDIAppForm::EditColourExecute, During::Runs},
    {&Commands::sendcheck1, "sendcheck1", "送信前チェック", "", "",
     &TSDIAppForm::sendcheck1Execute, During::Locked},
    {&Commands::send1, "send1", "送信", "F5", "送信",
     &TSDIAppForm::send1Execute, During::Locked},
    {&Commands::Rec1, "Rec1", "受信", "F6", "受信",
     &TSDIAppForm::Rec1Execute, During::Locked},
    {&Commands::psend1, "psend1", "現プログラム送信", "F7", "現プログラム送信",
     &TSDIAppForm::psend1Execute, During::Locked},
    {&Commands::stop1, "stop1", "キャンセル", "F8", "送受信キャンセル",
     &TSDIAppForm::stop1Execute, During::OnlyDuring},
    {&Commands::set1, "set1", "通信設定", "F9", "通信条件設定",
     &TSDIAppForm::set1Execute, During::Locked},
    {&Commands::Repeat1, "Repeat1", "リピート送信", "F10", "",
     &TSDIAppForm::Repeat1Execute, During::Refused},
    {&Commands::cursend1, "cursend1", "カーソル位置から送信", "F11", "",
     &TSDIAppForm::cursend1Execute, During::Refused},
    {&Commands::senntaku1, "senntaku1", "複数プログラム送信", "", "",
     &TSDIAppForm::senntaku1Execute, During::Locked},
    {&Commands::HelpAbout1, "HelpAbout1", "バージョン情報(&A)...", "", "バージョン情報",
     &TSDIAppForm::HelpAbout1Execute, During::Locked},
    {&Commands::psend3, "psend3", "psend3", "", "",
     &TSDIAppForm::psend3Execute, During::Runs},
    {&Commands::psend2, "psend2", "psend2", "", "",
     nullptr, During::Runs},
    {&Commands::NcRenumber, "NcRenumber", "番号の振り直し(&R)...", "Ctrl+Shift+N", "",
     &TSDIAppForm::NcRenumberExecute, During::Locked},
    {&Commands::NcRemoveNumbers, "NcRemoveNumbers", "番号の削除(&D)", "Ctrl+Shift+D", "",
     &TSDIAppForm::NcRemoveNumbersExecute, During::Locked},
    {&Commands::NcSpaces, "NcSpaces", "語の間にスペース(&W)", "Ctrl+Shift+W", "",
     &TSDIAppForm::NcSpacesExecute, During::Locked},
    {&Commands::NcNoSpaces, "NcNoSpaces", "スペースの削除(&E)", "Ctrl+Alt+W", "",
     &TSDIAppForm::NcNoSpacesExecute, During::Locked},
    {&Commands::NcSkipToggle, "NcSkipToggle", "ブロックスキップの反転(&T)", "Ctrl+Shift+K", "",
     &TSDIAppForm::NcSkipToggleExecute, During::Locked},
    {&Commands::NcSkipAdd, "NcSkipAdd", "ブロックスキップを付ける(&A)", "", "",
     &TSDIAppForm::NcSkipAddExecute, During::Locked},
    {&Commands::NcSkipRemove, "NcSkipRemove", "ブロックスキップを外す(&U)", "", "",
     &TSDIAppForm::NcSkipRemoveExecute, During::Locked},
    {&Commands::NcTransform, "NcTransform", "座標変換(&C)...", "Ctrl+Shift+T", "",
     &TSDIAppForm::NcTransformExecute, During::Locked},
    {&Commands::NcRates, "NcRates", "送り・回転数の倍率(&F)...", "Ctrl+Shift+F", "",
     &TSDIAppForm::NcRatesExecute, During::Locked},
    {&Commands::NcStatistics, "NcStatistics", "プログラム統計(&I)...", "Ctrl+Shift+I", "",
     &TSDIAppForm::NcStatisticsExecute, During::Locked},
    {&Commands::NcRestart, "NcRestart", "再開送信(&S)...", "Shift+F11", "",
     &TSDIAppForm::NcRestartExecute, During::Refused},
    {&Commands::DncServer1, "DncServer1", "DNCサーバー(&D)", "",
     "受信フォルダか送信フォルダのある機械を DNC で受け持ちます (受信の自動保存, 要求への応答)",
     &TSDIAppForm::DncServer1Execute, During::Runs},
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
        during_.push_back(row.during);
    }
    for (std::size_t i = 0; i < machine.size(); ++i) {
        auto *a = new QAction(QStringLiteral("機械 %1").arg(i + 1), owner);
        a->setObjectName(QStringLiteral("machine%1").arg(i + 1));
        a->setShortcut(QKeySequence(QStringLiteral("Ctrl+%1").arg(i + 1)));
        a->setShortcutContext(Qt::WindowShortcut);
        owner->addAction(a);
        machine[i] = a;
        all.push_back(a);
        during_.push_back(During::Locked);
    }
    EditSort->setCheckable(true);
    EditColour->setCheckable(true);
    DncServer1->setCheckable(true);
    stop1->setEnabled(false);
    // Never offered, never triggered.
    psend2->setEnabled(false);
    markUnavailable(psend2);
}

void Commands::connectHandlers(TSDIAppForm &form, std::function<bool()> busy)
{
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        const Row &row = kRows[i];
        if (!row.handler)
            continue;
        QObject::connect(all[i], &QAction::triggered, &form,
                         [&form, handler = row.handler, refused = row.during == During::Refused, busy] {
                             // A second transfer inside a running one would
                             // share its port and its flags.
                             if (refused && busy())
                                 return;
                             (form.*handler)();
                         });
    }
}

void Commands::connectMachineKeys(TSDIAppForm &form)
{
    for (std::size_t i = 0; i < machine.size(); ++i)
        QObject::connect(machine[i], &QAction::triggered, &form,
                         [&form, i] { form.MachineBoxChange(static_cast<int>(i)); });
}

std::vector<QAction *> Commands::actions(During during) const
{
    std::vector<QAction *> out;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (during_[i] == during)
            out.push_back(all[i]);
    return out;
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
