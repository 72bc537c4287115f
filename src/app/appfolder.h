#pragma once
// Where the program keeps its own files (settings file, send log, scratch
// files): beside the executable when that folder can be written, as the
// program has always done; otherwise (an installed program) in
// $XDG_CONFIG_HOME/marbolt, by default ~/.config/marbolt.
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
    // The executable's folder with a trailing separator (default of DIR).
    QString exeFolderWithSeparator() const;
};

// exeFolder itself when it can be written, else the user's config folder
// (created when missing).
QString chooseStorageFolder(const QString &exeFolder);

}  // namespace marbolt
