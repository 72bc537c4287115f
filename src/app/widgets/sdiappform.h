#pragma once
// TSDIAppForm: the main window. It builds the components, keeps the
// window's own state, and hands each handler's work to the object that
// owns it: the document files, the replacer, the caret tracker, the
// transfer controller.
#include "common/appfolder.h"
#include "app/recentfiles.h"
#include "app/widgets/commandtable.h"
#include "app/widgets/widgetdialogs.h"
#include "common/clock.h"
#include "common/settingsstore.h"
#include "document/carettracker.h"
#include "document/widgets/documentfiles.h"
#include "station/dnclog.h"
#include "station/dncserver.h"
#include "station/station.h"
#include "tools/ncfunctions.h"
#include "tools/ncquestions.h"
#include "tools/replacer.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

class QComboBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QToolBar;
class QsciPrinter;

namespace marbolt {

class NcEditor;
class IndexBox;
class StatusPanels;
class SerialSystem;
class TransferController;
class WindowTransferView;
class FindDialog;
class TfrmReplace;
class DocumentRecovery;
class MachineListDock;
class BackplotDock;
class HistoryWindow;
namespace nc {
class PathReading;
struct ProgramPath;
}  // namespace nc

struct AppEnvironment {
    AppPaths paths;
    WindowDialogs *dialogs = nullptr;  // null: the desktop's own boxes and dialogs
    QStringList arguments;       // command-line arguments after the program name
    QString devRoot = QStringLiteral("/dev");  // where the serial devices are listed
    Clock *clock = nullptr;          // null: the system clock
    SerialSystem *serial = nullptr;  // null: the operating system's serial calls
    // The settings, the machines and their sessions; null: the window
    // makes its own on paths, with the clock and the serial calls above.
    Station *station = nullptr;
    NcQuestions *ncQuestions = nullptr;  // null: the NC functions' own dialogs
};

class TSDIAppForm : public QMainWindow, public DocumentHost {
    Q_OBJECT
public:
    explicit TSDIAppForm(AppEnvironment environment, QWidget *parent = nullptr);
    ~TSDIAppForm() override;

    // The parts other objects work with.
    NcEditor *editor() const { return RichEdit1; }
    IndexBox *indexBox() const { return ComboBox2; }
    StatusPanels *statusPanels() const { return StatusBar1; }
    Commands &commands() { return ActionList1; }
    const Commands &commands() const { return ActionList1; }
    SettingsStore &settings() { return settings_; }
    Station &station() { return *station_; }
    TransferController &transfers() { return *transfers_; }
    DocumentRecovery &recovery() { return *recovery_; }
    MachineListDock *machineList() const { return MachineDock; }
    BackplotDock *backplot() const { return BackplotPane; }
    DocumentFiles &documentFiles() { return *files_; }
    const QString &filename() const { return files_->filename(); }
    QString settingsPath() const { return paths_.storageFile(QStringLiteral(".ini")); }
    // The printer both kinds of print use, as the set-up left it.
    QsciPrinter &printer();
    // The face actually drawn for the stored font name.
    QString editorFontName() const { return fontName_; }
    // Insert (true) or overwrite, as the indicator shows.
    bool insertMode() const { return insmode; }

