#include "station/profilevalues.h"

#include "common/settingsstore.h"

namespace marbolt {

std::optional<TransferValues> transferValues(const MachineProfile &profile, QString *problem)
{
    // The profile's values read as the window reads its own.
    SettingsStore store;
    for (const SettingKey *key : kProfileKeys)
        store.set(*key, profile.value(*key));
    return readTransferValues(store, problem);
}

}  // namespace marbolt
