#include "settingsfile.h"

#include "document/filereplacement.h"
#include "document/sjistext.h"

#include <QFile>
#include <QFileInfo>

namespace marbolt {

bool readSettingsFile(const QString &path, SettingsStore &store)
{
    // A FIFO or a device by that name would hang the start or never end.
    if (!QFileInfo(path).isFile())
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return false;
    readSettingsBytes(bytes, store);
    return true;
}

void readSettingsBytes(const QByteArray &bytes, SettingsStore &store)
{
    // Letter case is kept (paths, the font name); every line break form
    // ends a line. Bytes that are not Shift-JIS are carried as escapes, so a
    // path holding them is written back unchanged.
    const std::string text = decodeSjisFile(
        viewOf(bytes),
        SjisFileDecoder::Case::Keep);
    QStringList lines = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                            .split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();  // the break after the last line ends it, it opens none
    store.replaceLines(std::move(lines));
}

QByteArray settingsFileBytes(const SettingsStore &store, const SettingsOverrides &overrides)
{
    static const char *const comm[] = {"SPEED", "STOPBIT", "PORT", "SE", "CODE",
                                       "HEAD%", "LOG", "TAPE", "FEED", "WAIT"};
    static const char *const edit[] = {"DIR", "FONT", "NAME", "OPENINDEX", "SAVEINDEX", "SORT"};
    static const char *const recent[] = {"FILE1", "FILE2", "FILE3", "FILE4", "FILE5"};

    SjisEncoder encoder;
    std::string out;
    auto header = [&](const char *section) {
        out += '[';
        out += section;
        out += "]\r\n";
    };
    auto entry = [&](const char *key, const QString &value) {
        out += key;
        out += '=';
        std::string bytes;
        // A value that code page 932 cannot hold (a path with such a
        // character) would come back as a different, wrong value: it is
        // written empty instead.
        if (!encoder.encode(toEditorText(value), bytes))
            out += bytes;
        out += "\r\n";
    };
    header("COMM");
    for (const char *k : comm)
        entry(k, store.get(QString::fromLatin1(k)));
    header("EDIT");
    for (const char *k : edit) {
        const QLatin1String key(k);
        if (key == QLatin1String("FONT"))
            entry(k, overrides.font);
        else if (key == QLatin1String("NAME"))
            entry(k, overrides.name);
        else if (key == QLatin1String("SORT"))
            entry(k, overrides.sort);
        else
            entry(k, store.get(key));
    }
    header("RECENT");
    for (const char *k : recent)
        entry(k, store.get(QString::fromLatin1(k)));
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

bool writeSettingsFile(const QString &path, const SettingsStore &store,
                       const SettingsOverrides &overrides)
{
    const QByteArray bytes = settingsFileBytes(store, overrides);
    return !replaceFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace marbolt
