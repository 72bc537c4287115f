// Files replaced whole or not at all: permissions, links, batches, and a
// file-size limit that must not kill the program.
#include "app/processsignals.h"
#include "document/filereplacement.h"
#include "document/ncfile.h"

#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

using namespace marbolt;

namespace {

QStringList everyEntry(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace

TEST(FileReplacement, KeepsPermissionsAndFollowsOrReplacesLinks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("part.nc"));
    ASSERT_TRUE(writeFileBytes(path, "OLD"));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_FALSE(replaceFile(path, "NEW"));
    EXPECT_EQ(readFileBytes(path), QByteArray("NEW"));
    struct stat st{};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A document opened through a link: the link stays, its file changes.
    QTemporaryDir elsewhere;
    const QString real = elsewhere.filePath(QStringLiteral("real.nc"));
    ASSERT_TRUE(writeFileBytes(real, "REAL"));
    const QString link = dir.filePath(QStringLiteral("link.nc"));
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_FALSE(replaceFile(link, "VIA LINK"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFileBytes(real), QByteArray("VIA LINK"));

    // Replace: the link gives way, nothing outside the folder is written.
    ASSERT_FALSE(replaceFile(link, "HERE", FileReplacement::Links::Replace));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFileBytes(link), QByteArray("HERE"));
    EXPECT_EQ(readFileBytes(real), QByteArray("VIA LINK"));
    EXPECT_EQ(everyEntry(dir.path()), (QStringList{"link.nc", "part.nc"}));
}

TEST(FileReplacement, ABatchAppearsOnlyAtCommitAndLeavesNothingWhenDropped)
{
    QTemporaryDir dir;
    {
        FileReplacement batch(FileReplacement::Links::Replace);
        for (int i = 0; i < 12; ++i)
            ASSERT_FALSE(batch.stage(dir.filePath(QStringLiteral("O%1.nc").arg(i)), "O1\r\n"));
        EXPECT_EQ(batch.staged(), 12u);
        for (const QString &name : everyEntry(dir.path()))
            EXPECT_TRUE(name.startsWith(u'.')) << qPrintable(name) << " visible before the commit";
    }
    EXPECT_TRUE(everyEntry(dir.path()).isEmpty()) << "a batch dropped without commit leaves nothing";

    FileReplacement batch(FileReplacement::Links::Replace);
    for (int i = 0; i < 12; ++i)
        ASSERT_FALSE(batch.stage(dir.filePath(QStringLiteral("O%1.nc").arg(i)), std::to_string(i)));
    ASSERT_FALSE(batch.commit());
    EXPECT_EQ(batch.staged(), 0u);
    const QStringList names = everyEntry(dir.path());
    EXPECT_EQ(names.size(), 12);
    EXPECT_EQ(readFileBytes(dir.filePath(QStringLiteral("O7.nc"))), QByteArray("7"));
}

TEST(FileReplacement, FailuresNameTheStepAndTheSystemsReason)
{
    QTemporaryDir dir;
    const auto nul = replaceFile(dir.filePath(QStringLiteral("O1")) + QChar(0) + QStringLiteral(".nc"), "X");
    ASSERT_TRUE(nul);
    EXPECT_EQ(nul->step, FileFailure::Step::Create);
    EXPECT_TRUE(everyEntry(dir.path()).isEmpty()) << "nothing written under a name cut at the NUL";

    const auto missing = replaceFile(dir.filePath(QStringLiteral("no/O1.nc")), "X");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->step, FileFailure::Step::Create);
    EXPECT_EQ(missing->error, ENOENT);
    EXPECT_EQ(missing->reason(), QString::fromLocal8Bit(strerror(ENOENT)));

    // A folder standing where the file should go.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("O2.nc")));
    const auto folder = replaceFile(dir.filePath(QStringLiteral("O2.nc")), "X");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->step, FileFailure::Step::Replace);
    EXPECT_EQ(everyEntry(dir.path()), QStringList{}) << "the scratch file is removed";
}

// Under a file-size limit the program gets an error, not SIGXFSZ: the save
// fails with the system's reason and the process lives on.
TEST(FileReplacement, AFileSizeLimitFailsTheSaveInsteadOfKillingTheProgram)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.nc"));
    ASSERT_TRUE(writeFileBytes(path, "O1\r\nOLD\r\n"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ignoreFileSizeSignal();  // what the program does at start
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const WriteResult r = writeNcFile(path, std::string(100000, 'G'));
        const bool named = r.detail == QString::fromLocal8Bit(strerror(EFBIG));
        ::_exit(r.status == WriteStatus::WriteFailed && named ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_FALSE(WIFSIGNALED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFileBytes(path), QByteArray("O1\r\nOLD\r\n"));
    EXPECT_EQ(everyEntry(dir.path()), QStringList{"big.nc"});
}
