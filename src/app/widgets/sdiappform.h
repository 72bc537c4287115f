#pragma once
// TSDIAppForm: the main window. It owns every component and the shared
// state of the program; each handler hands its work to the object that owns it.
#include "app/appfolder.h"
#include "app/widgets/commandtable.h"
#include "app/widgets/widgetdialogs.h"
#include "app/recentfiles.h"
#include "common/settingsstore.h"
#include "document/widgets/documentfiles.h"
#include "serial/rs232c.h"
#include "tools/replacer.h"
#include "common/clock.h"
#include "transfer/transferstate.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>

class QKeyEvent;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QsciPrinter;

namespace marbolt {

class NcEditor;
class IndexBox;
class StatusPanels;
class SendEngine;
class Receiver;
class WindowTransferView;
class FindDialog;
class TfrmReplace;

struct AppEnvironment {
    AppPaths paths;
    Dialogs *dialogs = nullptr;  // null: the desktop's own boxes and dialogs
    QStringList arguments;       // command-line arguments after the program name
    QString devRoot = QStringLiteral("/dev");  // where the serial devices are listed
    Clock *clock = nullptr;          // null: the system clock
    SerialSystem *serial = nullptr;  // null: the operating system's serial calls
};

class TSDIAppForm : public QMainWindow, public DocumentHost {
    Q_OBJECT
public:
    explicit TSDIAppForm(AppEnvironment environment, QWidget *parent = nullptr);
    ~TSDIAppForm() override;

    // Components.
    NcEditor *RichEdit1 = nullptr;
    IndexBox *ComboBox2 = nullptr;
    QLabel *Label2 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    StatusPanels *StatusBar1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    Commands ActionList1;
    std::array<QAction *, RecentFiles::kShown> rireki{};  // rireki1 ... rireki5
    QAction *LINE1 = nullptr;
    QAction *JUMP = nullptr;
    QTimer Timer1;
    QProgressBar *ProgressBar1 = nullptr;  // exists only during a send
    FindDialog *FindDialog1 = nullptr;
    TfrmReplace *frmReplace = nullptr;
    std::unique_ptr<Trs232c> rs232c1;      // the send port
    std::unique_ptr<Trs232c> rs232c2;      // the receive port

    // Shared state.
    SettingsStore settings;
    RecentFiles rirekilist;
    TransferState transfer;  // commstate, sendstop, sendok, recstop
    ReplaceState replaceState;  // ReplaceFindText, ReplaceNewText, ReplaceSkipComments, ReplaceActive
    bool insmode = true;
    bool jumping = false;
    int lastline = 0;         // caret line (1-based) at the previous selection change
    std::size_t lastpos = 0;  // caret position at the previous selection change

    DocumentFiles &documentFiles() { return *files_; }
    SendEngine &sendEngine() { return *sendEngine_; }
    // A send or reception is running (also while it finishes after cancel).
    bool transferRunning() const;
    const QString &filename() const { return files_->filename(); }
    QString settingsPath() const { return paths_.storageFile(QStringLiteral(".ini")); }
    // The printer both kinds of print use, as the set-up left it.
    QsciPrinter &printer();
    // The face actually drawn for the stored font name.
    QString editorFontName() const { return fontName_; }

    // Handlers.
    void FormCreate();
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
    void OsaveExecute();
    void senntaku1Execute();
    void HelpAbout1Execute();
    void set1Execute();
    void send1Execute();
    void psend3Execute();
    void Rec1Execute();
    void stop1Execute();
    void Timer1Timer();
    void rs232c1RXCHAR();
    void rs232c2ERR();
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

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createComponents();
    void createActions();
    void createMenus();
    void buildPopupMenu();
    void createToolBar();
    void createStatusBar();
    void connectHandlers();
    void createTransfers(const AppEnvironment &environment);
    void createReplace();
    // The items the transfer lock disables, and the editor apart.
    std::vector<QAction *> lockedActions() const;

    // DocumentHost
    void showActivity(const QString &text) override;
    void editorReset() override;
    void setUndoEnabled(bool enabled) override;
    void setCaptionFor(const QString &path) override;
    void addRecentFile(const QString &path) override;

    AppPaths paths_;
    QStringList arguments_;
    QString devRoot_;
    std::unique_ptr<WidgetDialogs> ownDialogs_;
    Dialogs *dialogs_ = nullptr;
    std::unique_ptr<DocumentFiles> files_;
    QString fontName_;  // the face name as stored (NAME)
    bool closing_ = false;
    bool locked_ = false;               // between enabledfalse and enabledtrue
    bool closeAfterReception_ = false;  // a close waits for the reception's end
    bool repeating_ = false;            // a repeat send runs
    bool closeAfterRepeat_ = false;     // a close waits for the cancelled repeat's end
    Clock *clock_ = nullptr;
    std::unique_ptr<WindowTransferView> transferView_;
    std::unique_ptr<SendEngine> sendEngine_;
    std::unique_ptr<Receiver> receiver_;
    std::unique_ptr<QsciPrinter> printer_;
    std::unique_ptr<ReplaceTarget> replaceTarget_;
    std::unique_ptr<Replacer> replacer_;
};

}  // namespace marbolt
