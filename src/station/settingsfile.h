#pragma once
// The settings file: Shift-JIS text, CR LF, sections COMM, EDIT and RECENT,
// then MARBOLT with the program's own additions. Reading ignores the
// sections (every line goes into the store); writing emits the known keys
// in their fixed order.
#include "common/settingsstore.h"

#include <QString>

namespace marbolt {

// Values written from the window rather than from the store.
struct SettingsOverrides {
    QString font;  // editor font size in points
    QString name;  // editor font face as the user chose it
    QString sort;  // "1" when the index box is sorted, otherwise "0"
};

// Replaces the store's lines with the file's lines. False when the file
// does not exist or cannot be read; the store is then unchanged.
bool readSettingsFile(const QString &path, SettingsStore &store);
// The same for the file's bytes.
void readSettingsBytes(const QByteArray &bytes, SettingsStore &store);

// The bytes of the settings file for the store's values.
QByteArray settingsFileBytes(const SettingsStore &store, const SettingsOverrides &overrides);

// Writes beside the old file and renames it over, so that a failed write
// leaves the old file as it was. False on failure.
bool writeSettingsFile(const QString &path, const SettingsStore &store,
                       const SettingsOverrides &overrides);

}  // namespace marbolt
