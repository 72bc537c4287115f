#pragma once
// The send log: a Shift-JIS text file beside the settings file, one CR LF
// line per whole-document send, under two header lines written when the
// file is created. It is only ever appended to.
#include <QDateTime>
#include <QString>

#include <optional>

namespace marbolt {

// "日時" and nine ideographic spaces, then "送信ファイル名".
QString sendLogHeader();
// 55 hyphen-minus characters.
QString sendLogRule();
// The local date-time text: short date, one blank, long time.
QString sendLogDateTime(const QDateTime &when);
// One line: date-time, the file name or "無題", and the result.
QString sendLogLine(const QDateTime &when, const QString &filename, bool interrupted);

// Appends line (creating the file with its header first); nullopt on
// success, else the message to show.
std::optional<QString> appendSendLog(const QString &path, const QString &line);

}  // namespace marbolt
