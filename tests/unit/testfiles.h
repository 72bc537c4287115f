#pragma once
// Whole-file helpers for tests that check bytes on disk.
#include <QByteArray>
#include <QFile>
#include <QString>

inline QByteArray readFileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// False when the file cannot be written.
inline bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
