#include "app/widgets/programicon.h"

#include "serial/punchcodes.h"

#include <QPainter>
#include <QPixmap>

namespace marbolt {

namespace {

QPixmap drawTape(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 48.0;

    // The tape, running left to right, slightly across the icon.
    p.translate(size / 2.0, size / 2.0);
    p.rotate(-12);
    const QRectF strip(-26 * s, -17 * s, 52 * s, 34 * s);
    p.setPen(QPen(QColor(0x8a, 0x76, 0x3c), 1.2 * s));
    p.setBrush(QColor(0xf3, 0xe3, 0x9c));
    p.drawRect(strip);

    // "O1000" in ISO code: a column of eight channels per character, with
    // the small sprocket hole between channels 3 and 4.
    const char *text = "O1000";
    const double pitch = 9.5 * s;
    const double channel = 3.6 * s;
    p.setPen(Qt::NoPen);
    for (int c = 0; c < 5; ++c) {
        const double x = -19 * s + c * pitch;
        const std::uint8_t code = sendiso(static_cast<std::uint8_t>(text[c]));
        for (int bit = 0; bit < 8; ++bit) {
            // Channel 1 at the bottom; the sprocket row sits after channel 3.
            const double y = 14 * s - bit * channel - (bit >= 3 ? channel : 0);
            if (code >> bit & 1) {
                p.setBrush(QColor(0x2b, 0x2b, 0x2b));
                p.drawEllipse(QPointF(x, y), 1.5 * s, 1.5 * s);
            }
        }
        p.setBrush(QColor(0x5a, 0x4e, 0x28));
        p.drawEllipse(QPointF(x, 14 * s - 3 * channel), 0.8 * s, 0.8 * s);
    }
    return pixmap;
}

}  // namespace

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 42, 48, 64})
        icon.addPixmap(drawTape(size));
    return icon;
}

}  // namespace marbolt
