#pragma once
// ActionList1: every command of the main window as an action with its
// caption, shortcut, tool-bar tip, handler and its part in the transfer
// lock, from one table. Menus, pop-up menu and tool bar only present these
// actions. A new command is a member here, a row of the table and its
// handler.
#include <QAction>

#include <array>
#include <functional>
#include <vector>

namespace marbolt {

class TSDIAppForm;

// What a command does while a transfer runs.
enum class During {
    Locked,      // the lock disables it
    Runs,        // untouched by the lock, runs as always
    Refused,     // untouched by the lock, but does nothing while busy
    OnlyDuring,  // enabled by the lock, disabled by the unlock (cancel)
};

struct Commands {
    QAction *FileNew1 = nullptr;
    QAction *FileOpen1 = nullptr;
    QAction *FileSave1 = nullptr;
    QAction *FileSaveAs1 = nullptr;
    QAction *FileExit1 = nullptr;
    QAction *Osave = nullptr;
    QAction *FileCompare1 = nullptr;
    QAction *FileHistory1 = nullptr;
    QAction *FilePrint1 = nullptr;
    QAction *FileOPrint = nullptr;
    QAction *PrintSet1 = nullptr;
    QAction *FileNukidasi1 = nullptr;
    QAction *EditCut1 = nullptr;
    QAction *EditCopy1 = nullptr;
    QAction *EditPaste1 = nullptr;
    QAction *EditUndo1 = nullptr;
    QAction *Editall1 = nullptr;
    QAction *Editfont1 = nullptr;
    QAction *EditFind1 = nullptr;
    QAction *EditNext = nullptr;
    QAction *EditReplace = nullptr;
    QAction *EditDate = nullptr;
    QAction *EditEOF = nullptr;
    QAction *EditSort = nullptr;
    QAction *EditColour = nullptr;
    QAction *sendcheck1 = nullptr;
    QAction *send1 = nullptr;
    QAction *Rec1 = nullptr;
    QAction *psend1 = nullptr;
    QAction *stop1 = nullptr;
    QAction *set1 = nullptr;
    QAction *Repeat1 = nullptr;
    QAction *cursend1 = nullptr;
    QAction *senntaku1 = nullptr;
    QAction *HelpAbout1 = nullptr;
    QAction *psend3 = nullptr;
    QAction *psend2 = nullptr;
    // The NC menu.
    QAction *NcRenumber = nullptr;
    QAction *NcRemoveNumbers = nullptr;
    QAction *NcSpaces = nullptr;
    QAction *NcNoSpaces = nullptr;
    QAction *NcSkipAdd = nullptr;
    QAction *NcSkipRemove = nullptr;
    QAction *NcSkipToggle = nullptr;
    QAction *NcTransform = nullptr;
    QAction *NcRates = nullptr;
    QAction *NcStatistics = nullptr;
    QAction *NcRestart = nullptr;
    // The DNC server of the window's machines.
    QAction *DncServer1 = nullptr;
    // Ctrl+1 ... Ctrl+9: the first nine machines.
    std::array<QAction *, 9> machine{};

    std::vector<QAction *> all;  // in table order, then the machine keys

    // Creates every action, owned by and added to owner so that each
    // shortcut works while the window is active, in a menu or not.
    void create(QWidget *owner);
    // Each action triggers its handler; a Refused one does nothing while
    // busy() holds.
    void connectHandlers(TSDIAppForm &form, std::function<bool()> busy);
    void connectMachineKeys(TSDIAppForm &form);
    // The actions of one kind, in table order.
    std::vector<QAction *> actions(During during) const;
    QAction *byName(const QString &name) const;
    // Actions whose handlers are not wired up yet stay disabled; the
    // transfer lock must not enable them either.
    bool isUnavailable(const QAction *action) const;
    void markUnavailable(QAction *action);

private:
    std::vector<During> during_;  // beside `all`
    std::vector<const QAction *> unavailable_;
};

}  // namespace marbolt