    // Handlers.
    void FormCreate();
    // Recovery copies left by a program that ended unsaved, offered back.
    void offerRecovery();
    bool FormCloseQuery();
    void FileNew1Execute();
    void FileOpen1Execute();
    void FileSave1Execute();
    void FileSaveAs1Execute();
    void FileExit1Execute();
    void EditCut1Execute();
    void EditCopy1Execute();
    void EditPaste1Execute();
    void EditUndo1Execute();
    void Editall1Execute();
    void ComboBox2Click(int row);
    void ComboBox2KeyPress();
    void RichEdit1Change();
    // Text dropped or pasted with the middle button: indexed as a paste is.
    void RichEdit1OutsideText();
    void showPopupMenu(const QPoint &at);
    void rirekiClick(int n);
    void rireki1Click() { rirekiClick(1); }
    void rireki2Click() { rirekiClick(2); }
    void rireki3Click() { rirekiClick(3); }
    void rireki4Click() { rirekiClick(4); }
    void rireki5Click() { rirekiClick(5); }
    void EditFind1Execute();
    void FindDialog1Find();
    void RichEdit1SelectionChange();
    // Key preview: Insert, with any modifier, toggles the indicator.
    void FormKeyDown(const QKeyEvent &key);
    void Editfont1Execute();
    void FileNukidasi1Execute();
    // Lets the index box show entry, selects its program and gives its text.
    std::string_view selectProgram(const QString &entry);
    void FileOPrintExecute();
    void FilePrint1Execute();
    void PrintSet1Execute();
    void PopupMenu1Popup();
    void JUMPClick();
    void psend1Execute();
    void cursend1Execute();
    void Repeat1Execute();
    void EditReplaceExecute();
    void ReplaceFind();
    void ReplaceNext();
    void ReplaceAll();
    void ReplaceAll2();
    bool intag() const;
    void EditDateExecute();
    void EditEOFExecute();
    void EditSortExecute();
    // "色分け表示": NC colouring on or off, kept in the settings.
    void EditColourExecute();
    void OsaveExecute();
    // Compare (照合) of the document or its current program.
    void FileCompare1Execute();
    // 送受信履歴: the history window (one, kept while the main window lives).
    void FileHistory1Execute();
    HistoryWindow *historyWindow() const { return historyWindow_; }
    void senntaku1Execute();
    void HelpAbout1Execute();
    void set1Execute();
    // The tool bar's "機械" box and Ctrl+1 ... Ctrl+9: machine index becomes active.
    void MachineBoxChange(int index);
    void send1Execute();
    // The check before a send, on the whole document, without sending.
    void sendcheck1Execute();
    void psend3Execute();
    void Rec1Execute();
    void stop1Execute();
    void Timer1Timer();
    // The NC menu: each works on the selection's lines, or the program at
    // the caret, as one undo step.
    void NcRenumberExecute();
    void NcRemoveNumbersExecute();
    void NcSpacesExecute();
    void NcNoSpacesExecute();
    void NcSkipToggleExecute();
    void NcSkipAddExecute();
    void NcSkipRemoveExecute();
    void NcTransformExecute();
    void NcRatesExecute();
    // The program at the caret summed up: blocks, tools, extents, feeds, time.
    void NcStatisticsExecute();
    // 再開送信: the program at the caret from the caret's block, after a
    // header that restores its state there, shown for editing first.
    void NcRestartExecute();
    void DncServer1Execute();
    // The DNC server the window runs; null while it runs none.
    DncServer *dncServer() const { return dncServer_.get(); }
    void enabledfalse();
    void enabledtrue();

    // Shared routines.
    bool fopen(const QString &path) { return files_->fopen(path); }
    void rirekiset();
    void refreshRecentMenu();
    void applyEditorFont(const QString &name, int points);
    void updateClipboardActions();
    // Panels 1 and 2: the port, and the speed with the punch code.
    void showLinePanels();
    // The machine box lists the machines and shows the active one.
    void refreshMachineBox();
    // The machine list's commands for a machine other than the active one:
    // the document to it, a reception from it, the reception opened as a
    // new document, and cancel.
    void machineListSend(int machine);
    void machineListReceive(int machine);
    void machineListOpen(int machine);
    void machineListCancel(int machine);
    // The machine list shows the active machine and its transfer.
    void showActiveMachine();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend struct WindowProbe;  // the tests' look inside

    void createComponents();
    void createActions();
    void createMenus();
    void buildPopupMenu();
    void createToolBar();
    void createStatusBar();
    void connectHandlers();
    void createTransfers(const AppEnvironment &environment);
    void createReplace();
    void createMachineList();
    void createBackplot();
    void createNcFunctions(const AppEnvironment &environment);
    // What an NC function did: in the status bar, and what it left in a box.
    void showNcReport(const NcReport &report);
    void readBackplot();
    void backplotReady(std::shared_ptr<const nc::ProgramPath> path, qint64 programStart, qint64 programEnd);
    void followCaretInBackplot();
    void backplotLineChosen(std::uint32_t line);
    // The recent-file items, which the lock disables with the commands.
    void setRecentItemsEnabled(bool enabled);
    // The editor and the caret belong to a transfer (the transfer
    // controller's activity() says so).
    bool transferHoldsWindow() const;

