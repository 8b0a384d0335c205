// Toolbar pictures drawn with QPainter.
#include "ui/paint/glyphs.h"

#include "ui/paint/paint_style.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace ui {
namespace {

void Diskette(QPainter& p) {
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(40, 70, 160));
    p.drawRect(QRectF(3.5, 3.5, 17, 17));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 4, 10, 6));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(7, 13, 10, 7));
}

void Arrow(QPainter& p, QPointF from, QPointF to) {
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    QPolygonF head;
    head << to << to - d * 5 + n * 3.5 << to - d * 5 - n * 3.5;
    p.setBrush(p.pen().color());
    p.drawPolygon(head);
}

void DrawGlyph(QPainter& p, Glyph glyph) {
    QPen pen(Qt::black, 2);
    p.setPen(pen);
    switch (glyph) {
    case Glyph::Record:
        p.setBrush(QColor(210, 0, 0));
        p.drawEllipse(QRectF(5, 5, 14, 14));
        break;
    case Glyph::Table:
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 4.5, 17, 15));
        for (int y = 8; y < 20; y += 4)
            p.drawLine(QPointF(3.5, y + 0.5), QPointF(20.5, y + 0.5));
        p.drawLine(QPointF(10.5, 4.5), QPointF(10.5, 19.5));
        break;
    case Glyph::Graph:
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(4, 3, 4, 20);
        p.drawLine(4, 20, 21, 20);
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawPolyline(QPolygonF()
                       << QPointF(5, 17) << QPointF(10, 12) << QPointF(14, 14) << QPointF(20, 5));
        break;
    case Glyph::Restart: {
        p.setPen(QPen(QColor(0, 110, 0), 2.5));
        p.drawArc(QRectF(5, 5, 14, 14), 100 * 16, 290 * 16);
        p.setBrush(QColor(0, 110, 0));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF() << QPointF(10, 1) << QPointF(16, 5) << QPointF(10, 9));
        break;
    }
    case Glyph::Open:
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(230, 190, 60));
        p.drawPolygon(QPolygonF() << QPointF(3, 6) << QPointF(9, 6) << QPointF(11, 8)
                                  << QPointF(20, 8) << QPointF(20, 19) << QPointF(3, 19));
        break;
    case Glyph::Save:
        Diskette(p);
        break;
    case Glyph::SaveAs:
        Diskette(p);
        p.setPen(QPen(QColor(200, 0, 0), 2.5));
        p.drawLine(13, 21, 22, 12);
        break;
    case Glyph::Template:
        Diskette(p);
        p.setPen(QPen(QColor(220, 0, 0), 1.5, Qt::DashLine));
        p.drawLine(2, 22, 22, 2);
        break;
    case Glyph::Delete:
        p.setPen(QPen(QColor(200, 0, 0), 3));
        p.drawLine(6, 6, 18, 18);
        p.drawLine(18, 6, 6, 18);
        break;
    case Glyph::LastLine:
        p.setPen(QPen(QColor(0, 0, 160), 2));
        Arrow(p, QPointF(12, 3), QPointF(12, 16));
        p.drawLine(4, 20, 20, 20);
        break;
    case Glyph::Picture:
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(150, 200, 255));
        p.drawRect(QRectF(2.5, 4.5, 19, 15));
        p.setBrush(QColor(40, 150, 40));
        p.drawPolygon(QPolygonF() << QPointF(3, 19) << QPointF(10, 10) << QPointF(15, 15)
                                  << QPointF(18, 12) << QPointF(21, 19));
        break;
    case Glyph::ExpandX:
        Arrow(p, QPointF(12, 12), QPointF(2, 12));
        Arrow(p, QPointF(12, 12), QPointF(22, 12));
        break;
    case Glyph::ContractX:
        Arrow(p, QPointF(1, 12), QPointF(10, 12));
        Arrow(p, QPointF(23, 12), QPointF(14, 12));
        break;
    case Glyph::ExpandY:
        Arrow(p, QPointF(12, 12), QPointF(12, 2));
        Arrow(p, QPointF(12, 12), QPointF(12, 22));
        break;
    case Glyph::ContractY:
        Arrow(p, QPointF(12, 1), QPointF(12, 10));
        Arrow(p, QPointF(12, 23), QPointF(12, 14));
        break;
    }
}

} // namespace

QIcon GlyphIcon(Glyph glyph) {
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    DrawGlyph(p, glyph);
    p.end();
    return QIcon(pixmap);
}

QIcon TextIcon(const QString& text) {
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setFont(PixelFont(text.size() > 3 ? 8 : 10));
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, kGlyphSize, kGlyphSize), Qt::AlignCenter, text);
    p.end();
    return QIcon(pixmap);
}

} // namespace ui
