#include "station/receivefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace marbolt {

namespace {

// The O-number of a line that opens a program ("O1234", ":1234", blanks
// before it allowed); nullopt for any other line.
std::optional<long> programNumber(std::string_view line)
{
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string_view::npos || (line[i] != 'O' && line[i] != 'o' && line[i] != ':'))
        return std::nullopt;
    ++i;
    long n = 0;
    std::size_t digits = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && digits < 9) {
        n = n * 10 + (line[i] - '0');
        ++i;
        ++digits;
    }
    if (digits == 0 || (i < line.size() && line[i] >= '0' && line[i] <= '9'))
        return std::nullopt;
    return n;
}

bool isPercentLine(std::string_view line)
{
    const std::size_t i = line.find_first_not_of(" \t");
    return i != std::string_view::npos && line[i] == '%';
}

}  // namespace

QString programFileName(long number, const ProgramFileRule &rule)
{
    return rule.prefix + QStringLiteral("%1").arg(number, rule.digits, 10, QLatin1Char('0')) + rule.extension;
}

std::vector<ReceivedProgram> splitPrograms(std::string_view received)
{
    // Where each program's O-line starts, and its number.
    std::vector<std::pair<std::size_t, long>> opens;
    bool leadOnly = true;  // nothing but "%" lines and blanks before the first O-line
    for (std::size_t at = 0; at < received.size();) {
        std::size_t end = received.find('\n', at);
        end = end == std::string_view::npos ? received.size() : end + 1;
        const std::string_view line = received.substr(at, end - at);
        if (const auto n = programNumber(line))
            opens.push_back({at, *n});
        else if (opens.empty())
            leadOnly = leadOnly && (isPercentLine(line) || line.find_first_not_of(" \t\r\n") == std::string_view::npos);
        at = end;
    }
    std::vector<ReceivedProgram> programs;
    if (opens.empty()) {
        if (!received.empty())
            programs.push_back({std::nullopt, received});
        return programs;
    }
    // The tape's lead goes with the first program; other text before it is a piece of its own.
    if (!leadOnly)
        programs.push_back({std::nullopt, received.substr(0, opens.front().first)});
    for (std::size_t i = 0; i < opens.size(); ++i) {
        const std::size_t from = i == 0 && leadOnly ? 0 : opens[i].first;
        const std::size_t to = i + 1 < opens.size() ? opens[i + 1].first : received.size();
        programs.push_back({opens[i].second, received.substr(from, to - from)});
    }
    return programs;
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
