#include "app/machineprofiles.h"

#include "document/sjistext.h"

#include <QRegularExpression>

namespace marbolt {

namespace {

const QChar kSeparator = QLatin1Char('\t');

}  // namespace

QString machineKey(int i)
{
    return QString(kMachineListKey) + QString::number(i + 1);
}

QString profileLine(const MachineProfile &profile)
{
    QStringList fields{profile.name};
    for (const QString &v : profile.values)
        fields << v;
    return fields.join(kSeparator);
}

std::optional<MachineProfile> profileFromLine(const QString &line)
{
    const QStringList fields = line.split(kSeparator);
    if (fields.size() != static_cast<qsizetype>(kProfileKeys.size()) + 1 || fields[0].trimmed().isEmpty())
        return std::nullopt;
    MachineProfile profile;
    profile.name = fields[0];
    for (std::size_t k = 0; k < kProfileKeys.size(); ++k)
        profile.values[k] = fields[static_cast<qsizetype>(k) + 1];
    return profile;
}

QList<MachineProfile> MachineProfiles::all() const
{
    // MACHINE1, MACHINE2, ... up to the first missing key; a broken line
    // is left out rather than guessed.
    QList<MachineProfile> profiles;
    for (int i = 0;; ++i) {
        const QString line = store_.get(machineKey(i));
        if (line.isEmpty())
            break;
        if (auto profile = profileFromLine(line))
            profiles << *profile;
    }
    return profiles;
}

QStringList MachineProfiles::names() const
{
    QStringList names;
    for (const MachineProfile &p : all())
        names << p.name;
    return names;
}

int MachineProfiles::count() const
{
    return static_cast<int>(all().size());
}

int MachineProfiles::active() const
{
    const int n = store_.number(setting::MACHINE).value_or(1);
    return n >= 1 && n <= count() ? n - 1 : 0;
}

QString MachineProfiles::activeName() const
{
    const auto profiles = all();
    return profiles.isEmpty() ? QString() : profiles[active()].name;
}

MachineProfile MachineProfiles::fromComm(const QString &name) const
{
    MachineProfile profile;
    profile.name = name;
    for (std::size_t k = 0; k < kProfileKeys.size(); ++k)
        profile.values[k] = store_.get(*kProfileKeys[k]);
    return profile;
}

void MachineProfiles::toComm(const MachineProfile &profile)
{
    for (std::size_t k = 0; k < kProfileKeys.size(); ++k)
        store_.set(*kProfileKeys[k], profile.values[k]);
}

void MachineProfiles::writeAll(const QList<MachineProfile> &profiles, int activeIndex)
{
    // Each line in its place, so that writing what is there changes
    // nothing; lines past the new end go, a broken one among them too.
    for (int i = 0; i < profiles.size(); ++i)
        store_.set(machineKey(i), profileLine(profiles[i]));
    static const QRegularExpression listKey(QStringLiteral("^%1([0-9]+)$").arg(kMachineListKey),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList lines = store_.lines();
    const qsizetype kept = profiles.size();
    const auto removed = lines.removeIf([kept](const QString &line) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const auto match = listKey.match(line.left(eq));
        return eq > 0 && match.hasMatch() && match.captured(1).toLongLong() > kept;
    });
    if (removed > 0)
        store_.replaceLines(std::move(lines));
    store_.set(setting::MACHINE, QString::number(activeIndex + 1));
}

void MachineProfiles::ensureOne()
{
    auto profiles = all();
    if (!profiles.isEmpty()) {
        writeAll(profiles, active());
        return;
    }
    QString name = store_.get(setting::PORT).trimmed();
    if (name.isEmpty() || name.contains(kSeparator))
        name = QStringLiteral("機械1");
    writeAll({fromComm(name)}, 0);
}

void MachineProfiles::keepActive()
{
    auto profiles = all();
    if (profiles.isEmpty()) {
        ensureOne();
        return;
    }
    const int a = active();
    profiles[a] = fromComm(profiles[a].name);
    writeAll(profiles, a);
}

bool MachineProfiles::activate(int i)
{
    keepActive();
    auto profiles = all();
    if (i < 0 || i >= profiles.size())
        return false;
    toComm(profiles[i]);
    writeAll(profiles, i);
    return true;
}

QString MachineProfiles::nameProblem(const QString &name, int exceptIndex) const
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("機械の名前を入力して下さい。");
    if (trimmed.contains(kSeparator) || trimmed.contains(QLatin1Char('\r')) || trimmed.contains(QLatin1Char('\n')))
        return QStringLiteral("機械の名前にタブや改行は使えません。");
    std::string bytes;
    if (SjisEncoder().encode(toEditorText(trimmed), bytes))
        return QStringLiteral("機械の名前に使えない文字があります。");
    const QStringList existing = names();
    for (int i = 0; i < existing.size(); ++i)
        if (i != exceptIndex && existing[i].compare(trimmed, Qt::CaseInsensitive) == 0)
            return QStringLiteral("機械 %1 は既にあります。").arg(trimmed);
    return QString();
}

bool MachineProfiles::add(const QString &name)
{
    if (!nameProblem(name).isEmpty())
        return false;
    auto profiles = all();
    profiles << fromComm(name.trimmed());
    writeAll(profiles, static_cast<int>(profiles.size()) - 1);
    return true;
}

bool MachineProfiles::rename(int i, const QString &name)
{
    auto profiles = all();
    if (i < 0 || i >= profiles.size() || !nameProblem(name, i).isEmpty())
        return false;
    profiles[i].name = name.trimmed();
    writeAll(profiles, active());
    return true;
}

bool MachineProfiles::remove(int i)
{
    auto profiles = all();
    if (i < 0 || i >= profiles.size() || profiles.size() < 2)
        return false;
    const int a = active();
    profiles.removeAt(i);
    int next = a;
    if (a == i) {
        next = 0;
        toComm(profiles[0]);
    } else if (a > i) {
        next = a - 1;
    }
    writeAll(profiles, next);
    return true;
}

QStringList rememberedNetworkPorts(const SettingsStore &store)
{
    const QString value = store.get(setting::NETPORTS);
    return value.isEmpty() ? QStringList() : value.split(kSeparator, Qt::SkipEmptyParts);
}

void rememberNetworkPort(SettingsStore &store, const QString &port)
{
    QStringList ports = rememberedNetworkPorts(store);
    ports.removeAll(port);
    ports.prepend(port);
    while (ports.size() > kRememberedNetworkPorts)
        ports.removeLast();
    store.set(setting::NETPORTS, ports.join(kSeparator));
}

}  // namespace marbolt
