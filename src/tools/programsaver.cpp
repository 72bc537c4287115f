#include "tools/programsaver.h"

#include "document/filereplacement.h"
#include "document/ncfile.h"
#include "document/programfiles.h"

#include <string>
#include <vector>

namespace marbolt {

namespace {

// Files staged before one sync of the disk puts them in place: few enough
// to stay open at once, many enough that the sync costs little per file.
constexpr qsizetype kBatch = 256;

}  // namespace

std::optional<ProgramSaveFailure> saveEachProgram(
    std::string_view text, const QStringList &entries, const QString &folder,
    const std::function<void(qsizetype, qsizetype)> &progress)
{
    const std::vector<ProgramExtent> extents = entryExtents(text, entries);

    // A link standing at a program's name gives way to the file: nothing
    // is written outside the folder.
    FileReplacement batch(FileReplacement::Links::Replace);
    std::vector<qsizetype> batchEntries;
    auto commit = [&]() -> std::optional<ProgramSaveFailure> {
        const auto failure = batch.commit();
        if (!failure)
            return std::nullopt;
        // Which of the batch failed: the files put before it stay.
        qsizetype failed = batchEntries.front();
        for (qsizetype e : batchEntries)
            if (programFilePath(folder, entries[e]) == failure->path) {
                failed = e;
                break;
            }
        return ProgramSaveFailure{failed, writeFailureMessage(failure->path, writeResultOf(*failure))};
    };
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString path = programFilePath(folder, entries[i]);
        std::optional<ProgramSaveFailure> failure;
        if (!namesFileInFolder(folder, entries[i])) {
            // No reason of the system's to give: the name itself is refused.
            WriteResult refused;
            refused.status = WriteStatus::CannotCreate;
            failure = ProgramSaveFailure{i, writeFailureMessage(path, refused)};
        } else {
            const ProgramExtent &e = extents[static_cast<std::size_t>(i)];
            std::string bytes;
            WriteResult encoded = encodeNcText(crLfLines(text.substr(e.start, e.end - e.start)), bytes);
            if (encoded.status == WriteStatus::Ok) {
                if (const auto staged = batch.stage(path, bytes))
                    encoded = writeResultOf(*staged);
            }
            if (encoded.status != WriteStatus::Ok)
                failure = ProgramSaveFailure{i, writeFailureMessage(path, encoded)};
        }
        if (failure) {
            // The programs before this one are written all the same.
            if (auto earlier = commit())
                return earlier;
            return failure;
        }
        batchEntries.push_back(i);
        if (batch.staged() >= static_cast<std::size_t>(kBatch) || i + 1 == entries.size()) {
            if (auto failed = commit())
                return failed;
            batchEntries.clear();
            if (progress)
                progress(i + 1, entries.size());
        }
    }
    return std::nullopt;
}

}  // namespace marbolt
