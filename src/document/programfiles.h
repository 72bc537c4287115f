#pragma once
// Programs written to files of their own: the file's name from its O-line
// and its text as CR LF lines. Pure.
#include <QString>

#include <string>
#include <string_view>

namespace marbolt {

// text split into lines at CR LF, CR or LF, each written back with CR LF,
// the last one included; an empty text stays empty.
std::string crLfLines(std::string_view text);

// folder, a separator, the entry and ".nc"; a folder that already ends
// with the separator (the root) does not get a second one.
QString programFilePath(const QString &folder, const QString &entry);

// Whether the entry names a file that lies directly in folder: not when it
// holds "/" or a NUL (a subfolder, or a name the system cuts short), is "."
// or "..", or its path leads anywhere else.
bool namesFileInFolder(const QString &folder, const QString &entry);

}  // namespace marbolt
