#pragma once
// A machine's communication values read once, typed, from its profile:
// what the settings file keeps as text under the machine's keys.
#include "station/machineprofiles.h"
#include "transfer/transfervalues.h"

#include <QString>

#include <optional>

namespace marbolt {

// The values of a profile. A number that is not a whole number gives
// nullopt, and the message that names its key goes to problem.
std::optional<TransferValues> transferValues(const MachineProfile &profile, QString *problem = nullptr);

}  // namespace marbolt
