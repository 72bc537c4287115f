// Building the main window: components, actions, menus, tool bar, status bar.
#include "app/widgets/sdiappform.h"

#include "app/widgets/commandicons.h"
#include "common/widgets/fontfallback.h"
#include "app/widgets/statuspanels.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "tools/widgets/finddialog.h"
#include "transfer/transfercontroller.h"

#include <Qsci/qscicommand.h>

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QStyle>
#include <QComboBox>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace marbolt {

void TSDIAppForm::createComponents()
{
    resize(600, 481);
    setMinimumSize(420, 180);
    FindDialog1 = new FindDialog(this);

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(4, 2, 4, 0);
    Label2 = new QLabel(QStringLiteral("O-No."), central);
    ComboBox2 = new IndexBox(central);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setFixedWidth(225);
    QFont boxFont(installedFixedFace(QStringLiteral("ＭＳ ゴシック")));
    boxFont.setPixelSize(13);
    ComboBox2->setFont(boxFont);
    Label2->setBuddy(ComboBox2);
    row->addWidget(Label2);
    row->addWidget(ComboBox2);
    row->addStretch(1);
    // At the right end of the row: the machine the transfers talk to. The
    // tool bar fills the window's starting width, so there it would sit
    // behind the overflow arrow.
    auto *machineLabel = new QLabel(QStringLiteral("機械"), central);
    machineLabel->setObjectName(QStringLiteral("MachineLabel"));
    MachineBox = new QComboBox(central);
    MachineBox->setObjectName(QStringLiteral("MachineBox"));
    MachineBox->setToolTip(QStringLiteral("送受信する機械 (Ctrl+1～Ctrl+9)"));
    MachineBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    MachineBox->setMinimumWidth(120);
    MachineBox->setFocusPolicy(Qt::ClickFocus);
    machineLabel->setBuddy(MachineBox);
    row->addWidget(machineLabel);
    row->addWidget(MachineBox);
    column->addLayout(row);

    RichEdit1 = new NcEditor(central);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    column->addWidget(RichEdit1, 1);
    setCentralWidget(central);

    Timer1.setInterval(5000);
    Timer1.stop();
}

void TSDIAppForm::createActions()
{
    ActionList1.create(this);
    // The tool bar shows its own, shorter captions.
    const std::pair<QAction *, const char *> buttonCaptions[] = {
        {ActionList1.FileNew1, "新規"},   {ActionList1.FileOpen1, "開く"},
        {ActionList1.FileSave1, "保存"},  {ActionList1.FilePrint1, "印刷"},
        {ActionList1.EditCut1, "切取り"}, {ActionList1.EditCopy1, "コピー"},
        {ActionList1.EditPaste1, "貼付け"}, {ActionList1.EditUndo1, "戻す"},
        {ActionList1.EditFind1, "検索"},  {ActionList1.send1, "送信"},
        {ActionList1.Rec1, "受信"},       {ActionList1.stop1, "中止"},
        {ActionList1.set1, "設定"},
    };
    for (const auto &[action, caption] : buttonCaptions)
        action->setIconText(QString::fromUtf8(caption));

    // ImageList1: the desktop style's pictures for the commands that have one.
    QStyle *s = style();
    ActionList1.FileNew1->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    ActionList1.FileOpen1->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    ActionList1.FileSave1->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    ActionList1.FilePrint1->setIcon(commandIcon("document-print", CommandPicture::Print));
    ActionList1.EditCut1->setIcon(commandIcon("edit-cut", CommandPicture::Cut));
    ActionList1.EditCopy1->setIcon(commandIcon("edit-copy", CommandPicture::Copy));
    ActionList1.EditPaste1->setIcon(commandIcon("edit-paste", CommandPicture::Paste));
    ActionList1.EditUndo1->setIcon(s->standardIcon(QStyle::SP_ArrowBack));
    ActionList1.EditFind1->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
    ActionList1.send1->setIcon(s->standardIcon(QStyle::SP_ArrowUp));
    ActionList1.Rec1->setIcon(s->standardIcon(QStyle::SP_ArrowDown));
    ActionList1.stop1->setIcon(s->standardIcon(QStyle::SP_BrowserStop));
    ActionList1.set1->setIcon(s->standardIcon(QStyle::SP_ComputerIcon));

    for (int i = 0; i < RecentFiles::kShown; ++i) {
        auto *item = new QAction(QStringLiteral("%1_").arg(i + 1), this);
        item->setObjectName(QStringLiteral("rireki%1").arg(i + 1));
        item->setVisible(false);
        rireki[static_cast<std::size_t>(i)] = item;
    }
    LINE1 = new QAction(this);
    LINE1->setObjectName(QStringLiteral("LINE1"));
    LINE1->setSeparator(true);
    LINE1->setVisible(false);

    JUMP = new QAction(QStringLiteral("ジャンプ先検索"), this);
    JUMP->setObjectName(QStringLiteral("JUMP"));
    JUMP->setShortcut(QKeySequence(Qt::Key_F4));
    JUMP->setEnabled(false);
}

