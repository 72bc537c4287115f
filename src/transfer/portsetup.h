#pragma once
// The port properties a transfer sets from the settings before each Open;
// the others keep the values the main window gave its ports.
#include "serial/lineport.h"

#include <optional>

namespace marbolt {

class Dialogs;
class SettingsStore;

void setUpSendPort(LinePort &port, int speed, const SettingsStore &settings);
void setUpReceivePort(LinePort &port, int speed, const SettingsStore &settings);

}  // namespace marbolt
