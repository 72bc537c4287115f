#pragma once
// Records the history could not take before their program ended (the
// database away at the time), kept as files of their own in a folder
// beside the settings until a recorder of any process on this PC writes
// them. Each record is one file, written whole or not at all; a recorder
// takes a file by renaming it to a name with its pid, so two processes
// never take the same one, and the files of a process that died while it
// held them are taken again.
#include "history/historydatabase.h"
#include "transfer/transferrecord.h"

#include <QString>

#include <vector>

namespace marbolt {

struct PendingRecord {
    TransferRecord record;
    RecordOrigin origin;
    QString file;  // the taken file while it is in a queue ("" for a new record)
};

// "marbolt-history-pending" beside the settings file.
QString pendingFolderFor(const QString &settingsFile);

// Writes each record as a file of its own; the number written.
int keepPending(const QString &folder, const std::vector<PendingRecord> &records);
// Takes every record waiting in folder (and those a dead process held).
std::vector<PendingRecord> takePending(const QString &folder);
// A taken record is written: its file goes.
void dropPending(const PendingRecord &record);

}  // namespace marbolt
