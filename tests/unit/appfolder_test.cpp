// Where the program keeps its settings file, log and scratch files: beside
// itself when run from a folder of its own, in the user's config folder
// when installed (even as root, who could write /usr/bin) or when its
// folder is read-only.
#include "common/appfolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace marbolt;

namespace {

// Sets an environment variable for one test and puts it back after.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value) : name_(name), had_(qEnvironmentVariableIsSet(name)),
                                                          old_(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

}  // namespace

TEST(AppFolder, APortableCopyKeepsItsFilesBesideItself)
{
    QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    ScopedEnv config("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    EXPECT_FALSE(isInstalledProgram(bin));
    EXPECT_EQ(chooseStorageFolder(bin), bin);
    EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("config"))).exists());
}

TEST(AppFolder, AnInstalledProgramUsesTheConfigFolderEvenWhereItCouldWrite)
{
    QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("usr/bin"));
    QDir().mkpath(bin);
    QDir().mkpath(dir.filePath(QStringLiteral("usr/share/applications")));
    QFile desktop(dir.filePath(QStringLiteral("usr/share/applications/marbolt.desktop")));
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    desktop.close();
    const QString config = dir.filePath(QStringLiteral("config"));
    ScopedEnv env("XDG_CONFIG_HOME", QFile::encodeName(config));
    EXPECT_TRUE(isInstalledProgram(bin));
    EXPECT_EQ(chooseStorageFolder(bin), config + QStringLiteral("/marbolt"));
    EXPECT_TRUE(QDir(config + QStringLiteral("/marbolt")).exists());
    EXPECT_TRUE(QDir(bin).isEmpty());

    // A relative XDG_CONFIG_HOME is not a config folder: ~/.config is.
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
    ScopedEnv home("HOME", QFile::encodeName(dir.filePath(QStringLiteral("home"))));
    EXPECT_EQ(chooseStorageFolder(bin), dir.filePath(QStringLiteral("home/.config/marbolt")));
}

TEST(AppFolder, AReadOnlyFolderSendsTheFilesToTheConfigFolder)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    ASSERT_EQ(::chmod(QFile::encodeName(bin).constData(), 0555), 0);
    const QString config = dir.filePath(QStringLiteral("config"));
    ScopedEnv env("XDG_CONFIG_HOME", QFile::encodeName(config));
    EXPECT_EQ(chooseStorageFolder(bin), config + QStringLiteral("/marbolt"));
    ::chmod(QFile::encodeName(bin).constData(), 0755);
}

TEST(AppFolder, TheFileDialogsStartInTheProgramsFolderOnlyForAPortableCopy)
{
    ScopedEnv home("HOME", "/home/machinist");
    const AppPaths portable = AppPaths::inFolder(QStringLiteral("/opt/marbolt"));
    EXPECT_EQ(portable.startFolderWithSeparator(), QStringLiteral("/opt/marbolt/"));
    const AppPaths installed{QStringLiteral("/usr/bin"), QStringLiteral("/home/machinist/.config/marbolt"),
                             QStringLiteral("marbolt")};
    EXPECT_EQ(installed.startFolderWithSeparator(), QStringLiteral("/home/machinist/"));
}
