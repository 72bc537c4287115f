#include "app/comparecommand.h"

#include "common/commandoutput.h"
#include "document/ncfile.h"
#include "document/textlines.h"
#include "tools/nccompare.h"

#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace marbolt {

int runCompareCommand(const QString &leftFile, const QString &rightFile, const CompareOptions &options,
                      std::FILE *out, std::FILE *err)
{
    const QString files[2] = {leftFile, rightFile};
    std::optional<std::string> texts[2];
    for (int i = 0; i < 2; ++i) {
        texts[i] = readNcText(files[i], std::numeric_limits<std::uint64_t>::max());
        if (!texts[i]) {
            printText(err, QStringLiteral("%1 を開けませんでした。\n").arg(files[i]));
            return 2;
        }
    }
    const std::vector<CompareBlock> left = compareBlocks(*texts[0], options);
    const std::vector<CompareBlock> right = compareBlocks(*texts[1], options);
    const std::vector<Difference> differences = compareTexts(left, right);
    const std::vector<std::size_t> leftStarts = lineStarts(*texts[0]);
    const std::vector<std::size_t> rightStarts = lineStarts(*texts[1]);
    // The line a run starts at, or, for a side without blocks in it, the
    // line of that side's next block (one past the last line at the end).
    auto lineAt = [](const std::vector<CompareBlock> &blocks, const std::vector<std::size_t> &starts,
                     std::size_t index) {
        return index < blocks.size() ? blocks[index].line + 1 : starts.size() + 1;
    };
    for (const Difference &d : differences) {
        const char *kind = d.kind == DifferenceKind::Changed    ? "changed"
                           : d.kind == DifferenceKind::OnlyLeft ? "only-left"
                                                                : "only-right";
        printText(out, QStringLiteral("%1,%2: %3\n")
                       .arg(lineAt(left, leftStarts, d.leftFirst))
                       .arg(lineAt(right, rightStarts, d.rightFirst))
                       .arg(QLatin1String(kind)));
        for (std::size_t i = 0; i < d.leftCount; ++i)
            printText(out, QStringLiteral("< %1\n").arg(lineText(*texts[0], leftStarts, left[d.leftFirst + i].line)));
        for (std::size_t i = 0; i < d.rightCount; ++i)
            printText(out, QStringLiteral("> %1\n").arg(lineText(*texts[1], rightStarts, right[d.rightFirst + i].line)));
        // A changed block: the words that changed, as "~ Y5. → Y6.".
        if (d.kind == DifferenceKind::Changed && d.leftCount == 1 && d.rightCount == 1) {
            const std::string words = describeWordChanges(lineView(*texts[0], leftStarts, left[d.leftFirst].line),
                                                          lineView(*texts[1], rightStarts, right[d.rightFirst].line),
                                                          options);
            if (!words.empty())
                printText(out, QStringLiteral("~ %1\n").arg(QString::fromStdString(words)));
        }
    }
    return differences.empty() ? 0 : 1;
}

}  // namespace marbolt
