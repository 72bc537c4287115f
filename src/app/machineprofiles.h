#pragma once
// Machine profiles: a name and the communication values of one machine
// tool (everything of [COMM]). The store keeps them all: [COMM] holds the
// active machine's values, as every transfer reads them, and MACHINE1,
// MACHINE2, ... hold each machine's line, with MACHINE naming the active
// one. These functions keep the two consistent; none holds state itself.
#include "common/settingsstore.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace marbolt {

struct MachineProfile {
    QString name;
    std::array<QString, kProfileKeys.size()> values;  // in kProfileKeys order
    bool operator==(const MachineProfile &) const = default;
};

// The line of a profile and back. A line that holds no name, or fewer
// values, gives nullopt; missing trailing values are never guessed.
QString profileLine(const MachineProfile &profile);
std::optional<MachineProfile> profileFromLine(const QString &line);

class MachineProfiles {
public:
    explicit MachineProfiles(SettingsStore &store) : store_(store) {}

    // Makes the store hold at least one profile: a settings file without
    // any starts with one named after its PORT with the [COMM] values.
    void ensureOne();

    QList<MachineProfile> all() const;
    QStringList names() const;
    int count() const;
    // 0-based; a MACHINE value out of range reads as the first.
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

private:
    void writeAll(const QList<MachineProfile> &profiles, int active);
    MachineProfile fromComm(const QString &name) const;
    void toComm(const MachineProfile &profile);

    SettingsStore &store_;
};

// The key of profile i (0-based): MACHINE1, MACHINE2, ...
QString machineKey(int i);

// The network ports typed before, most recent first, and the list with
// port put first (at most kRememberedNetworkPorts).
inline constexpr int kRememberedNetworkPorts = 8;
QStringList rememberedNetworkPorts(const SettingsStore &store);
void rememberNetworkPort(SettingsStore &store, const QString &port);

}  // namespace marbolt
