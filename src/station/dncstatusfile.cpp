#include "station/dncstatusfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cerrno>
#include <csignal>

namespace marbolt {

namespace {

const QString kTime = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");

QString timeText(const QDateTime &t)
{
    return t.isValid() ? t.toString(kTime) : QString();
}

QDateTime timeOf(const QJsonValue &v)
{
    return QDateTime::fromString(v.toString(), kTime);
}

QString phaseKey(DncPhase phase)
{
    switch (phase) {
    case DncPhase::Stopped:
        return QStringLiteral("stopped");
    case DncPhase::Listening:
        return QStringLiteral("listening");
    case DncPhase::Answering:
        return QStringLiteral("answering");
    case DncPhase::Retrying:
        return QStringLiteral("retrying");
    }
    return {};
}

DncPhase phaseOf(const QString &key)
{
    for (DncPhase p : {DncPhase::Listening, DncPhase::Answering, DncPhase::Retrying})
        if (phaseKey(p) == key)
            return p;
    return DncPhase::Stopped;
}

}  // namespace

QString dncStatusFileName()
{
    return QStringLiteral("marbolt-dnc.json");
}

QString dncStatusPath(const QString &settingsFile)
{
    return QFileInfo(settingsFile).absoluteDir().filePath(dncStatusFileName());
}

bool writeDncSnapshot(const QString &path, const DncSnapshot &snapshot)
{
    QJsonArray machines;
    for (const DncMachineStatus &m : snapshot.machines)
        machines.append(QJsonObject{{QStringLiteral("machine"), m.machine},
                                    {QStringLiteral("port"), m.port},
                                    {QStringLiteral("phase"), phaseKey(m.phase)},
                                    {QStringLiteral("state"), m.state},
                                    {QStringLiteral("program"), m.program},
                                    {QStringLiteral("done"), m.done},
                                    {QStringLiteral("total"), m.total},
                                    {QStringLiteral("block"), m.block},
                                    {QStringLiteral("started"), timeText(m.started)},
                                    {QStringLiteral("finish"), timeText(m.finish)},
                                    {QStringLiteral("last"), m.last}});
    const QJsonObject root{{QStringLiteral("pid"), snapshot.pid},
                           {QStringLiteral("written"), timeText(snapshot.written)},
                           {QStringLiteral("machines"), machines}};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    return file.commit();
}

std::optional<DncSnapshot> readDncSnapshot(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(1 << 20));
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject root = doc.object();
    DncSnapshot s;
    s.pid = root.value(QStringLiteral("pid")).toInteger();
    s.written = timeOf(root.value(QStringLiteral("written")));
    for (const QJsonValue &v : root.value(QStringLiteral("machines")).toArray()) {
        const QJsonObject o = v.toObject();
        DncMachineStatus m;
        m.machine = o.value(QStringLiteral("machine")).toString();
        m.port = o.value(QStringLiteral("port")).toString();
        m.phase = phaseOf(o.value(QStringLiteral("phase")).toString());
        m.state = o.value(QStringLiteral("state")).toString();
        m.program = o.value(QStringLiteral("program")).toString();
        m.done = o.value(QStringLiteral("done")).toInteger();
        m.total = o.value(QStringLiteral("total")).toInteger();
        m.block = o.value(QStringLiteral("block")).toString();
        m.started = timeOf(o.value(QStringLiteral("started")));
        m.finish = timeOf(o.value(QStringLiteral("finish")));
        m.last = o.value(QStringLiteral("last")).toString();
        s.machines.push_back(std::move(m));
    }
    return s;
}

bool snapshotLive(const DncSnapshot &snapshot, const QDateTime &now)
{
    if (!snapshot.written.isValid() || snapshot.pid <= 0)
        return false;
    const qint64 age = snapshot.written.msecsTo(now);
    if (age > kSnapshotStaleMs || age < -kSnapshotStaleMs)
        return false;
    // A process of another user answers EPERM: it exists.
    return ::kill(static_cast<pid_t>(snapshot.pid), 0) == 0 || errno == EPERM;
}

}  // namespace marbolt
