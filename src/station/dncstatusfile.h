#pragma once
// The served machines' states as the DNC server publishes them to a
// window on the same PC: a small JSON file the server rewrites (in one
// rename) when a state changes and at least every few seconds, so that a
// file older than that, or one whose process is gone, tells the window
// the server is not running.
#include "station/dncmachineserver.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace marbolt {

struct DncSnapshot {
    qint64 pid = 0;
    QDateTime written;
    std::vector<DncMachineStatus> machines;
};

// The file's name in the program's storage folder.
QString dncStatusFileName();

// In the same folder as the settings file.
QString dncStatusPath(const QString &settingsFile);

bool writeDncSnapshot(const QString &path, const DncSnapshot &snapshot);
std::optional<DncSnapshot> readDncSnapshot(const QString &path);

// How often a running server rewrites the file at the least, and how old
// a file may be before its server counts as gone.
inline constexpr int kSnapshotBeatMs = 2000;
inline constexpr int kSnapshotStaleMs = 10000;

// The snapshot's server runs: written lately, by a process that exists.
bool snapshotLive(const DncSnapshot &snapshot, const QDateTime &now);

}  // namespace marbolt