void TSDIAppForm::createMenus()
{
    const Commands &c = ActionList1;
    QMenu *file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->addActions({c.FileNew1, c.FileOpen1, c.FileSave1, c.FileSaveAs1, c.Osave, c.FileCompare1, c.FileHistory1});
    FileMenu = file;  // the backplot adds itself here, after the compare
    file->addSeparator();
    file->addActions({c.FilePrint1, c.FileOPrint, c.PrintSet1});
    file->addSeparator();
    for (QAction *item : rireki)
        file->addAction(item);
    file->addAction(LINE1);
    file->addAction(c.FileExit1);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    edit->addActions({c.EditCut1, c.EditCopy1, c.EditPaste1, c.EditUndo1});
    edit->addSeparator();
    edit->addActions({c.EditFind1, c.EditNext, c.EditReplace});
    edit->addSeparator();
    edit->addActions({c.Editall1, c.FileNukidasi1, c.Editfont1, c.EditDate, c.EditSort, c.EditColour});

    QMenu *nc = menuBar()->addMenu(QStringLiteral("NC(&N)"));
    nc->setObjectName(QStringLiteral("NcMenu"));
    nc->addActions({c.NcRenumber, c.NcRemoveNumbers});
    nc->addSeparator();
    nc->addActions({c.NcSpaces, c.NcNoSpaces});
    nc->addSeparator();
    nc->addActions({c.NcSkipToggle, c.NcSkipAdd, c.NcSkipRemove});
    nc->addSeparator();
    nc->addActions({c.NcTransform, c.NcRates});
    nc->addSeparator();
    nc->addActions({c.NcStatistics, c.NcRestart});

    QMenu *comm = menuBar()->addMenu(QStringLiteral("通信(&C)"));
    comm->addActions({c.sendcheck1, c.send1, c.Rec1, c.psend1, c.senntaku1, c.Repeat1, c.cursend1, c.NcRestart,
                      c.stop1});
    comm->addSeparator();
    comm->addAction(c.set1);
    comm->addAction(c.DncServer1);
    CommMenu = comm;  // the machine list adds itself here

    QMenu *help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->addAction(c.HelpAbout1);
}

void TSDIAppForm::buildPopupMenu()
{
    const Commands &c = ActionList1;
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addActions({c.EditCut1, c.EditCopy1, c.EditPaste1, c.EditFind1, JUMP,
                            c.FileNukidasi1, c.FileOPrint});
    PopupMenu1->addSeparator();
    PopupMenu1->addActions({c.send1, c.Rec1, c.psend1, c.stop1});
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this, &TSDIAppForm::showPopupMenu);
}

void TSDIAppForm::createToolBar()
{
    const Commands &c = ActionList1;
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->toggleViewAction()->setEnabled(false);
    auto add = [&](QAction *a) {
        auto *button = new QToolButton(ToolBar1);
        button->setDefaultAction(a);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setFixedSize(42, 35);
        ToolBar1->addWidget(button);
    };
    for (QAction *a : {c.FileNew1, c.FileOpen1, c.FileSave1, c.FilePrint1})
        add(a);
    ToolBar1->addSeparator();
    for (QAction *a : {c.EditCut1, c.EditCopy1, c.EditPaste1, c.EditUndo1})
        add(a);
    ToolBar1->addSeparator();
    add(c.EditFind1);
    ToolBar1->addSeparator();
    for (QAction *a : {c.send1, c.Rec1, c.stop1, c.set1})
        add(a);
    addToolBar(Qt::TopToolBarArea, ToolBar1);
}

void TSDIAppForm::createStatusBar()
{
    StatusBar1 = new StatusPanels(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    // The panels keep their widths; at the dialogs' 12-pixel face a send's
    // "残り…バイト(約…秒)" fits panel 0, at the desktop's larger default it
    // would be cut.
    StatusBar1->setFont(dialogFont(12));
    setStatusBar(StatusBar1);
    StatusBar1->setPanelText(3, QStringLiteral("1 : 1"));
}

void TSDIAppForm::connectHandlers()
{
    ActionList1.connectHandlers(*this, [this] { return isBusy(transfers_->activity()); });
    ActionList1.connectMachineKeys(*this);
    connect(MachineBox, &QComboBox::activated, this, &TSDIAppForm::MachineBoxChange);
    // F3 also while the find dialog is the active window.
    FindDialog1->addAction(ActionList1.EditNext);
    connect(FindDialog1, &FindDialog::find, this, &TSDIAppForm::FindDialog1Find);
    // F4 jumps only while the editor has the focus.
    JUMP->setShortcutContext(Qt::WidgetShortcut);
    RichEdit1->addAction(JUMP);
    connect(JUMP, &QAction::triggered, this, &TSDIAppForm::JUMPClick);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TSDIAppForm::PopupMenu1Popup);
    connect(RichEdit1, &NcEditor::outsideTextInserted, this, &TSDIAppForm::RichEdit1OutsideText);
    connect(RichEdit1, &QsciScintilla::cursorPositionChanged, this, &TSDIAppForm::RichEdit1SelectionChange);
    connect(RichEdit1, &QsciScintilla::selectionChanged, this, &TSDIAppForm::RichEdit1SelectionChange);
    qApp->installEventFilter(this);
    connect(&Timer1, &QTimer::timeout, this, &TSDIAppForm::Timer1Timer);
    connect(rireki[0], &QAction::triggered, this, &TSDIAppForm::rireki1Click);
    connect(rireki[1], &QAction::triggered, this, &TSDIAppForm::rireki2Click);
    connect(rireki[2], &QAction::triggered, this, &TSDIAppForm::rireki3Click);
    connect(rireki[3], &QAction::triggered, this, &TSDIAppForm::rireki4Click);
    connect(rireki[4], &QAction::triggered, this, &TSDIAppForm::rireki5Click);

    connect(ComboBox2, &QComboBox::activated, this, &TSDIAppForm::ComboBox2Click);
    connect(ComboBox2, &IndexBox::enterPressed, this, &TSDIAppForm::ComboBox2KeyPress);
    connect(RichEdit1, &QsciScintilla::textChanged, this, &TSDIAppForm::RichEdit1Change);
    connect(RichEdit1, &QsciScintilla::selectionChanged, this, &TSDIAppForm::updateClipboardActions);
    connect(qApp, &QApplication::focusChanged, this, &TSDIAppForm::updateClipboardActions);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &TSDIAppForm::updateClipboardActions);
}

}  // namespace marbolt
