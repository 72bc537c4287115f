#pragma once
// What the NC reader needs to know of a machine: whether it is a
// machining centre or a lathe (X a diameter, U/W increments, the turning
// cycles), and its rapid rate for the cycle time. They are fields of the
// machine's profile (MACHINEn.NCKIND=MILL or LATHE, MACHINEn.RAPID=mm/min),
// beside its communication values, and the safe Z a restart approaches
// from (MACHINEn.SAFEZ=mm); a machine without them is a machining centre
// at 10,000 mm/min with a safe Z of 50 mm.
#include "nc/ncprogram.h"
#include "station/machineprofiles.h"

namespace marbolt {

struct NcMachine {
    bool lathe = false;
    double rapidRate = 10000;  // mm/min
    // Where a restart approaches from: Z above the work's zero (a lathe:
    // away from its face), in mm.
    double safeZ = 50;
    bool operator==(const NcMachine &) const = default;
};

// The rapid rates a profile may name; a value outside is read as the
// default (a typing slip must not make every program take a week).
inline constexpr double kSlowestRapid = 100;
inline constexpr double kFastestRapid = 200000;
inline constexpr double kLowestSafeZ = -9999;
inline constexpr double kHighestSafeZ = 9999;

NcMachine ncMachineOf(const MachineProfile &profile);
void setNcMachine(MachineProfile &profile, const NcMachine &machine);
// The machine's values for the NC reader.
nc::ReadOptions readOptionsFor(const NcMachine &machine);

// The active machine's values in the store.
NcMachine activeNcMachine(SettingsStore &store);

}  // namespace marbolt
