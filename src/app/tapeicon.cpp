#include "app/tapeicon.h"

#include "serial/punchcodes.h"

#include <QPainter>

#include <charconv>
#include <cstdio>

namespace marbolt {

IconDrawing tapeIconDrawing()
{
    IconDrawing d;
    d.degrees = -12;
    IconShape strip;
    strip.kind = IconShape::Kind::Rect;
    strip.x = -26, strip.y = -17, strip.width = 52, strip.height = 34;
    strip.fill = qRgb(0xf3, 0xe3, 0x9c);
    strip.stroke = qRgb(0x8a, 0x76, 0x3c);
    strip.strokeWidth = 1.2;
    d.shapes.push_back(strip);

    // A column of eight channels per character, channel 1 at the bottom,
    // with the small sprocket hole between channels 3 and 4.
    const char *text = "O1000";
    const double pitch = 9.5, channel = 3.6;
    for (int c = 0; c < 5; ++c) {
        const double x = -19 + c * pitch;
        const std::uint8_t code = sendiso(static_cast<std::uint8_t>(text[c]));
        for (int bit = 0; bit < 8; ++bit) {
            if (!(code >> bit & 1))
                continue;
            IconShape hole;
            hole.x = x;
            hole.y = 14 - bit * channel - (bit >= 3 ? channel : 0);
            hole.radius = 1.5;
            hole.fill = qRgb(0x2b, 0x2b, 0x2b);
            d.shapes.push_back(hole);
        }
        IconShape sprocket;
        sprocket.x = x;
        sprocket.y = 14 - 3 * channel;
        sprocket.radius = 0.8;
        sprocket.fill = qRgb(0x5a, 0x4e, 0x28);
        d.shapes.push_back(sprocket);
    }
    return d;
}

QImage tapeIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const IconDrawing d = tapeIconDrawing();
    const double s = size / IconDrawing::kSize;
    p.translate(size / 2.0, size / 2.0);
    p.rotate(d.degrees);
    for (const IconShape &shape : d.shapes) {
        p.setPen(shape.strokeWidth > 0 ? QPen(QColor(shape.stroke), shape.strokeWidth * s) : QPen(Qt::NoPen));
        p.setBrush(QColor(shape.fill));
        if (shape.kind == IconShape::Kind::Rect)
            p.drawRect(QRectF(shape.x * s, shape.y * s, shape.width * s, shape.height * s));
        else
            p.drawEllipse(QPointF(shape.x * s, shape.y * s), shape.radius * s, shape.radius * s);
    }
    return image;
}

namespace {

// Whatever the locale: SVG wants "1.2", never "1,2".
std::string number(double v)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    return std::string(buffer, end);
}

std::string colour(QRgb rgb)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", qRed(rgb), qGreen(rgb), qBlue(rgb));
    return buffer;
}

}  // namespace

std::string tapeIconSvg()
{
    const IconDrawing d = tapeIconDrawing();
    const std::string size = number(IconDrawing::kSize);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + size + "\" height=\"" + size
                      + "\" viewBox=\"0 0 " + size + " " + size + "\">\n"
                      "  <g transform=\"translate(" + number(IconDrawing::kSize / 2) + " "
                      + number(IconDrawing::kSize / 2) + ") rotate(" + number(d.degrees) + ")\">\n";
    for (const IconShape &shape : d.shapes) {
        if (shape.kind == IconShape::Kind::Rect)
            svg += "    <rect x=\"" + number(shape.x) + "\" y=\"" + number(shape.y) + "\" width=\""
                   + number(shape.width) + "\" height=\"" + number(shape.height) + "\"";
        else
            svg += "    <circle cx=\"" + number(shape.x) + "\" cy=\"" + number(shape.y) + "\" r=\""
                   + number(shape.radius) + "\"";
        svg += " fill=\"" + colour(shape.fill) + "\"";
        if (shape.strokeWidth > 0)
            svg += " stroke=\"" + colour(shape.stroke) + "\" stroke-width=\"" + number(shape.strokeWidth) + "\"";
        svg += "/>\n";
    }
    svg += "  </g>\n</svg>\n";
    return svg;
}

}  // namespace marbolt
