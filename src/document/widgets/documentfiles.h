#pragma once
// The document's file: New, Open, fopen, Save and Save As with the save
// question and the overwrite question. The window supplies the editor, the
// index box, the dialogs and a host for what it shows around them.
#include "common/dialogs.h"
#include "common/settingsstore.h"
#include "document/recoveryfiles.h"

#include <QString>

namespace marbolt {

class NcEditor;
class IndexBox;

class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    // Status panel 0, repainted at once.
    virtual void showActivity(const QString &text) = 0;
    // The editor was emptied or replaced: cut, copy, undo off; paste as the clipboard says.
    virtual void editorReset() = 0;
    virtual void setUndoEnabled(bool enabled) = 0;
    virtual void setCaptionFor(const QString &path) = 0;  // empty: untitled
    virtual void addRecentFile(const QString &path) = 0;  // rirekiset
    // The document now matches its file, or is gone: it was opened, saved,
    // or replaced by a new one (its changes discarded).
    virtual void documentSettled() {}
};

// What a file dialog remembers between uses.
struct FileDialogState {
    QString folder;
    QString fileName;
    int filterIndex = 1;
};

class DocumentFiles {
public:
    DocumentFiles(NcEditor &editor, IndexBox &index, Dialogs &dialogs, SettingsStore &settings,
                  DocumentHost &host);

    static QStringList saveFilters();

    // The save question; true when the command may go on.
    bool askToSave();
    void newDocument();
    void open();
    bool fopen(const QString &path);
    void save();
    void saveAs();

    // A document kept in a recovery copy comes back, unsaved: named
    // documentPath (empty: untitled). editorText: the copy holds editor
    // text, not the file's bytes. False when the copy cannot be read.
    bool restore(const QString &copyPath, bool editorText, const QString &documentPath, const FileStamp &base);

    const QString &filename() const { return filename_; }
    // The document's file as it stood when the document last matched it.
    const FileStamp &fileStamp() const { return stamp_; }
    FileDialogState &openDialog() { return open_; }
    FileDialogState &saveDialog() { return save_; }

    // The folder part of a path as DIR stores it: no trailing separator,
    // except for the root.
    static QString folderOf(const QString &path);

private:
    bool writeTo(const QString &path);
    // Reads path (the file's bytes, or editor text) into the editor and
    // gathers the index; false, with the message shown, when it cannot.
    bool load(const QString &path, bool editorText);
    // The loaded document is path's, which stood as stamp: the name in
    // the caption and the dialogs, undo off.
    void takeName(const QString &path, const FileStamp &stamp);
    void setDialogFolder(const QString &folder);

    NcEditor &editor_;
    IndexBox &index_;
    Dialogs &dialogs_;
    SettingsStore &settings_;
    DocumentHost &host_;
    QString filename_;
    FileStamp stamp_;
    FileDialogState open_;
    FileDialogState save_;
};

}  // namespace marbolt
