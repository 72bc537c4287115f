#pragma once
// Machine profiles: a name and the communication values of one machine
// tool (everything of [COMM]). The store keeps them all: [COMM] holds the
// active machine's values, as every transfer reads them, and the machines
// stand in [MACHINES] as named keys, MACHINE1.NAME=, MACHINE1.SPEED=, ...,
// with MACHINE naming the active one. These functions keep the two
// consistent; none holds state itself.
//
// Reading never drops a machine: a field it does not know (a later
// version's) is carried and written back, a field missing is given its
// start-up value, and the one-line form of earlier versions
// (MACHINE1=name<TAB>SPEED<TAB>...) still reads, whatever its length.
#include "common/settingsstore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <utility>

namespace marbolt {

struct MachineProfile {
    QString name;
    std::array<QString, kProfileKeys.size()> values;  // in kProfileKeys order
    // Fields this program does not know, as read: written back unchanged.
    QList<std::pair<QString, QString>> extra;
    bool operator==(const MachineProfile &) const = default;

    // The value of one of the [COMM] keys, by its key; empty for another.
    QString value(const SettingKey &key) const;
    void setValue(const SettingKey &key, const QString &value);
    // A field of extra by its name in any case; null when absent. Set
    // under the name already there, or appended.
    const QString *extraField(QLatin1StringView name) const;
    void setExtraField(QLatin1StringView name, const QString &value);
};

// The machines of a store, in the order of their numbers.
struct MachineList {
    QList<MachineProfile> profiles;
    QList<int> numbers;  // the n of MACHINEn, for each profile
    // One text for each machine that could not be read as it stood (what
    // was filled in is said); empty when every machine read whole.
    QStringList problems;
};
MachineList readMachines(const SettingsStore &store);

// The [MACHINES] lines (key=value, without line ends) of profiles,
// numbered from 1.
QStringList machineLines(const QList<MachineProfile> &profiles);

// The message the window shows for problems.
QString machineProblemsMessage(const QStringList &problems);

class MachineProfiles {
public:
    explicit MachineProfiles(SettingsStore &store) : store_(store) {}

    // Makes the store hold at least one profile: a settings file without
    // any starts with one named after its PORT with the [COMM] values.
    void ensureOne();

    QList<MachineProfile> all() const;
    QStringList names() const;
    int count() const;
    // 0-based; a MACHINE value that names no machine reads as the first.
    int active() const;
    QString activeName() const;

    // The [COMM] values (as the settings dialog left them) become the
    // active profile's.
    void keepActive();
    // Profile i becomes active: the current values are kept first, then
    // i's values go into [COMM]. False for an index out of range.
    bool activate(int i);

    // Why a name cannot be used; empty when it can. exceptIndex: the
    // profile being renamed, which may keep its own name.
    QString nameProblem(const QString &name, int exceptIndex = -1) const;
    // A new profile with the [COMM] values under name; it becomes active.
    bool add(const QString &name);
    bool rename(int i, const QString &name);
    // Removes profile i (never the last); the first becomes active when i was.
    bool remove(int i);
    // Profile i's fields outside [COMM] (its name and its values stay as
    // they are). False for an index out of range.
    bool setExtra(int i, const QList<std::pair<QString, QString>> &extra);

private:
    void writeAll(const QList<MachineProfile> &profiles, int active);
    MachineProfile fromComm(const QString &name) const;
    void toComm(const MachineProfile &profile);

    SettingsStore &store_;
};

// The key prefix of profile i (0-based): MACHINE1, MACHINE2, ...
QString machineKey(int i);

// The network ports typed before, most recent first, and the list with
// port put first (at most kRememberedNetworkPorts).
inline constexpr int kRememberedNetworkPorts = 8;
QStringList rememberedNetworkPorts(const SettingsStore &store);
void rememberNetworkPort(SettingsStore &store, const QString &port);

}  // namespace marbolt
