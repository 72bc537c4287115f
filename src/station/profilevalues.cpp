#include "station/profilevalues.h"

#include "common/settingsstore.h"

#include <algorithm>

namespace marbolt {

std::optional<TransferValues> transferValues(const MachineProfile &profile, QString *problem)
{
    // The values read as the store reads its own, by the one parser.
    SettingsStore store;
    for (const SettingKey *key : kProfileKeys)
        store.set(*key, profile.value(*key));
    TransferValues v;
    for (const auto &[key, out] : {std::pair{&setting::SPEED, &v.speed}, std::pair{&setting::WAIT, &v.wait},
                                   std::pair{&setting::FEED, &v.feed}}) {
        const auto number = store.number(*key);
        if (!number) {
            if (problem)
                *problem = notWholeNumberMessage(QString(key->key()), store.get(*key));
            return std::nullopt;
        }
        *out = *number;
    }
    v.feed = std::max(0, v.feed);
    v.port = store.get(setting::PORT);
    v.stopbit = store.get(setting::STOPBIT);
    v.tape = store.isOn(setting::TAPE);
    v.sendRequest = store.isOn(setting::SE);
    v.log = store.isOn(setting::LOG);
    v.headPercent = store.isOn(setting::HEAD);
    v.code = punchCodeFor(store.get(setting::CODE).toLatin1().constData());
    return v;
}

}  // namespace marbolt
