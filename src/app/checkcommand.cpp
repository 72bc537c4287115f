#include "app/checkcommand.h"

#include "app/settingsfile.h"
#include "document/ncfile.h"
#include "document/sjistext.h"
#include "transfer/sendcheck.h"

#include <QFileInfo>

#include <limits>
#include <string>
#include <vector>

namespace marbolt {

namespace {

void print(std::FILE *to, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), to);
}

// Line `index` of editor text, without its line break.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}
    QString at(std::size_t index)
    {
        while (line_ < index && start_ < text_.size()) {
            const std::size_t lf = text_.find('\n', start_);
            start_ = lf == std::string_view::npos ? text_.size() : lf + 1;
            ++line_;
        }
        std::size_t end = text_.find('\n', start_);
        if (end == std::string_view::npos)
            end = text_.size();
        if (end > start_ && text_[end - 1] == '\r')
            --end;
        return QString::fromUtf8(text_.data() + start_, static_cast<qsizetype>(end - start_));
    }

private:
    std::string_view text_;
    std::size_t line_ = 0;
    std::size_t start_ = 0;
};

}  // namespace

bool asksForCheck(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("--check"));
}

int runCheckCommand(const QStringList &arguments, const AppPaths &paths, std::FILE *out, std::FILE *err)
{
    const QString usage = QStringLiteral("使い方: marbolt --check ファイル [--code ISO|EIA|NONE]\n");
    QString file;
    QString code;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--check") && i + 1 < arguments.size() && file.isEmpty()) {
            file = arguments[++i];
        } else if (a == QLatin1String("--code") && i + 1 < arguments.size()) {
            code = arguments[++i].toUpper();
        } else {
            print(err, usage);
            return 2;
        }
    }
    if (file.isEmpty() || (!code.isEmpty() && code != QLatin1String("ISO") && code != QLatin1String("EIA")
                           && code != QLatin1String("NONE"))) {
        print(err, usage);
        return 2;
    }

    SettingsStore settings;
    settings.storeDefaults(paths.exeFolderWithSeparator());
    readSettingsFile(paths.storageFile(QStringLiteral(".ini")), settings);
    settings.restoreMissingDefaults();
    SendOptions options;
    options.headPercent = settings.isOn(setting::HEAD);
    options.code = punchCodeFor((code.isEmpty() ? settings.get(setting::CODE) : code).toLatin1().constData());

    // The file as the program opens it, then as a send encodes it.
    std::string text;
    const ReadResult read = readNcFile(file, std::numeric_limits<std::uint64_t>::max(), [&](std::string_view piece) {
        text.append(piece);
        return true;
    });
    if (read.status != ReadStatus::Ok) {
        print(err, QStringLiteral("%1 を開けませんでした。\n").arg(file));
        return 2;
    }
    std::string source;
    if (const auto failure = SjisEncoder().encode(text, source)) {
        print(err, QStringLiteral("%1: シフトJISで表せない文字 U+%2 があります。\n")
                       .arg(file)
                       .arg(static_cast<uint>(failure->codePoint), 4, 16, QChar(u'0')));
        return 2;
    }
    const PreparedText prepared = prepareSendText(source, options);
    const std::vector<CheckFinding> findings = checkSendText(prepared.text, options.code);
    Lines lines(text);
    PlaceWalk places(source);
    for (const CheckFinding &f : findings) {
        std::size_t at = prepared.sourceOffset(f.offset);
        if (at == std::string::npos)
            at = source.size();
        const TextPlace place = places.at(at);
        print(out, QStringLiteral("%1:%2:%3: %4: %5\n")
                       .arg(file)
                       .arg(place.line + 1)
                       .arg(place.column + 1)
                       .arg(checkKindText(f.kind), lines.at(place.line)));
    }
    return findings.empty() ? 0 : 1;
}

}  // namespace marbolt
