#include "document/programfiles.h"

#include <QDir>
#include <QFileInfo>

namespace marbolt {

std::string crLfLines(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos) {
            out.append(text.substr(i));
            out += "\r\n";
            break;
        }
        out.append(text.substr(i, end - i));
        out += "\r\n";
        i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return out;
}

QString programFilePath(const QString &folder, const QString &entry)
{
    QString base = folder;
    const QString separator = QDir::separator();
    if (base.endsWith(separator) || base.endsWith(u'/'))
        base.chop(1);
    return base + separator + entry + QStringLiteral(".nc");
}

}  // namespace marbolt

namespace marbolt {

bool namesFileInFolder(const QString &folder, const QString &entry)
{
    if (entry.contains(u'/') || entry.contains(QChar(0)) || entry == u"." || entry == u"..")
        return false;
    const QString path = programFilePath(folder, entry);
    return QDir::cleanPath(QFileInfo(path).absolutePath()) == QDir::cleanPath(QDir(folder).absolutePath());
}

}  // namespace marbolt
