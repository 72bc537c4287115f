#pragma once
// What the command-line modes print: UTF-8 text to a stream.
#include <QString>

#include <cstdio>

namespace marbolt {

inline void printText(std::FILE *to, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), to);
}

}  // namespace marbolt
