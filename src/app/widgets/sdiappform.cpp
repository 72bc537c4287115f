#include "app/widgets/sdiappform.h"

#include "tools/widgets/replacedialog.h"

#include <Qsci/qsciprinter.h>

#include "common/widgets/fontfallback.h"
#include "app/widgets/programicon.h"
#include "station/machineprofiles.h"
#include "station/settingsfile.h"
#include "app/widgets/statuspanels.h"
#include "document/widgets/documentrecovery.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "document/programindex.h"
#include "document/sjistext.h"
#include "serial/rs232c.h"
#include "transfer/transfercontroller.h"
#include "app/widgets/machinelistdock.h"
#include "app/widgets/transferwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

namespace marbolt {

namespace {
const QString kCaption = QStringLiteral("マルボルト");
}

namespace {

Station *stationFor(const AppEnvironment &environment, const AppPaths &paths, std::unique_ptr<Station> &own)
{
    if (environment.station)
        return environment.station;
    own = std::make_unique<Station>(
        StationPlace{paths.storageFile(QStringLiteral(".ini")), paths.startFolderWithSeparator()},
        environment.clock ? *environment.clock : systemClock(),
        environment.serial ? *environment.serial : posixSerialSystem());
    return own.get();
}

}  // namespace

TSDIAppForm::TSDIAppForm(AppEnvironment environment, QWidget *parent)
    : QMainWindow(parent), paths_(std::move(environment.paths)),
      arguments_(std::move(environment.arguments)), devRoot_(environment.devRoot),
      station_(stationFor(environment, paths_, ownStation_)), settings_(station_->settings())
{
    setObjectName(QStringLiteral("SDIAppForm"));
    setWindowIcon(programIcon());
    if (environment.dialogs) {
        dialogs_ = environment.dialogs;
    } else {
        ownDialogs_ = std::make_unique<WidgetDialogs>();
        ownDialogs_->setParent(this);
        dialogs_ = ownDialogs_.get();
    }
    createComponents();
    createActions();
    createMenus();
    buildPopupMenu();
    createToolBar();
    createStatusBar();
    files_ = std::make_unique<DocumentFiles>(*RichEdit1, *ComboBox2, *dialogs_, settings_, *this);
    createTransfers(environment);
    createReplace();
    createMachineList();
    createBackplot();
    createNcFunctions(environment);
    connectHandlers();
    FormCreate();
    // Typing goes to the document from the start, not to the index box
    // that stands first in the tab order.
    RichEdit1->setFocus();
}

TSDIAppForm::~TSDIAppForm()
{
    // The machine list goes with the children, after the members: it must
    // not tell a window half gone that it was hidden.
    if (MachineDock)
        MachineDock->disconnect(this);
    machineWatch_.stop();
    // The replace dialog uses the replacer, a member that goes before the
    // children do; hiding it then would also move the focus through
    // handlers of a window half gone.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    delete frmReplace;
    frmReplace = nullptr;
}

void TSDIAppForm::FormCreate()
{
    RichEdit1->clearDocument();
    editorReset();
    setWindowTitle(kCaption);
    ComboBox2->clearAll();
    insmode = true;
    StatusBar1->setPanelText(4, QStringLiteral("挿入"));
    files_->openDialog().filterIndex = 1;
    files_->saveDialog().filterIndex = 1;

    rirekilist = RecentFiles();
    // A machine that could not be read whole is kept as far as it could,
    // and the user is told which.
    const QStringList machineProblems = station_->load();

    const QString dir = settings_.get(setting::DIR);
    if (!dir.isEmpty() && QFileInfo(dir).isDir()) {
        files_->openDialog().folder = dir;
        files_->saveDialog().folder = dir;
    }
    applyEditorFont(settings_.get(setting::NAME), settings_.positiveNumber(setting::FONT));
    files_->openDialog().filterIndex = settings_.positiveNumber(setting::OPENINDEX);
    files_->saveDialog().filterIndex = settings_.positiveNumber(setting::SAVEINDEX);

    showLinePanels();
    refreshMachineBox();

    const bool coloured = settings_.isOn(setting::COLOUR);
    RichEdit1->setColouring(coloured);
    ActionList1.EditColour->setChecked(coloured);

    const bool sorted = settings_.isOn(setting::SORT);
    ComboBox2->setSorted(sorted);
    ActionList1.EditSort->setChecked(sorted);

    rirekilist.load(settings_);
    refreshRecentMenu();

    if (!machineProblems.isEmpty())
        dialogs_->message(machineProblemsMessage(machineProblems));
    connect(station_, &Station::historyFailed, this, &TSDIAppForm::historyFailed);
    connect(station_, &Station::historyRecovered, this, &TSDIAppForm::historyRecovered);

    recovery_ = std::make_unique<DocumentRecovery>(
        *RichEdit1, *files_, *this, paths_.storageFolder + QStringLiteral("/recovery"),
        std::max(0, settings_.number(setting::AUTOSAVE).value_or(30)),
        [this] { return isBusy(transfers_->activity()); });

    if (!arguments_.isEmpty())
        files_->fopen(arguments_.first());
    // Edits a crash or a power cut left unsaved are offered once the
    // window stands; a restored document takes the place of the file
    // named to open (opened, not yet touched).
    QTimer::singleShot(0, this, &TSDIAppForm::offerRecovery);
}

void TSDIAppForm::offerRecovery()
{
    recovery_->offerAbandoned(*dialogs_);
}

void TSDIAppForm::documentSettled()
{
    if (recovery_)
        recovery_->documentSettled();
}

bool TSDIAppForm::FormCloseQuery()
{
    // A running transfer refuses the close, or ends first and closes then.
    if (transfers_->requestClose() != TransferController::CloseAnswer::Now)
        return false;
    files_->newDocument();
    if (RichEdit1->modifiedFlag())
        return false;
    // The machines the window serves end what they do; a reception under
    // way is kept as a failed file.
    stopDncServer();

    rirekilist.saveTo(settings_);
    SettingsOverrides overrides;
    overrides.font = QString::number(RichEdit1->font().pointSize());
    overrides.name = fontName_;
    overrides.sort = ComboBox2->isSorted() ? QStringLiteral("1") : QStringLiteral("0");
    if (!station_->save(overrides))
        dialogs_->message(QStringLiteral("設定ファイルの書き込みに失敗しました"));
    return true;
}

void TSDIAppForm::closeEvent(QCloseEvent *event)
{
    if (closing_ || FormCloseQuery()) {
        closing_ = true;
        event->accept();
    } else {
        event->ignore();
    }
}

void TSDIAppForm::FileNew1Execute()
{
    files_->newDocument();
}

void TSDIAppForm::FileOpen1Execute()
{
    files_->open();
}

void TSDIAppForm::FileSave1Execute()
{
    files_->save();
}

void TSDIAppForm::FileSaveAs1Execute()
{
    files_->saveAs();
}

void TSDIAppForm::FileExit1Execute()
{
    close();
}

void TSDIAppForm::EditCut1Execute()
{
    RichEdit1->cut();
}

void TSDIAppForm::EditCopy1Execute()
{
    RichEdit1->copy();
}

void TSDIAppForm::EditPaste1Execute()
{
    const QString clip = QApplication::clipboard()->text();
    if (clip.isEmpty())
        return;
    std::string text = toEditorText(clip);
    upperAscii(text);
    // Pasted line breaks become the document's CR LF.
    std::string crlf;
    crlf.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            crlf += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            crlf += text[i];
        }
    }
    RichEdit1->SendScintilla(QsciScintilla::SCI_REPLACESEL, 0UL, crlf.c_str());
    ComboBox2->rebuild(RichEdit1->textView());
}

