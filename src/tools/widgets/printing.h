#pragma once
// Printing on the printer the user set up: a stretch of lines as plain
// text, or the whole editor as it lays the text out.
#include <QFont>
#include <QString>
#include <QStringList>

class QsciPrinter;

namespace marbolt {

class NcEditor;

// Each returns false when the job cannot be started, with why in error.
bool printPlainText(QsciPrinter &printer, const QFont &font, const QStringList &lines, QString *error);
bool printEditor(QsciPrinter &printer, NcEditor &editor, const QString &title, QString *error);

}  // namespace marbolt
