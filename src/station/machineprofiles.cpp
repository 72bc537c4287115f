#include "station/machineprofiles.h"

#include "document/sjistext.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <optional>

namespace marbolt {

namespace {

const QChar kSeparator = QLatin1Char('\t');
const QLatin1StringView kNameField("NAME");

// MACHINEn (the one-line form) or MACHINEn.FIELD.
const QRegularExpression &machineKeyPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^%1([0-9]{1,6})(?:\\.(.*))?$").arg(kMachineListKey),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// What the store holds for one machine number, first occurrences only.
struct Gathered {
    QList<std::pair<QString, QString>> fields;  // keyed form
    std::optional<QString> line;                // one-line form
};

void addField(Gathered &g, const QString &field, const QString &value)
{
    for (const auto &f : g.fields)
        if (f.first.compare(field, Qt::CaseInsensitive) == 0)
            return;  // the first one counts, as for every key of the store
    g.fields.append({field, value});
}

MachineProfile withStartupValues()
{
    MachineProfile profile;
    for (std::size_t k = 0; k < kProfileKeys.size(); ++k)
        profile.values[k] = QString::fromUtf8(kProfileKeys[k]->startup);
    return profile;
}

int knownField(const QString &field)
{
    for (std::size_t k = 0; k < kProfileKeys.size(); ++k)
        if (field.compare(kProfileKeys[k]->key(), Qt::CaseInsensitive) == 0)
            return static_cast<int>(k);
    return -1;
}

MachineProfile fromFields(const Gathered &g)
{
    MachineProfile profile = withStartupValues();
    for (const auto &[field, value] : g.fields) {
        if (field.compare(kNameField, Qt::CaseInsensitive) == 0)
            profile.name = value;
        else if (const int k = knownField(field); k >= 0)
            profile.values[static_cast<std::size_t>(k)] = value;
        else
            profile.extra.append({field, value});
    }
    return profile;
}

MachineProfile fromOneLine(const QString &line, const QString &key, QStringList &problems)
{
    const QStringList fields = line.split(kSeparator);
    MachineProfile profile = withStartupValues();
    profile.name = fields[0];
    const qsizetype given = fields.size() - 1;
    const auto known = static_cast<qsizetype>(kProfileKeys.size());
    for (qsizetype k = 0; k < std::min(given, known); ++k)
        profile.values[static_cast<std::size_t>(k)] = fields[k + 1];
    for (qsizetype k = known; k < given; ++k)
        profile.extra.append({QStringLiteral("VALUE%1").arg(k + 1), fields[k + 1]});
    if (given < known)
        problems << QStringLiteral("%1: 値が %2 個しかありません（残りは既定値にしました）").arg(key).arg(given);
    else if (given > known)
        problems << QStringLiteral("%1: 値が %2 個多くあります（VALUE%3 以降として残しました）")
                        .arg(key)
                        .arg(given - known)
                        .arg(known + 1);
    return profile;
}

}  // namespace

const QString *MachineProfile::extraField(QLatin1StringView name) const
{
    for (const auto &[key, value] : extra)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return &value;
    return nullptr;
}

void MachineProfile::setExtraField(QLatin1StringView name, const QString &value)
{
    for (auto &[key, old] : extra)
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            old = value;
            return;
        }
    extra.append({QString(name), value});
}

QString MachineProfile::value(const SettingKey &key) const
{
    const int k = knownField(QString(key.key()));
    return k < 0 ? QString() : values[static_cast<std::size_t>(k)];
}

void MachineProfile::setValue(const SettingKey &key, const QString &value)
{
    const int k = knownField(QString(key.key()));
    if (k >= 0)
        values[static_cast<std::size_t>(k)] = value;
}

QString machineKey(int i)
{
    return QString(kMachineListKey) + QString::number(i + 1);
}

MachineList readMachines(const SettingsStore &store)
{
    std::map<int, Gathered> byNumber;
    for (const QString &line : store.lines()) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const auto match = machineKeyPattern().match(line.left(eq));
        if (!match.hasMatch())
            continue;
        const int n = match.captured(1).toInt();
        if (n < 1)
            continue;
        const QString value = line.mid(eq + 1);
        Gathered &g = byNumber[n];
        if (match.capturedStart(2) < 0) {
            if (!g.line)
                g.line = value;
        } else if (!match.captured(2).isEmpty()) {
            addField(g, match.captured(2), value);
        }
    }
    MachineList list;
    for (const auto &[n, g] : byNumber) {
        const QString key = QString(kMachineListKey) + QString::number(n);
        MachineProfile profile;
        if (!g.fields.isEmpty())
            profile = fromFields(g);  // the keyed form wins over an old line of the same number
        else if (g.line && !g.line->isEmpty())
            profile = fromOneLine(*g.line, key, list.problems);
        else
            continue;
        if (profile.name.trimmed().isEmpty()) {
            profile.name = QStringLiteral("機械%1").arg(n);
            list.problems << QStringLiteral("%1: 名前がありません（%2 としました）").arg(key, profile.name);
        }
        list.profiles << profile;
        list.numbers << n;
    }
    return list;
}

QStringList machineLines(const QList<MachineProfile> &profiles)
{
    QStringList lines;
    for (int i = 0; i < profiles.size(); ++i) {
        const MachineProfile &p = profiles[i];
        const QString prefix = machineKey(i) + u'.';
        lines << prefix + kNameField + u'=' + p.name;
        for (std::size_t k = 0; k < kProfileKeys.size(); ++k)
            lines << prefix + kProfileKeys[k]->key() + u'=' + p.values[k];
        for (const auto &[field, value] : p.extra)
            lines << prefix + field + u'=' + value;
    }
    return lines;
}

QString machineProblemsMessage(const QStringList &problems)
{
    return QStringLiteral("設定ファイルの機械の設定に、そのままでは読めない行がありました。\r%1\r"
                          "機械はすべて残しています。通信設定で確かめて下さい。")
        .arg(problems.join(u'\r'));
}

QList<MachineProfile> MachineProfiles::all() const
{
    return readMachines(store_).profiles;
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
    const auto n = store_.number(setting::MACHINE);
    const qsizetype i = n ? readMachines(store_).numbers.indexOf(*n) : -1;
    return i >= 0 ? static_cast<int>(i) : 0;
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
    // Every machine line goes, old form or new, and the machines take the
    // place of the first in their keyed form, so that writing what is
    // there changes nothing. The file writes them in their own section.
    QStringList lines;
    qsizetype at = -1;
    for (const QString &line : store_.lines()) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && machineKeyPattern().match(line.left(eq)).hasMatch()) {
            if (at < 0)
                at = lines.size();
        } else {
            lines << line;
        }
    }
    const QStringList machines = machineLines(profiles);
    if (at < 0)
        lines << machines;
    else
        lines = lines.mid(0, at) + machines + lines.mid(at);
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
    profiles[a].values = fromComm(profiles[a].name).values;  // its unknown fields stay
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

bool MachineProfiles::setExtra(int i, const QList<std::pair<QString, QString>> &extra)
{
    auto profiles = all();
    if (i < 0 || i >= profiles.size())
        return false;
    profiles[i].extra = extra;
    writeAll(profiles, active());
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
