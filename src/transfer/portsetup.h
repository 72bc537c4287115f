#pragma once
// The port properties a transfer sets from the settings before each Open;
// the others keep the values the main window gave its ports.
#include "serial/rs232c.h"

#include <optional>

namespace marbolt {

class Dialogs;
class SettingsStore;

// A setting a transfer needs as a whole number (SPEED, WAIT, FEED). One that
// is not a number is shown in an error box naming the key, and gives
// nullopt: the transfer then ends before anything goes out. emptyIsZero
// takes an empty value as 0.
std::optional<int> settingNumber(const SettingsStore &settings, const char *key, Dialogs &dialogs,
                                 bool emptyIsZero = false);

void setUpSendPort(Trs232c &port, int speed, const SettingsStore &settings);
void setUpReceivePort(Trs232c &port, int speed, const SettingsStore &settings);

}  // namespace marbolt
