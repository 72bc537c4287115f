#pragma once
// The program's icon, a strip of punched eight-channel NC tape reading
// "O1000" in ISO code, drawn once as shapes in a 48-unit square: the
// window paints it at any size, and the desktop's SVG and PNG icons are
// made from the same shapes when the program is built.
#include <QImage>

#include <string>
#include <vector>

namespace marbolt {

struct IconShape {
    enum class Kind { Rect, Circle };
    Kind kind = Kind::Circle;
    double x = 0, y = 0;          // Rect: top left; Circle: centre
    double width = 0, height = 0;  // Rect only
    double radius = 0;            // Circle only
    QRgb fill = 0;
    QRgb stroke = 0;              // with strokeWidth 0: no outline
    double strokeWidth = 0;
};

// The shapes in a frame centred on the square's centre and turned by
// degrees (the tape runs slightly across the icon); the square clips.
struct IconDrawing {
    static constexpr double kSize = 48;
    double degrees = 0;
    std::vector<IconShape> shapes;
};

IconDrawing tapeIconDrawing();

// The drawing at size x size pixels, antialiased, on transparency.
QImage tapeIconImage(int size);

// The drawing as a standalone SVG document.
std::string tapeIconSvg();

}  // namespace marbolt
