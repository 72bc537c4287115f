// The settings file as read at start: any bytes. Reading, writing and
// reading again gives back the very bytes of the first write.
#include "fuzzcheck.h"

#include "station/settingsfile.h"

using namespace marbolt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    SettingsStore store;
    readSettingsBytes(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)), store);
    store.restoreMissingDefaults();
    const SettingsOverrides overrides{store.get(QStringLiteral("FONT")), store.get(QStringLiteral("NAME")),
                                      store.get(QStringLiteral("SORT"))};
    const QByteArray first = settingsFileBytes(store, overrides);
    SettingsStore again;
    readSettingsBytes(first, again);
    const SettingsOverrides overridesAgain{again.get(QStringLiteral("FONT")), again.get(QStringLiteral("NAME")),
                                           again.get(QStringLiteral("SORT"))};
    FUZZ_CHECK(settingsFileBytes(again, overridesAgain) == first);
    return 0;
}
