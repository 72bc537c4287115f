#pragma once
// Page layout of a plain-text print: each line at the left edge, one under
// the other from the top; a line wider than the page goes on in the next
// row, broken between characters; a tab advances to the next tab stop; a
// new page begins when the next row would not fit. No headers or footers.
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace marbolt {

struct PrintedRun {
    double x = 0;  // from the left edge of the printable area
    QString text;
};

using PrintedRow = std::vector<PrintedRun>;  // empty for an empty line
using PrintedPage = std::vector<PrintedRow>;

struct PlainTextGeometry {
    double pageWidth = 0;  // printable width
    double tabWidth = 0;   // distance of the tab stops
    int rowsPerPage = 1;
    // Width of one character (a surrogate pair counts as one).
    std::function<double(QStringView)> width;
};

std::vector<PrintedPage> layoutPlainText(const QStringList &lines, const PlainTextGeometry &geometry);

}  // namespace marbolt
