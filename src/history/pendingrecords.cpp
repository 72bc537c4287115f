#include "history/pendingrecords.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace marbolt {

namespace {

const QString kTaken = QStringLiteral(".taken-");

QJsonObject toJson(const PendingRecord &p)
{
    const TransferRecord &r = p.record;
    return QJsonObject{
        {QStringLiteral("started"), QString::number(r.started.toMSecsSinceEpoch())},
        {QStringLiteral("ended"), QString::number(r.ended.toMSecsSinceEpoch())},
        {QStringLiteral("machine"), r.machine},
        {QStringLiteral("port"), r.port},
        {QStringLiteral("direction"), directionKey(r.direction)},
        {QStringLiteral("outcome"), outcomeKey(r.outcome)},
        {QStringLiteral("bytes"), QString::number(r.bytes)},
        {QStringLiteral("detail"), r.detail},
        {QStringLiteral("text"), QString::fromLatin1(QByteArray(r.text.data(), static_cast<qsizetype>(r.text.size())).toBase64())},
        {QStringLiteral("user"), p.origin.user},
        {QStringLiteral("host"), p.origin.host},
        {QStringLiteral("via"), p.origin.via},
    };
}

std::optional<PendingRecord> fromJson(const QByteArray &bytes)
{
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    PendingRecord p;
    TransferRecord &r = p.record;
    r.started = QDateTime::fromMSecsSinceEpoch(o.value(QStringLiteral("started")).toString().toLongLong());
    r.ended = QDateTime::fromMSecsSinceEpoch(o.value(QStringLiteral("ended")).toString().toLongLong());
    r.machine = o.value(QStringLiteral("machine")).toString();
    r.port = o.value(QStringLiteral("port")).toString();
    r.direction = directionOf(o.value(QStringLiteral("direction")).toString());
    r.outcome = outcomeOf(o.value(QStringLiteral("outcome")).toString());
    r.bytes = o.value(QStringLiteral("bytes")).toString().toLongLong();
    r.detail = o.value(QStringLiteral("detail")).toString();
    const QByteArray text = QByteArray::fromBase64(o.value(QStringLiteral("text")).toString().toLatin1());
    r.text.assign(text.constData(), static_cast<std::size_t>(text.size()));
    p.origin = {o.value(QStringLiteral("user")).toString(), o.value(QStringLiteral("host")).toString(),
                o.value(QStringLiteral("via")).toString()};
    if (!r.started.isValid() || r.text.empty())
        return std::nullopt;
    return p;
}

bool alive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

std::atomic<int> written{0};

}  // namespace

QString pendingFolderFor(const QString &settingsFile)
{
    return QFileInfo(settingsFile).absoluteDir().filePath(QStringLiteral("marbolt-history-pending"));
}

int keepPending(const QString &folder, const std::vector<PendingRecord> &records)
{
    if (records.empty() || !QDir().mkpath(folder))
        return 0;
    int kept = 0;
    const qint64 pid = QCoreApplication::applicationPid();
    for (const PendingRecord &p : records) {
        // Named by the transfer's start, so the files sort as they happened.
        QSaveFile file(QDir(folder).filePath(QStringLiteral("%1-%2-%3.json")
                                                 .arg(p.record.started.toMSecsSinceEpoch(), 15, 10, QLatin1Char('0'))
                                                 .arg(pid)
                                                 .arg(++written)));
        if (!file.open(QIODevice::WriteOnly))
            continue;
        file.write(QJsonDocument(toJson(p)).toJson(QJsonDocument::Compact));
        if (!file.commit())
            continue;
        ++kept;
        if (!p.file.isEmpty())
            QFile::remove(p.file);  // its record now waits in the new file
    }
    return kept;
}

std::vector<PendingRecord> takePending(const QString &folder)
{
    std::vector<PendingRecord> taken;
    QDir dir(folder);
    if (!dir.exists())
        return taken;
    const QString mine = kTaken + QString::number(QCoreApplication::applicationPid());
    for (const QString &name : dir.entryList({QStringLiteral("*.json*")}, QDir::Files, QDir::Name)) {
        const qsizetype at = name.indexOf(kTaken);
        if (at >= 0 && alive(name.mid(at + kTaken.size()).toLongLong()))
            continue;  // another process writes it now
        const QString from = dir.filePath(name);
        const QString to = dir.filePath((at >= 0 ? name.left(at) : name) + mine);
        // rename() is atomic: of two processes that try, one gets the file.
        if (from != to && !QFile::rename(from, to))
            continue;
        QFile file(to);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        std::optional<PendingRecord> p = fromJson(file.readAll());
        if (!p) {
            file.rename(dir.filePath(name.left(at >= 0 ? at : name.size()) + QStringLiteral(".unreadable")));
            continue;
        }
        p->file = to;
        taken.push_back(std::move(*p));
    }
    return taken;
}

void dropPending(const PendingRecord &record)
{
    if (!record.file.isEmpty())
        QFile::remove(record.file);
}

}  // namespace marbolt
