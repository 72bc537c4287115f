#include "app/widgets/commandicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace marbolt {

namespace {

void sheet(QPainter &p, const QRectF &r)
{
    p.setBrush(Qt::white);
    p.drawRect(r);
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void draw(QPainter &p, CommandPicture picture)
{
    const QPen ink(QColor(60, 60, 60), 1.0);
    p.setPen(ink);
    switch (picture) {
    case CommandPicture::Print:
        sheet(p, QRectF(4.5, 1.5, 7, 6));
        p.setBrush(QColor(150, 150, 160));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        p.setPen(QPen(QColor(40, 160, 40), 1.5));
        p.drawPoint(QPointF(12.5, 8.5));
        break;
    case CommandPicture::Cut:
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(5, 1.5), QPointF(10.5, 10));
        p.drawLine(QPointF(11, 1.5), QPointF(5.5, 10));
        p.setPen(QPen(QColor(190, 40, 40), 1.3));
        p.drawEllipse(QPointF(4.5, 12.5), 2.3, 2.3);
        p.drawEllipse(QPointF(11.5, 12.5), 2.3, 2.3);
        break;
    case CommandPicture::Copy:
        sheet(p, QRectF(1.5, 1.5, 8, 10));
        sheet(p, QRectF(6.5, 4.5, 8, 10));
        break;
    case CommandPicture::Paste:
        p.setBrush(QColor(190, 140, 70));
        p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1, 1);
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(QRectF(4.5, 1.5, 4, 2));
        sheet(p, QRectF(7.5, 6.5, 7, 8));
        break;
    }
}

}  // namespace

QIcon commandIcon(const char *themeName, CommandPicture fallback)
{
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(themeName));
    if (!themed.isNull())
        return themed;
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(16 * scale, 16 * scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        draw(p, fallback);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace marbolt
