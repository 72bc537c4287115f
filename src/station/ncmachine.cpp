#include "station/ncmachine.h"

namespace marbolt {

namespace {

const QLatin1StringView kKindField("NCKIND");
const QLatin1StringView kRapidField("RAPID");
const QLatin1StringView kSafeZField("SAFEZ");

}  // namespace

NcMachine ncMachineOf(const MachineProfile &profile)
{
    NcMachine m;
    if (const QString *kind = profile.extraField(kKindField))
        m.lathe = kind->trimmed().compare(QLatin1String("LATHE"), Qt::CaseInsensitive) == 0;
    if (const QString *rapid = profile.extraField(kRapidField)) {
        bool ok = false;
        const double value = rapid->trimmed().toDouble(&ok);
        if (ok && value >= kSlowestRapid && value <= kFastestRapid)
            m.rapidRate = value;
    }
    if (const QString *safe = profile.extraField(kSafeZField)) {
        bool ok = false;
        const double value = safe->trimmed().toDouble(&ok);
        if (ok && value >= kLowestSafeZ && value <= kHighestSafeZ)
            m.safeZ = value;
    }
    return m;
}

void setNcMachine(MachineProfile &profile, const NcMachine &machine)
{
    profile.setExtraField(kKindField, machine.lathe ? QStringLiteral("LATHE") : QStringLiteral("MILL"));
    profile.setExtraField(kRapidField, QString::number(machine.rapidRate, 'g', 10));
    profile.setExtraField(kSafeZField, QString::number(machine.safeZ, 'g', 10));
}

nc::ReadOptions readOptionsFor(const NcMachine &machine)
{
    nc::ReadOptions options;
    options.motion.lathe = machine.lathe;
    options.rapidRate = machine.rapidRate;
    return options;
}

NcMachine activeNcMachine(SettingsStore &store)
{
    const MachineProfiles profiles(store);
    const QList<MachineProfile> all = profiles.all();
    return all.isEmpty() ? NcMachine{} : ncMachineOf(all[profiles.active()]);
}

}  // namespace marbolt
