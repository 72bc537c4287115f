#include "tools/plaintextpages.h"

#include <gtest/gtest.h>

using namespace marbolt;

namespace {

// Every character 10 wide, a double-width one (non-Latin-1) 20.
PlainTextGeometry geometry(double pageWidth, int rowsPerPage)
{
    PlainTextGeometry g;
    g.pageWidth = pageWidth;
    g.tabWidth = 80;
    g.rowsPerPage = rowsPerPage;
    g.width = [](QStringView ch) { return ch.size() == 1 && ch[0].unicode() < 256 ? 10.0 : 20.0; };
    return g;
}

QString rowText(const PrintedRow &row)
{
    QString out;
    for (const PrintedRun &run : row)
        out += QStringLiteral("[%1]%2").arg(run.x).arg(run.text);
    return out;
}

}  // namespace

TEST(PlainTextPages, WrapsBetweenCharactersAndNeverSplitsAPair)
{
    auto pages = layoutPlainText({QStringLiteral("G01X10.Y20.")}, geometry(50, 10));
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 3u);
    EXPECT_EQ(rowText(pages[0][0]), "[0]G01X1");
    EXPECT_EQ(rowText(pages[0][1]), "[0]0.Y20");
    EXPECT_EQ(rowText(pages[0][2]), "[0].");

    // A character outside the basic plane is one character of two units.
    const QString pair = QString::fromUcs4(U"A\U00020B9FB");
    pages = layoutPlainText({pair}, geometry(25, 10));
    ASSERT_EQ(pages[0].size(), 3u);
    EXPECT_EQ(pages[0][1][0].text, QString::fromUcs4(U"\U00020B9F"));

    // A character wider than the page still goes out, alone on its row.
    pages = layoutPlainText({QStringLiteral("工具")}, geometry(15, 10));
    EXPECT_EQ(pages[0].size(), 2u);
}

TEST(PlainTextPages, TabsAdvanceToTheNextStop)
{
    auto pages = layoutPlainText({QStringLiteral("N1\tG0\t\tX")}, geometry(1000, 10));
    EXPECT_EQ(rowText(pages[0][0]), "[0]N1[80]G0[240]X");
    // A tab stop past the page edge starts the next row.
    pages = layoutPlainText({QStringLiteral("ABCDEFGH\tX")}, geometry(85, 10));
    ASSERT_EQ(pages[0].size(), 2u);
    EXPECT_EQ(rowText(pages[0][1]), "[0]X");
}

TEST(PlainTextPages, EmptyLinesAndPages)
{
    const QStringList lines{QStringLiteral("O1"), QString(), QStringLiteral("G0"), QStringLiteral("M30"),
                            QStringLiteral("%")};
    const auto pages = layoutPlainText(lines, geometry(1000, 2));
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(rowText(pages[0][0]), "[0]O1");
    EXPECT_TRUE(pages[0][1].empty()) << "an empty line is an empty row";
    EXPECT_EQ(rowText(pages[2][0]), "[0]%");
    EXPECT_TRUE(layoutPlainText({}, geometry(1000, 2)).empty());
}
