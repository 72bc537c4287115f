#pragma once
// Where a machine's punched-out programs are kept without a window: each
// program of a reception in a file of its own in the machine's receive
// folder, named by its O-number (prefix, digits, extension by rule). A
// file already there is kept as a numbered backup ("O1234.nc.~1~", as
// cp --backup=numbered names them) and replaced in one step, so the name
// always holds a whole program, the old one or the new; a reception that
// failed is kept under a name of its own and never put over a program.
#include "common/clock.h"
#include "document/programsplit.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>
#include <vector>

namespace marbolt {

struct ProgramFileRule {
    QString prefix = QStringLiteral("O");
    int digits = 4;  // zero-padded: O0012
    QString extension = QStringLiteral(".nc");
    bool operator==(const ProgramFileRule &) const = default;
};

// "O0012.nc" for 12.
QString programFileName(long number, const ProgramFileRule &rule);

struct StoredFile {
    QString path;
    QString backup;  // the file it replaced, kept; empty when there was none
    std::optional<long> number;  // the program's O-number, when it had one
    qint64 bytes = 0;            // written
};

struct StoreResult {
    std::vector<StoredFile> files;
    QString failure;  // why a file could not be written; empty on success
};

class ReceiveFolder {
public:
    ReceiveFolder(QString folder, ProgramFileRule rule, Clock &clock = systemClock());

    // A whole reception: each program to its file; text without an O-line
    // to "received-YYYYMMDD-HHMMSS.nc".
    StoreResult storeReception(std::string_view received);
    // A reception that ended before its end: all of it, as it came, to
    // "failed-YYYYMMDD-HHMMSS.nc"; no program's file is touched.
    StoreResult storeFailed(std::string_view received);

    const QString &folder() const { return folder_; }

private:
    // bytes to name in the folder, the file there kept first.
    bool write(const QString &name, std::string_view bytes, StoredFile &stored, QString &failure);
    // A name not yet taken: base, or base with "-2", "-3", ... before the extension.
    QString freeName(const QString &base) const;

    QString folder_;
    ProgramFileRule rule_;
    Clock &clock_;
};

}  // namespace marbolt
