#pragma once
// Where the program keeps its own files (settings file, send log, scratch
// files): beside the executable when it runs from a folder of its own that
// can be written, as the program has always done; otherwise in
// $XDG_CONFIG_HOME/marbolt, by default ~/.config/marbolt. An installed
// program never writes beside itself, even where it could (root in
// /usr/bin): those files would be left behind by its removal.
#include <QString>

namespace marbolt {

struct AppPaths {
    QString exeFolder;      // the executable's folder, no trailing separator
    QString storageFolder;  // where the program's own files go
    QString baseName;       // the executable's name without extension

    // The paths of the running program.
    static AppPaths forThisProgram();
    // A program "marbolt" whose executable and files are all in folder
    // (tests and benchmarks run it in a scratch folder).
    static AppPaths inFolder(const QString &folder);
    // storageFolder/baseName + extension, for example ".ini" or ".log".
    QString storageFile(const QString &extension) const;
    // The executable's folder with a trailing separator.
    QString exeFolderWithSeparator() const;
    // DIR's start-up value, the file dialogs' first folder: the program's
    // own folder for a copy that keeps its files there, the home folder
    // for an installed program (not /usr/bin).
    QString startFolderWithSeparator() const;
};

// Installed: its desktop entry lies in ../share/applications beside the
// executable's folder, where the install rules and the package put it.
bool isInstalledProgram(const QString &exeFolder);

// exeFolder itself when it can be written and the program is not an
// installed one, else the user's config folder (created when missing).
QString chooseStorageFolder(const QString &exeFolder);

}  // namespace marbolt
