#include "station/receivefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace marbolt {

QString programFileName(long number, const ProgramFileRule &rule)
{
    return rule.prefix + QStringLiteral("%1").arg(number, rule.digits, 10, QLatin1Char('0')) + rule.extension;
}

ReceiveFolder::ReceiveFolder(QString folder, ProgramFileRule rule, Clock &clock)
    : folder_(std::move(folder)), rule_(std::move(rule)), clock_(clock)
{
}

QString ReceiveFolder::freeName(const QString &base) const
{
    const QDir dir(folder_);
    if (!dir.exists(base))
        return base;
    const QFileInfo info(base);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 2;; ++n) {
        const QString name = info.completeBaseName() + QStringLiteral("-%1").arg(n) + suffix;
        if (!dir.exists(name))
            return name;
    }
}

bool ReceiveFolder::write(const QString &name, std::string_view bytes, StoredFile &stored, QString &failure)
{
    const QString path = QDir(folder_).filePath(name);
    stored.path = path;
    stored.bytes = static_cast<qint64>(bytes.size());
    if (QFileInfo::exists(path)) {
        // The backup is a second name for the old file (a hard link), so
        // that the name itself never goes missing: the replacement below
        // swaps the new file in with one rename.
        int n = 1;
        while (QFileInfo::exists(path + QStringLiteral(".~%1~").arg(n)))
            ++n;
        const QString backup = path + QStringLiteral(".~%1~").arg(n);
        if (::link(QFile::encodeName(path).constData(), QFile::encodeName(backup).constData()) != 0
            && !QFile::copy(path, backup)) {
            failure = QStringLiteral("%1 の控えを作れませんでした: %2").arg(backup, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        stored.backup = backup;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())
        || !file.commit()) {
        failure = QStringLiteral("%1 に書き込めませんでした: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

StoreResult ReceiveFolder::storeReception(std::string_view received)
{
    StoreResult result;
    if (!QDir().mkpath(folder_)) {
        result.failure = QStringLiteral("受信フォルダ %1 を作れませんでした").arg(folder_);
        return result;
    }
    for (const ReceivedProgram &p : splitPrograms(received)) {
        const QString name =
            p.number ? programFileName(*p.number, rule_)
                     : freeName(QStringLiteral("received-%1%2").arg(clock_.now().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                                                                     rule_.extension));
        StoredFile stored;
        stored.number = p.number;
        if (!write(name, p.bytes, stored, result.failure))
            return result;
        result.files.push_back(stored);
    }
    return result;
}

StoreResult ReceiveFolder::storeFailed(std::string_view received)
{
    StoreResult result;
    if (!QDir().mkpath(folder_)) {
        result.failure = QStringLiteral("受信フォルダ %1 を作れませんでした").arg(folder_);
        return result;
    }
    const QString name = freeName(
        QStringLiteral("failed-%1%2").arg(clock_.now().toString(QStringLiteral("yyyyMMdd-HHmmss")), rule_.extension));
    StoredFile stored;
    if (write(name, received, stored, result.failure))
        result.files.push_back(stored);
    return result;
}

}  // namespace marbolt
