#pragma once
// The ports the settings dialog offers: "COM1" to "COM8", then the serial
// devices present on this machine (USB adapters, modems, and their stable
// names under serial/by-id), so an adapter can be picked by its name.
#include <QString>
#include <QStringList>

namespace marbolt {

// devRoot is "/dev"; tests give a folder of their own.
QStringList serialPortChoices(const QString &devRoot = QStringLiteral("/dev"));

}  // namespace marbolt
