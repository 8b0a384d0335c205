// The adjustment indicator pictures, drawn as 1-bit masks so they stay monochrome.
#include "ui/main/indicators.h"

#include <QBitmap>
#include <QPainter>
#include <QPolygon>

namespace ui {

QPixmap IndicatorPicture(IndicatorShape shape, bool filled) {
    // The right triangle is the left one mirrored, pixel for pixel.
    if (shape == IndicatorShape::RightTriangle) {
        const QImage left = IndicatorPicture(IndicatorShape::LeftTriangle, filled).toImage();
        return QPixmap::fromImage(left.mirrored(true, false));
    }
    QBitmap mask(kIndicatorSize, kIndicatorSize);
    mask.fill(Qt::color0);
    QPainter p(&mask);
    p.setPen(QPen(Qt::color1, 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(filled ? QBrush(Qt::color1) : QBrush(Qt::NoBrush));
    QPolygon outline;
    switch (shape) {
    case IndicatorShape::Square:
        outline << QPoint(6, 6) << QPoint(41, 6) << QPoint(41, 41) << QPoint(6, 41);
        break;
    case IndicatorShape::LeftTriangle:
        outline << QPoint(4, 24) << QPoint(43, 4) << QPoint(43, 43);
        break;
    case IndicatorShape::RightTriangle:
        break;
    }
    p.drawPolygon(outline);
    p.end();
    QPixmap picture(kIndicatorSize, kIndicatorSize);
    picture.fill(Qt::black);
    picture.setMask(mask);
    return picture;
}

} // namespace ui
