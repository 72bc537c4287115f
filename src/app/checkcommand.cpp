#include "app/checkcommand.h"

#include "app/commandinput.h"
#include "common/commandoutput.h"
#include "document/sjistext.h"
#include "document/textlines.h"
#include "transfer/sendcheck.h"

#include <string>
#include <vector>

namespace marbolt {

int runCheckCommand(const QString &file, const QString &code, const AppPaths &paths, std::FILE *out,
                    std::FILE *err)
{
    const SettingsStore settings = commandSettings(paths);
    SendOptions options;
    options.headPercent = settings.isOn(setting::HEAD);
    options.code = punchCodeFor((code.isEmpty() ? settings.get(setting::CODE) : code).toLatin1().constData());

    // The file as the program opens it, then as a send encodes it.
    const std::optional<std::string> read = readCommandFile(file, err);
    if (!read)
        return 2;
    const std::string &text = *read;
    std::string source;
    if (const auto failure = SjisEncoder().encode(text, source)) {
        printText(err, QStringLiteral("%1: シフトJISで表せない文字 U+%2 があります。\n")
                       .arg(file)
                       .arg(static_cast<uint>(failure->codePoint), 4, 16, QChar(u'0')));
        return 2;
    }
    const PreparedText prepared = prepareSendText(source, options);
    const std::vector<CheckFinding> findings = checkSendText(prepared.text, options.code);
    const std::vector<std::size_t> starts = lineStarts(text);
    PlaceWalk places(source);
    for (const CheckFinding &f : findings) {
        std::size_t at = prepared.sourceOffset(f.offset);
        if (at == std::string::npos)
            at = source.size();
        const TextPlace place = places.at(at);
        printText(out, QStringLiteral("%1:%2:%3: %4: %5\n")
                       .arg(file)
                       .arg(place.line + 1)
                       .arg(place.column + 1)
                       .arg(checkKindText(f.kind), lineText(text, starts, place.line)));
    }
    return findings.empty() ? 0 : 1;
}

}  // namespace marbolt
