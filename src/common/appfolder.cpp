#include "common/appfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace marbolt {

bool isInstalledProgram(const QString &exeFolder)
{
    return QFileInfo::exists(exeFolder + QStringLiteral("/../share/applications/marbolt.desktop"));
}

QString chooseStorageFolder(const QString &exeFolder)
{
    if (!isInstalledProgram(exeFolder) && ::access(QFile::encodeName(exeFolder).constData(), W_OK) == 0)
        return exeFolder;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    const QString folder = config + QStringLiteral("/marbolt");
    QDir().mkpath(folder);
    return folder;
}

AppPaths AppPaths::forThisProgram()
{
    AppPaths p;
    p.exeFolder = QCoreApplication::applicationDirPath();
    p.baseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    p.storageFolder = chooseStorageFolder(p.exeFolder);
    return p;
}

AppPaths AppPaths::inFolder(const QString &folder)
{
    return AppPaths{folder, folder, QStringLiteral("marbolt")};
}

QString AppPaths::storageFile(const QString &extension) const
{
    return storageFolder + u'/' + baseName + extension;
}

QString AppPaths::exeFolderWithSeparator() const
{
    return exeFolder.endsWith(u'/') ? exeFolder : exeFolder + u'/';
}

QString AppPaths::startFolderWithSeparator() const
{
    if (storageFolder == exeFolder)
        return exeFolderWithSeparator();
    const QString home = QDir::homePath();
    return home.endsWith(u'/') ? home : home + u'/';
}

}  // namespace marbolt
