#pragma once
// Recovery copies of unsaved documents: the files that keep a morning's
// edits through a crash, a killed program or a power cut.
//
// Each running window owns one slot in the recovery folder: NAME.nc, the
// document's bytes exactly as a save would write them, and NAME.info, what
// the copy belongs to. NAME.lock is held for as long as the window lives,
// so a slot whose lock nobody holds was left by a program that ended
// without saving or discarding (its process is gone: the lock is stale).
// Both files are replaced whole or not at all (scratch file, fsync,
// rename, folder fsync); the info goes first, so a copy never stands
// beside the info of another document.
#include "document/filereplacement.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QLockFile;

namespace marbolt {

// A file as it stood: size and modification time, or absent.
struct FileStamp {
    qint64 size = -1;  // -1: no such file
    qint64 modifiedMs = 0;
    static FileStamp of(const QString &path);
    bool exists() const { return size >= 0; }
    bool operator==(const FileStamp &) const = default;
};

struct RecoveryInfo {
    QString documentPath;  // the document's file; empty: untitled
    FileStamp base;        // that file when the document last matched it
    QDateTime written;     // when the copy was made
    // The copy holds the editor's own text (UTF-8): a character typed in
    // has no Shift-JIS code, so no save could have written it either.
    bool editorText = false;

    QByteArray toBytes() const;
    // nullopt for a file that is not an info file.
    static std::optional<RecoveryInfo> fromBytes(const QByteArray &bytes);
};

class RecoverySlot {
public:
    RecoverySlot(QString folder, QString name);
    ~RecoverySlot();
    RecoverySlot(const RecoverySlot &) = delete;
    RecoverySlot &operator=(const RecoverySlot &) = delete;

    // A name no other slot has: the time and this process.
    static QString newName();

    // Takes the slot's lock; false when a running program holds it.
    bool lock();
    const QString &name() const { return name_; }
    QString copyPath() const;
    QString infoPath() const;

    // The info, then the copy. Safe from any one thread at a time.
    std::optional<FileFailure> write(std::string_view bytes, const RecoveryInfo &info);
    // The copy and its info; the lock stays.
    void remove();
    // Everything, the lock too.
    void removeWithLock();

    // What the folder holds for this slot; nullopt without a copy or an info.
    std::optional<RecoveryInfo> info() const;

private:
    QString folder_;
    QString name_;
    std::unique_ptr<QLockFile> lock_;
};

// A slot no running program holds, with what its info file says.
struct AbandonedCopy {
    std::unique_ptr<RecoverySlot> slot;
    RecoveryInfo info;
};

// The slots in folder that no running program holds and that have a copy,
// newest copy first; each comes locked by the caller. Slots with an info
// and no copy (a program that died between the two writes of its first
// copy) are cleared away.
std::vector<AbandonedCopy> abandonedSlots(const QString &folder);

}  // namespace marbolt
