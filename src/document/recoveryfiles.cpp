#include "document/recoveryfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>

namespace marbolt {

namespace {

const QString kCopySuffix = QStringLiteral(".nc");
const QString kInfoSuffix = QStringLiteral(".info");
const QString kLockSuffix = QStringLiteral(".lock");

// The info file: key=value lines in UTF-8, unknown keys ignored.
constexpr char kMagic[] = "MARBOLT-RECOVERY=1";

}  // namespace

FileStamp FileStamp::of(const QString &path)
{
    FileStamp stamp;
    if (path.isEmpty())
        return stamp;
    const QFileInfo info(path);
    if (!info.isFile())
        return stamp;
    stamp.size = info.size();
    stamp.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    return stamp;
}

QByteArray RecoveryInfo::toBytes() const
{
    QByteArray out(kMagic);
    out += '\n';
    out += "PATH=" + documentPath.toUtf8() + '\n';
    out += "SIZE=" + QByteArray::number(base.size) + '\n';
    out += "MODIFIED=" + QByteArray::number(base.modifiedMs) + '\n';
    out += "WRITTEN=" + QByteArray::number(written.toMSecsSinceEpoch()) + '\n';
    out += QByteArray("TEXT=") + (editorText ? "UTF-8" : "SHIFT-JIS") + '\n';
    return out;
}

std::optional<RecoveryInfo> RecoveryInfo::fromBytes(const QByteArray &bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.first() != kMagic)
        return std::nullopt;
    RecoveryInfo info;
    bool written = false;
    for (const QByteArray &line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        if (key == "PATH") {
            info.documentPath = QString::fromUtf8(value);
        } else if (key == "SIZE") {
            info.base.size = value.toLongLong();
        } else if (key == "MODIFIED") {
            info.base.modifiedMs = value.toLongLong();
        } else if (key == "WRITTEN") {
            info.written = QDateTime::fromMSecsSinceEpoch(value.toLongLong());
            written = true;
        } else if (key == "TEXT") {
            info.editorText = value == "UTF-8";
        }
    }
    if (!written)
        return std::nullopt;
    return info;
}

RecoverySlot::RecoverySlot(QString folder, QString name) : folder_(std::move(folder)), name_(std::move(name)) {}

RecoverySlot::~RecoverySlot() = default;

QString RecoverySlot::newName()
{
    return QStringLiteral("%1-%2")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmsszzz")))
        .arg(QCoreApplication::applicationPid());
}

bool RecoverySlot::lock()
{
    if (lock_)
        return true;
    QDir().mkpath(folder_);
    auto file = std::make_unique<QLockFile>(folder_ + u'/' + name_ + kLockSuffix);
    // Only a dead process makes a lock stale, never its age: a window may
    // stay open for weeks.
    file->setStaleLockTime(0);
    if (!file->tryLock(0))
        return false;
    lock_ = std::move(file);
    return true;
}

QString RecoverySlot::copyPath() const
{
    return folder_ + u'/' + name_ + kCopySuffix;
}

QString RecoverySlot::infoPath() const
{
    return folder_ + u'/' + name_ + kInfoSuffix;
}

std::optional<FileFailure> RecoverySlot::write(std::string_view bytes, const RecoveryInfo &info)
{
    QDir().mkpath(folder_);  // a folder that cannot be made fails the write below, with its reason
    const QByteArray infoBytes = info.toBytes();
    if (auto failure = replaceFile(infoPath(), std::string_view(infoBytes.constData(), static_cast<std::size_t>(infoBytes.size())),
                                   FileReplacement::Links::Replace))
        return failure;
    return replaceFile(copyPath(), bytes, FileReplacement::Links::Replace);
}

void RecoverySlot::remove()
{
    // The copy first: an info alone is cleared away at the next start.
    QFile::remove(copyPath());
    QFile::remove(infoPath());
}

void RecoverySlot::removeWithLock()
{
    remove();
    if (lock_) {
        lock_->unlock();
        lock_.reset();
    }
}

std::optional<RecoveryInfo> RecoverySlot::info() const
{
    if (!QFileInfo(copyPath()).isFile())
        return std::nullopt;
    QFile f(infoPath());
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return RecoveryInfo::fromBytes(f.read(64 * 1024));
}

std::vector<AbandonedCopy> abandonedSlots(const QString &folder)
{
    std::vector<AbandonedCopy> found;
    const QStringList infos = QDir(folder).entryList({QStringLiteral("*") + kInfoSuffix}, QDir::Files);
    for (const QString &file : infos) {
        auto slot = std::make_unique<RecoverySlot>(folder, file.chopped(kInfoSuffix.size()));
        if (!slot->lock())
            continue;  // a running window's
        const auto info = slot->info();
        if (!info) {
            if (!QFileInfo::exists(slot->copyPath()))
                slot->removeWithLock();  // its first copy never came
            continue;  // an info that cannot be read is left for a person to look at
        }
        found.push_back({std::move(slot), *info});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const AbandonedCopy &a, const AbandonedCopy &b) { return a.info.written > b.info.written; });
    return found;
}

}  // namespace marbolt
