#include "station/settingsfile.h"

#include "station/machineprofiles.h"

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
    SjisEncoder encoder;
    std::string out;
    auto header = [&](const char *section) {
        out += '[';
        out += section;
        out += "]\r\n";
    };
    auto entry = [&](const SettingKey &key, const QString &value) {
        out += key.name;
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
    for (const SettingKey *key : kCommKeys)
        entry(*key, store.get(*key));
    header("EDIT");
    for (const SettingKey *key : kEditKeys) {
        if (key == &setting::FONT)
            entry(*key, overrides.font);
        else if (key == &setting::NAME)
            entry(*key, overrides.name);
        else if (key == &setting::SORT)
            entry(*key, overrides.sort);
        else
            entry(*key, store.get(*key));
    }
    header("RECENT");
    for (const SettingKey *key : kRecentKeys)
        entry(*key, store.get(*key));
    header("MARBOLT");
    for (const SettingKey *key : kProgramKeys)
        entry(*key, store.get(*key));
    header("MACHINES");
    for (const QString &line : machineLines(readMachines(store).profiles)) {
        std::string bytes;
        if (encoder.encode(toEditorText(line), bytes))
            bytes = toEditorText(line.left(line.indexOf(u'=') + 1));  // as entry() does: empty, not wrong
        out += bytes;
        out += "\r\n";
    }
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

bool writeSettingsFile(const QString &path, const SettingsStore &store,
                       const SettingsOverrides &overrides)
{
    const QByteArray bytes = settingsFileBytes(store, overrides);
    return !replaceFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace marbolt