void TSDIAppForm::EditUndo1Execute()
{
    RichEdit1->undo();
}

void TSDIAppForm::Editall1Execute()
{
    RichEdit1->setFocus();
    RichEdit1->selectRange(0, RichEdit1->textLength());
}

void TSDIAppForm::RichEdit1Change()
{
    if (transferHoldsWindow())
        return;  // the transfer's own changes: the lock holds
    ActionList1.EditUndo1->setEnabled(true);
}

void TSDIAppForm::RichEdit1OutsideText()
{
    ComboBox2->rebuild(RichEdit1->textView());
}

void TSDIAppForm::showPopupMenu(const QPoint &at)
{
    PopupMenu1->popup(RichEdit1->mapToGlobal(at));
}

void TSDIAppForm::ComboBox2Click(int row)
{
    const QString entry = ComboBox2->boxText();
    const QByteArray key = entry.toUtf8();
    const std::string_view needle = viewOf(key);
    if (!occursIn(RichEdit1->textView(), needle)) {
        ComboBox2->removeEntryAt(row);
        return;
    }
    caret_.setJumping(true);
    RichEdit1->setFocus();
    RichEdit1->setUpdatesEnabled(false);
    const std::size_t length = RichEdit1->textLength();
    RichEdit1->setCaretPos(length > 0 ? length - 1 : 0);
    const std::size_t start = programStart(RichEdit1->textView(), needle);
    RichEdit1->setCaretPos(start);
    // Coming from the end, the program's O-line ends up as the top line.
    RichEdit1->SendScintilla(QsciScintilla::SCI_SETFIRSTVISIBLELINE,
                             static_cast<unsigned long>(RichEdit1->lineAt(start)));
    RichEdit1->setUpdatesEnabled(true);
    RichEdit1->setFocus();
    ComboBox2->setFocus();
    caret_.setJumping(false);
}

