#pragma once
// Shift-JIS bytes of a UTF-8 text, through the program's own code page.
#include <QString>
#include <QStringEncoder>

#include <string>

inline std::string sjis(const char *utf8)
{
    QStringEncoder encoder("windows-31j");
    const QByteArray bytes = encoder.encode(QString::fromUtf8(utf8));
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
