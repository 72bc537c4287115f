#include "station/station.h"

namespace marbolt {

Station::Station(StationPlace place, Clock &clock, SerialSystem &serial, QObject *parent)
    : QObject(parent), place_(std::move(place)), clock_(clock), serial_(serial)
{
}

Station::~Station() = default;

QStringList Station::load()
{
    settings_ = SettingsStore();
    settings_.storeDefaults(place_.startFolderWithSeparator);
    readSettingsFile(place_.settingsFile, settings_);
    settings_.restoreMissingDefaults();
    const QStringList problems = readMachines(settings_).problems;
    // [COMM] is the active machine's; a file without machines starts one.
    MachineProfiles(settings_).keepActive();
    return problems;
}

bool Station::save(const SettingsOverrides &overrides)
{
    MachineProfiles(settings_).keepActive();
    return writeSettingsFile(place_.settingsFile, settings_, overrides);
}

TransferSession *Station::session(int machine, QString *problem)
{
    MachineProfiles profiles(settings_);
    profiles.keepActive();  // the active machine's values as the settings dialog left them
    const QList<MachineProfile> all = profiles.all();
    if (machine < 0 || machine >= all.size())
        return nullptr;
    const MachineProfile &profile = all[machine];
    const std::optional<TransferValues> values = transferValues(profile, problem);
    auto found = sessions_.find(machine);
    if (found == sessions_.end()) {
        auto session = std::make_unique<TransferSession>(profile.name, values.value_or(TransferValues{}), clock_,
                                                         serial_);
        connect(session.get(), &TransferSession::statusChanged, this, &Station::sessionsChanged);
        found = sessions_.emplace(machine, std::move(session)).first;
        emit sessionsChanged();
    } else if (values && !found->second->busy()) {
        found->second->setValues(*values);
    }
    return found->second.get();
}

bool Station::busy() const
{
    for (const auto &[machine, session] : sessions_)
        if (session->busy())
            return true;
    return false;
}

}  // namespace marbolt
