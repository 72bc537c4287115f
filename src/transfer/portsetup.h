#pragma once
// The port properties a transfer sets from the settings before each Open;
// the others keep the values the main window gave its ports.
#include "serial/rs232c.h"

namespace marbolt {

class SettingsStore;

void setUpSendPort(Trs232c &port, int speed, const SettingsStore &settings);
void setUpReceivePort(Trs232c &port, int speed, const SettingsStore &settings);

}  // namespace marbolt
