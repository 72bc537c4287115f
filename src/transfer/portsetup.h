#pragma once
// The port properties a transfer sets from the settings before each Open;
// the others keep the values the main window gave its ports.
#include "serial/lineport.h"

#include <QString>

#include <optional>

namespace marbolt {

class Dialogs;
class SettingsStore;

void setUpSendPort(LinePort &port, int speed, const SettingsStore &settings);
void setUpReceivePort(LinePort &port, int speed, const SettingsStore &settings);
// The same with the port's name and stop bits given.
void setUpSendPort(LinePort &port, int speed, const QString &portname, const QString &stopbit);
void setUpReceivePort(LinePort &port, int speed, const QString &portname, const QString &stopbit);

}  // namespace marbolt
