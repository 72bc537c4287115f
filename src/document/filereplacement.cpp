#include "filereplacement.h"

#include <QFile>

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <set>

namespace marbolt {

namespace {

// Up to this many files are synced one by one; more are synced with one
// call per file system.
constexpr std::size_t kSyncEachUpTo = 4;
// Room left in a file name for the scratch name's dot and suffix.
constexpr std::size_t kScratchBaseMax = NAME_MAX - 16;

std::string folderOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string resolvedTarget(const std::string &path, FileReplacement::Links links)
{
    struct stat st{};
    if (links == FileReplacement::Links::Follow && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char *real = ::realpath(path.c_str(), nullptr)) {
            std::string resolved(real);
            ::free(real);
            return resolved;
        }
    }
    return path;
}

std::string randomSuffix()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 rng{std::random_device{}()};
    std::string s(6, 'x');
    for (char &c : s)
        c = letters[rng() % (sizeof letters - 1)];
    return s;
}

bool writeAll(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

QString FileFailure::reason() const
{
    return QString::fromLocal8Bit(std::strerror(error));
}

FileReplacement::FileReplacement(Links links) : links_(links) {}

FileReplacement::~FileReplacement()
{
    for (Staged &s : staged_)
        discard(s);
}

void FileReplacement::discard(Staged &s)
{
    if (s.fd >= 0)
        ::close(s.fd);
    s.fd = -1;
    if (!s.scratch.empty())
        ::unlink(s.scratch.c_str());
    s.scratch.clear();
}

std::optional<FileFailure> FileReplacement::stage(const QString &path, std::string_view bytes)
{
    auto fail = [&](FileFailure::Step step, int error) {
        return FileFailure{step, error, path};
    };
    const QByteArray encoded = QFile::encodeName(path);
    // A name the system would cut short at a NUL is not the name asked for.
    if (encoded.isEmpty() || encoded.contains('\0'))
        return fail(FileFailure::Step::Create, EINVAL);
    Staged s;
    s.path = path;
    s.target = resolvedTarget(encoded.toStdString(), links_);
    const std::string folder = folderOf(s.target);
    const std::string base = baseOf(s.target).substr(0, kScratchBaseMax);
    for (int attempt = 0; attempt < 100 && s.fd < 0; ++attempt) {
        s.scratch = folder + "/." + base + "." + randomSuffix();
        s.fd = ::open(s.scratch.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (s.fd < 0 && errno != EEXIST)
            break;
    }
    if (s.fd < 0) {
        const int error = errno;
        s.scratch.clear();
        return fail(FileFailure::Step::Create, error);
    }
    // The new file keeps the permissions of the one it replaces.
    struct stat old{};
    if (::stat(s.target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(s.fd, old.st_mode & 07777);
    if (!writeAll(s.fd, bytes)) {
        const int error = errno;
        discard(s);
        return fail(FileFailure::Step::Write, error);
    }
    staged_.push_back(std::move(s));
    return std::nullopt;
}

std::optional<FileFailure> FileReplacement::commit()
{
    std::optional<FileFailure> failure;
    auto failAt = [&](std::size_t i, FileFailure::Step step, int error) {
        failure = FileFailure{step, error, staged_[i].path};
    };

    // The data on the disk before any name points at it.
    if (staged_.size() <= kSyncEachUpTo) {
        for (std::size_t i = 0; i < staged_.size() && !failure; ++i)
            if (::fsync(staged_[i].fd) != 0)
                failAt(i, FileFailure::Step::Write, errno);
    } else {
        std::set<dev_t> synced;
        for (std::size_t i = 0; i < staged_.size() && !failure; ++i) {
            struct stat st{};
            if (::fstat(staged_[i].fd, &st) != 0 || synced.insert(st.st_dev).second) {
                if (::syncfs(staged_[i].fd) != 0)
                    failAt(i, FileFailure::Step::Write, errno);
            }
        }
    }
    // Closing can report a write that failed late (a network share).
    for (std::size_t i = 0; i < staged_.size(); ++i) {
        if (::close(staged_[i].fd) != 0 && !failure)
            failAt(i, FileFailure::Step::Write, errno);
        staged_[i].fd = -1;
    }

    std::set<std::string> folders;
    for (std::size_t i = 0; i < staged_.size() && !failure; ++i) {
        Staged &s = staged_[i];
        if (::rename(s.scratch.c_str(), s.target.c_str()) != 0) {
            failAt(i, FileFailure::Step::Replace, errno);
            break;
        }
        s.scratch.clear();
        folders.insert(folderOf(s.target));
    }
    // The renames themselves on the disk.
    for (const std::string &folder : folders) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);  // not every file system syncs a folder; the data is safe either way
            ::close(fd);
        }
    }
    for (Staged &s : staged_)
        discard(s);
    staged_.clear();
    return failure;
}

std::optional<FileFailure> replaceFile(const QString &path, std::string_view bytes,
                                       FileReplacement::Links links)
{
    FileReplacement file(links);
    if (auto failure = file.stage(path, bytes))
        return failure;
    return file.commit();
}

}  // namespace marbolt