void TSDIAppForm::ComboBox2KeyPress()
{
    RichEdit1->setFocus();
}

void TSDIAppForm::rirekiClick(int n)
{
    const QString path = rirekilist.entry(n);
    files_->newDocument();
    if (RichEdit1->modifiedFlag())
        return;
    files_->fopen(path);
}

void TSDIAppForm::rirekiset()
{
    rirekilist.add(files_->filename());
    LINE1->setVisible(true);
    refreshRecentMenu();
}

void TSDIAppForm::refreshRecentMenu()
{
    for (int i = 0; i < RecentFiles::kShown; ++i) {
        const QString entry = rirekilist.entry(i + 1);
        QAction *item = rireki[static_cast<std::size_t>(i)];
        // "&" in a path is shown, not taken for a mnemonic.
        QString shown = entry;
        shown.replace(u'&', QStringLiteral("&&"));
        item->setText(QStringLiteral("%1_").arg(i + 1) + shown);
        item->setVisible(!entry.isEmpty());
    }
    LINE1->setVisible(rireki[0]->isVisible());
}

void TSDIAppForm::applyEditorFont(const QString &name, int points)
{
    fontName_ = name;
    QFont f(installedFixedFace(name));
    f.setPointSize(points);
    f.setStyleHint(QFont::TypeWriter);
    RichEdit1->setFont(f);
}

void TSDIAppForm::updateClipboardActions()
{
    if (transferHoldsWindow())
        return;
    const bool selection = RichEdit1->hasFocus() && RichEdit1->hasSelectedText();
    ActionList1.EditCut1->setEnabled(selection);
    ActionList1.EditCopy1->setEnabled(selection);
    ActionList1.EditPaste1->setEnabled(!QApplication::clipboard()->text().isEmpty());
}

void TSDIAppForm::showActivity(const QString &text)
{
    StatusBar1->setPanelText(0, text);
    StatusBar1->panel(0)->repaint();
}

void TSDIAppForm::editorReset()
{
    ActionList1.EditCut1->setEnabled(false);
    ActionList1.EditCopy1->setEnabled(false);
    ActionList1.EditUndo1->setEnabled(false);
    ActionList1.EditPaste1->setEnabled(!QApplication::clipboard()->text().isEmpty());
}

void TSDIAppForm::setUndoEnabled(bool enabled)
{
    ActionList1.EditUndo1->setEnabled(enabled);
}

void TSDIAppForm::setCaptionFor(const QString &path)
{
    setWindowTitle(path.isEmpty() ? kCaption
                                  : QFileInfo(path).fileName() + QStringLiteral(" - ") + kCaption);
}

void TSDIAppForm::addRecentFile(const QString &)
{
    rirekiset();
}

}  // namespace marbolt
