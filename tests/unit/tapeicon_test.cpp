// The icon's tape says what it claims (O1000 in ISO code, read back from
// the holes), and the desktop's SVG carries exactly the window's drawing.
#include "app/tapeicon.h"
#include "serial/punchcodes.h"

#include <gtest/gtest.h>

#include <QXmlStreamReader>

#include <cmath>
#include <map>

using namespace marbolt;

TEST(TapeIcon, TheHolesReadO1000InIsoCode)
{
    const IconDrawing d = tapeIconDrawing();
    // Columns by position across the tape; a data hole's channel from its
    // height, the sprocket row (between channels 3 and 4) skipped.
    std::map<double, unsigned> columns;
    int sprockets = 0;
    for (const IconShape &s : d.shapes) {
        if (s.kind != IconShape::Kind::Circle)
            continue;
        if (s.radius < 1) {
            ++sprockets;
            continue;
        }
        const double row = (14 - s.y) / 3.6;  // 0, 1, 2, then 4 .. 8 past the sprocket
        const int r = static_cast<int>(std::lround(row));
        ASSERT_NEAR(row, r, 1e-9);
        ASSERT_NE(r, 3) << "a data hole in the sprocket row";
        columns[s.x] |= 1u << (r > 3 ? r - 1 : r);
    }
    EXPECT_EQ(sprockets, 5);
    std::string read;
    ASSERT_EQ(columns.size(), 5u);
    const std::string text = "O1000";
    std::size_t i = 0;
    for (const auto &[x, bits] : columns) {
        EXPECT_EQ(bits, sendiso(static_cast<std::uint8_t>(text[i]))) << "column " << i;
        EXPECT_EQ(__builtin_popcount(bits) % 2, 0) << "ISO has even parity";
        ++i;
    }
}

TEST(TapeIcon, TheSvgIsTheSameDrawing)
{
    const IconDrawing d = tapeIconDrawing();
    const std::string svg = tapeIconSvg();
    QXmlStreamReader xml(QByteArray::fromStdString(svg));
    std::size_t shape = 0;
    bool rotated = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const auto num = [&](const char *name) { return a.value(QLatin1String(name)).toDouble(); };
        if (xml.name() == QLatin1String("svg")) {
            EXPECT_EQ(a.value(QLatin1String("viewBox")), QLatin1String("0 0 48 48"));
        } else if (xml.name() == QLatin1String("g")) {
            EXPECT_EQ(a.value(QLatin1String("transform")), QLatin1String("translate(24 24) rotate(-12)"));
            rotated = true;
        } else {
            ASSERT_LT(shape, d.shapes.size());
            const IconShape &s = d.shapes[shape++];
            if (s.kind == IconShape::Kind::Rect) {
                EXPECT_EQ(xml.name(), QLatin1String("rect"));
                EXPECT_DOUBLE_EQ(num("x"), s.x);
                EXPECT_DOUBLE_EQ(num("y"), s.y);
                EXPECT_DOUBLE_EQ(num("width"), s.width);
                EXPECT_DOUBLE_EQ(num("height"), s.height);
                EXPECT_DOUBLE_EQ(num("stroke-width"), s.strokeWidth);
                EXPECT_EQ(QColor(a.value(QLatin1String("stroke")).toString()).rgb(), s.stroke);
            } else {
                EXPECT_EQ(xml.name(), QLatin1String("circle"));
                EXPECT_DOUBLE_EQ(num("cx"), s.x);
                EXPECT_DOUBLE_EQ(num("cy"), s.y);
                EXPECT_DOUBLE_EQ(num("r"), s.radius);
            }
            EXPECT_EQ(QColor(a.value(QLatin1String("fill")).toString()).rgb(), s.fill);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_TRUE(rotated);
    EXPECT_EQ(shape, d.shapes.size());
}

TEST(TapeIcon, EverySizeShowsTheTapeOnTransparency)
{
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QImage image = tapeIconImage(size);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;  // the tape is turned: its corner misses the icon's
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2 - size / 4)), 255) << size;
    }
}
