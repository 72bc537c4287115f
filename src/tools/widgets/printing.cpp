#include "tools/widgets/printing.h"

#include "document/widgets/nceditor.h"
#include "tools/plaintextpages.h"

#include <Qsci/qsciprinter.h>
#include <QFontMetricsF>
#include <QPainter>

namespace marbolt {

namespace {

QString cannotPrint(const QsciPrinter &printer)
{
    const QString name = printer.printerName().isEmpty() ? printer.outputFileName() : printer.printerName();
    return QStringLiteral("印刷を開始できません (%1)").arg(name.isEmpty() ? QStringLiteral("プリンタがありません") : name);
}

}  // namespace

bool printPlainText(QsciPrinter &printer, const QFont &font, const QStringList &lines, QString *error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = cannotPrint(printer);
        return false;
    }
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    const QRectF area(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    PlainTextGeometry geometry;
    geometry.pageWidth = area.width();
    geometry.tabWidth = 8 * metrics.averageCharWidth();
    geometry.rowsPerPage = std::max(1, static_cast<int>(area.height() / metrics.lineSpacing()));
    geometry.width = [&metrics](QStringView ch) { return metrics.horizontalAdvance(ch.toString()); };
    const auto pages = layoutPlainText(lines, geometry);
    bool first = true;
    for (const PrintedPage &page : pages) {
        if (!first && !printer.newPage()) {
            if (error)
                *error = cannotPrint(printer);
            painter.end();
            return false;
        }
        first = false;
        double y = metrics.ascent();
        for (const PrintedRow &row : page) {
            for (const PrintedRun &run : row)
                painter.drawText(QPointF(run.x, y), run.text);
            y += metrics.lineSpacing();
        }
    }
    return painter.end();
}

bool printEditor(QsciPrinter &printer, NcEditor &editor, const QString &title, QString *error)
{
    printer.setDocName(title);
    printer.setFullPage(false);
    printer.setWrapMode(QsciScintilla::WrapCharacter);
    // The printer's own painter would not tell when the job failed to start.
    QPainter painter;
    if (!painter.begin(&printer) || !printer.printRange(&editor, painter)) {
        if (error)
            *error = cannotPrint(printer);
        return false;
    }
    return painter.end();
}

}  // namespace marbolt
