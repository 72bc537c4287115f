#pragma once
// Saving each program of the index to a file of its own in a folder, named
// after its O-line. Pure of widgets: the window gives the text and the
// entries and shows what comes back.
#include "document/programindex.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace marbolt {

struct ProgramSaveFailure {
    qsizetype entry = 0;  // the program that could not be written
    QString message;      // the box text
};

// Writes the program of every entry, in list order, to folder/entry.nc as
// CR LF lines. An entry that cannot name a file directly in folder, or a
// file that cannot be written, ends the command there: the files before it
// stay written, the later ones are not. progress(done, total) is called as
// the files go out.
std::optional<ProgramSaveFailure> saveEachProgram(
    std::string_view text, const QStringList &entries, const QString &folder,
    const std::function<void(qsizetype done, qsizetype total)> &progress = {});

}  // namespace marbolt
