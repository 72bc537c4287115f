#pragma once
// TSDIAppForm: the main window. It owns every component and the shared
// state of the program; each handler hands its work to the object that owns it.
#include "appfolder.h"
#include "commandtable.h"
#include "dialogs.h"
#include "recentfiles.h"
#include "settingsstore.h"
#include "document/documentfiles.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <memory>

class QLabel;
class QMenu;
class QToolBar;

namespace marbolt {

class NcEditor;
class IndexBox;
class StatusPanels;

struct AppEnvironment {
    AppPaths paths;
    Dialogs *dialogs = nullptr;  // null: the desktop's own boxes and dialogs
    QStringList arguments;       // command-line arguments after the program name
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

    // Shared state.
    SettingsStore settings;
    RecentFiles rirekilist;
    QString commstate;
    bool insmode = true;
    bool jumping = false;

    DocumentFiles &documentFiles() { return *files_; }
    const QString &filename() const { return files_->filename(); }
    QString settingsPath() const { return paths_.storageFile(QStringLiteral(".ini")); }
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
    void showPopupMenu(const QPoint &at);
    void rirekiClick(int n);
    void rireki1Click() { rirekiClick(1); }
    void rireki2Click() { rirekiClick(2); }
    void rireki3Click() { rirekiClick(3); }
    void rireki4Click() { rirekiClick(4); }
    void rireki5Click() { rirekiClick(5); }

    // Shared routines.
    bool fopen(const QString &path) { return files_->fopen(path); }
    void rirekiset();
    void refreshRecentMenu();
    void applyEditorFont(const QString &name, int points);
    void updateClipboardActions();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createComponents();
    void createActions();
    void createMenus();
    void buildPopupMenu();
    void createToolBar();
    void createStatusBar();
    void connectHandlers();

    // DocumentHost
    void showActivity(const QString &text) override;
    void editorReset() override;
    void setUndoEnabled(bool enabled) override;
    void setCaptionFor(const QString &path) override;
    void addRecentFile(const QString &path) override;

    AppPaths paths_;
    QStringList arguments_;
    std::unique_ptr<WidgetDialogs> ownDialogs_;
    Dialogs *dialogs_ = nullptr;
    std::unique_ptr<DocumentFiles> files_;
    QString fontName_;  // the face name as stored (NAME)
    bool closing_ = false;
};

}  // namespace marbolt
