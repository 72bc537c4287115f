#include "tools/plaintextpages.h"

#include <algorithm>
#include <cmath>

namespace marbolt {

namespace {

void layoutLine(const QString &line, const PlainTextGeometry &g, std::vector<PrintedRow> &rows)
{
    PrintedRow row;
    double x = 0;
    bool runOpen = false;  // the last run of row takes the next character
    auto newRow = [&] {
        rows.push_back(std::move(row));
        row.clear();
        x = 0;
        runOpen = false;
    };
    for (qsizetype i = 0; i < line.size();) {
        const qsizetype n = (line[i].isHighSurrogate() && i + 1 < line.size()) ? 2 : 1;
        const QStringView ch = QStringView(line).mid(i, n);
        i += n;
        if (ch == u"\t") {
            const double stop = g.tabWidth > 0 ? (std::floor(x / g.tabWidth) + 1) * g.tabWidth : x;
            if (stop >= g.pageWidth && x > 0)
                newRow();
            else
                x = stop;
            runOpen = false;
            continue;
        }
        const double w = g.width(ch);
        if (x > 0 && x + w > g.pageWidth)
            newRow();
        if (!runOpen) {
            row.push_back({x, QString()});
            runOpen = true;
        }
        row.back().text += ch;
        x += w;
    }
    newRow();
}

}  // namespace

std::vector<PrintedPage> layoutPlainText(const QStringList &lines, const PlainTextGeometry &geometry)
{
    std::vector<PrintedRow> rows;
    for (const QString &line : lines)
        layoutLine(line, geometry, rows);
    std::vector<PrintedPage> pages;
    const std::size_t perPage = static_cast<std::size_t>(std::max(1, geometry.rowsPerPage));
    for (std::size_t i = 0; i < rows.size(); i += perPage) {
        const auto last = rows.begin() + static_cast<std::ptrdiff_t>(std::min(rows.size(), i + perPage));
        pages.emplace_back(std::make_move_iterator(rows.begin() + static_cast<std::ptrdiff_t>(i)),
                           std::make_move_iterator(last));
    }
    return pages;
}

}  // namespace marbolt