    // DocumentHost
    void showActivity(const QString &text) override;
    void editorReset() override;
    void setUndoEnabled(bool enabled) override;
    void setCaptionFor(const QString &path) override;
    void addRecentFile(const QString &path) override;
    void documentSettled() override;

    // Components.
    NcEditor *RichEdit1 = nullptr;
    IndexBox *ComboBox2 = nullptr;
    QLabel *Label2 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QComboBox *MachineBox = nullptr;
    StatusPanels *StatusBar1 = nullptr;
    MachineListDock *MachineDock = nullptr;
    BackplotDock *BackplotPane = nullptr;
    nc::PathReading *backplotReading_ = nullptr;
    QTimer backplotTimer_;  // the text is read again after a pause in typing
    // The bytes of the program drawn: the caret leaving them redraws.
    std::optional<std::pair<std::size_t, std::size_t>> backplotProgram_;
    QTimer machineWatch_;
    // The DNC server run by the window, and the states of the machines
    // served by one (this window's or marbolt-dnc's) shown in the list.
    std::unique_ptr<DncLog> dncLog_;
    std::unique_ptr<DncServer> dncServer_;
    HistoryWindow *historyWindow_ = nullptr;
    // A recorded version, read-only in a window of its own; and compared
    // with the document's program of its number (the whole document
    // when it has none).
    void showVersion(const QString &title, const std::string &text);
    void compareWithVersion(const QString &title, const std::string &text, std::optional<long> program);
    // The history cannot be written now (its records wait), or it can again:
    // said in the status bar, once for each.
    void historyFailed(const QString &why);
    void historyRecovered();
    void showDncStates();
    // marbolt-dnc on the same settings serves this machine now.
    bool servedByOtherDnc(const QString &machine) const;
    void dncServerFinished();
    bool stopDncServer();  // the machine list follows the window's transfer
    QMenu *PopupMenu1 = nullptr;
    QMenu *CommMenu = nullptr;
    QMenu *FileMenu = nullptr;
    Commands ActionList1;
    std::array<QAction *, RecentFiles::kShown> rireki{};  // rireki1 ... rireki5
    QAction *LINE1 = nullptr;
    QAction *JUMP = nullptr;
    QTimer Timer1;
    FindDialog *FindDialog1 = nullptr;
    TfrmReplace *frmReplace = nullptr;

    // The window's state.
    AppPaths paths_;
    QStringList arguments_;
    QString devRoot_;
    std::unique_ptr<Station> ownStation_;
    Station *station_;
    SettingsStore &settings_;  // the station's
    RecentFiles rirekilist;
    ReplaceState replaceState;  // ReplaceFindText, ReplaceNewText, ReplaceSkipComments, ReplaceActive
    CaretTracker caret_;
    bool insmode = true;
    std::unique_ptr<WidgetDialogs> ownDialogs_;
    WindowDialogs *dialogs_ = nullptr;
    std::unique_ptr<DocumentFiles> files_;
    std::unique_ptr<DocumentRecovery> recovery_;
    QString fontName_;  // the face name as stored (NAME)
    bool closing_ = false;
    Clock *clock_ = nullptr;
    std::unique_ptr<WindowTransferView> transferView_;
    std::unique_ptr<TransferController> transfers_;
    std::unique_ptr<QsciPrinter> printer_;
    std::unique_ptr<ReplaceTarget> replaceTarget_;
    std::unique_ptr<Replacer> replacer_;
    std::unique_ptr<NcQuestions> ownNcQuestions_;
    NcQuestions *ncQuestions_ = nullptr;
    std::unique_ptr<NcEditTarget> ncTarget_;
    std::unique_ptr<NcFunctions> nc_;
};

}  // namespace marbolt
