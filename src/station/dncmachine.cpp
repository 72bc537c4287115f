#include "station/dncmachine.h"

#include <QDir>
#include <QFile>

namespace marbolt {

namespace {

const QLatin1StringView kReceiveField("RECEIVEDIR");
const QLatin1StringView kSendField("SENDDIRS");
const QLatin1StringView kNameField("FILENAME");
const QLatin1StringView kRequestsField("REQUESTS");
const QLatin1StringView kDelayField("REQUESTDELAY");

// Up to this many bytes of a file are read for its O-line.
constexpr qint64 kHeadBytes = 4096;

std::optional<long> firstProgramNumber(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = f.read(kHeadBytes);
    for (const ReceivedProgram &p : splitPrograms(std::string_view(head.constData(), static_cast<std::size_t>(head.size()))))
        if (p.number)
            return p.number;
    return std::nullopt;
}

}  // namespace

DncMachine dncMachineOf(const MachineProfile &profile, QStringList *problems)
{
    DncMachine m;
    auto problem = [&](QLatin1StringView field, const QString &value) {
        if (problems)
            *problems << QStringLiteral("%1 の %2=%3 は使えません (既定の値にします)").arg(profile.name, field, value);
    };
    if (const QString *v = profile.extraField(kReceiveField))
        m.receiveFolder = v->trimmed();
    if (const QString *v = profile.extraField(kSendField))
        for (const QString &folder : v->split(u';', Qt::SkipEmptyParts))
            if (!folder.trimmed().isEmpty())
                m.sendFolders << folder.trimmed();
    if (const QString *v = profile.extraField(kNameField)) {
        const QStringList parts = v->split(u';');
        bool ok = false;
        const int digits = parts.size() == 3 ? parts[1].trimmed().toInt(&ok) : 0;
        if (ok && digits >= 1 && digits <= 9)
            m.fileRule = {parts[0].trimmed(), digits, parts[2].trimmed()};
        else
            problem(kNameField, *v);
    }
    if (const QString *v = profile.extraField(kRequestsField)) {
        for (const QString &n : v->split(u';', Qt::SkipEmptyParts)) {
            bool ok = false;
            const long number = n.trimmed().remove(0, n.trimmed().startsWith(u'O', Qt::CaseInsensitive) ? 1 : 0).toLong(&ok);
            if (ok && number >= 0 && number <= 99999999)
                m.requestNumbers.push_back(number);
            else
                problem(kRequestsField, *v);
        }
    }
    if (const QString *v = profile.extraField(kDelayField)) {
        bool ok = false;
        const int seconds = v->trimmed().toInt(&ok);
        if (ok && seconds >= 0 && seconds <= kLongestRequestDelay)
            m.requestDelaySeconds = seconds;
        else
            problem(kDelayField, *v);
    }
    return m;
}

void setDncMachine(MachineProfile &profile, const DncMachine &machine)
{
    profile.setExtraField(kReceiveField, machine.receiveFolder);
    profile.setExtraField(kSendField, machine.sendFolders.join(u';'));
    profile.setExtraField(kNameField, QStringLiteral("%1;%2;%3")
                                          .arg(machine.fileRule.prefix)
                                          .arg(machine.fileRule.digits)
                                          .arg(machine.fileRule.extension));
    QStringList requests;
    for (long n : machine.requestNumbers)
        requests << QString::number(n);
    profile.setExtraField(kRequestsField, requests.join(u';'));
    profile.setExtraField(kDelayField, QString::number(machine.requestDelaySeconds));
}

std::optional<QString> findProgramFile(const DncMachine &machine, long number)
{
    const QString name = programFileName(number, machine.fileRule);
    for (const QString &folder : machine.sendFolders) {
        const QString path = QDir(folder).filePath(name);
        if (QFile::exists(path))
            return path;
    }
    for (const QString &folder : machine.sendFolders) {
        const QDir dir(folder);
        const QStringList files = dir.entryList({QLatin1Char('*') + machine.fileRule.extension}, QDir::Files, QDir::Name);
        for (const QString &file : files)
            if (firstProgramNumber(dir.filePath(file)) == number)
                return dir.filePath(file);
    }
    return std::nullopt;
}

}  // namespace marbolt
