#pragma once
// Files that replace what stood at their path whole or not at all. Each new
// file is written beside its target under a hidden scratch name, brought to
// the disk, and only then renamed over the target; the folder's entry is
// synced after the rename. A write that fails, for a full disk, a file-size
// limit or a removed medium, leaves the old file as it was and names the
// system's reason.
//
// Several files can be staged and committed together: the disk is then
// synced once per file system instead of once per file, which is what makes
// thousands of small program files affordable on a spinning disk.
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt {

struct FileFailure {
    enum class Step { Create, Write, Replace };
    Step step = Step::Create;
    int error = 0;  // the errno of the call that failed
    QString path;   // the file the user asked for
    // The system's text for error ("No space left on device").
    QString reason() const;
};

class FileReplacement {
public:
    // Follow: a symbolic link at the target is kept and the file it points
    // to is replaced (a document opened through a link). Replace: the link
    // itself gives way to the new file, so nothing is written outside the
    // target's own folder.
    enum class Links { Follow, Replace };
    explicit FileReplacement(Links links = Links::Follow);
    // Removes every file staged and not committed.
    ~FileReplacement();
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    // Writes bytes to a new file beside path; nothing at path changes yet.
    // The new file stays open until commit: stage a few hundred at most.
    std::optional<FileFailure> stage(const QString &path, std::string_view bytes);
    // Brings every staged file to the disk, then puts each at its path, in
    // the order staged. On a failure the files already put stay, the rest
    // are removed.
    std::optional<FileFailure> commit();
    std::size_t staged() const { return staged_.size(); }

private:
    struct Staged {
        QString path;        // as asked
        std::string target;  // where it goes
        std::string scratch;
        int fd = -1;
    };
    void discard(Staged &s);

    Links links_;
    std::vector<Staged> staged_;
};

// One file, replaced whole or not at all.
std::optional<FileFailure> replaceFile(const QString &path, std::string_view bytes,
                                       FileReplacement::Links links = FileReplacement::Links::Follow);

}  // namespace marbolt
