// The technical panel's pictures: one scale drawing and one dial painting, each used for
// both dials with that dial's layout.
#include "ui/tech/dial_painter.h"

#include "core/tech/dial_geometry.h"
#include "ui/paint/paint_style.h"

#include <QFontMetrics>
#include <QPainter>

namespace ui {
namespace {

using core::kTechHeight;
using core::kTechWidth;

QFont CaptionFont() {
    return PixelFont(13);
}

QFont NumeralFont() {
    return PixelFont(12);
}

// Grey frame lines: rows across the whole picture, three-pixel columns at the left and right
// edges and between the dials (below the mode strip, which spans both).
void DrawFrameLines(QPainter& p) {
    const QColor grey = ColourFromBgr(core::tech_colour::kFrameGrey);
    constexpr int kRight = 526; // last column of the right edge
    for (int row : {2, 36, 320, 350})
        p.fillRect(0, row, kRight + 1, 1, grey);
    p.fillRect(0, 2, 3, 349, grey);
    p.fillRect(524, 2, 3, 349, grey);
    p.fillRect(262, 36, 3, 315, grey);
}

// One dial's scale in the dial's own frame: the origin at its centre, x along the angle
// of each tick in turn (the analog-clock way: translate, then rotate per tick).
void DrawDialScale(QPainter& p, const core::DialLayout& dial) {
    using namespace core::dial_scale;
    const QColor red = ColourFromBgr(core::tech_colour::kRed);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(CaptionFont());
    p.setPen(red);
    const QString caption = QString::fromUtf8(dial.caption.data(), std::ssize(dial.caption));
    const int captionWidth = QFontMetrics(p.font()).horizontalAdvance(caption);
    p.drawText(dial.cx - captionWidth / 2, 44 + QFontMetrics(p.font()).ascent(), caption);

    p.translate(dial.cx, core::kDialCentreY);
    QPen pen(red, 1.5, Qt::SolidLine, Qt::FlatCap);
    p.setPen(pen);
    // The ring's inner edge from 0 (120 deg) clockwise over 300 deg; Qt counts arcs
    // anticlockwise in 1/16 degree.
    p.drawArc(QRectF(-kRingInner, -kRingInner, 2 * kRingInner, 2 * kRingInner), -120 * 16,
              -300 * 16);
    for (const core::ScaleTick& tick : core::ScaleTicks()) {
        p.save();
        p.rotate(tick.angleDeg);
        pen.setWidthF(tick.major ? 2.5 : 1.2);
        p.setPen(pen);
        p.drawLine(QPointF(tick.r1, 0), QPointF(tick.r2, 0));
        p.restore();
    }
    p.setFont(NumeralFont());
    const QFontMetricsF metrics(p.font());
    for (int value = 0; value <= 10; ++value) {
        const QString text = QString::number(value);
        // The ink's own box, so that "1" and "10" keep the same gap as "8".
        const QRectF ink = metrics.tightBoundingRect(text);
        const core::PointF c = core::NumeralCentre(value, ink.width(), ink.height());
        p.drawText(QPointF(c.x - ink.center().x(), c.y - ink.center().y()), text);
    }
    p.restore();
}

// A text on black: its cell is filled first, as a canvas with a black brush does.
void PaintText(QPainter& p, const QFontMetrics& metrics, const core::TechText& t) {
    const QString text = QString::fromUtf8(t.text.data(), std::ssize(t.text));
    const int width = metrics.horizontalAdvance(text);
    const int left = t.Left(width);
    p.fillRect(left, t.y, width, metrics.height(), Qt::black);
    p.setPen(ColourFromBgr(t.colour));
    p.drawText(left, t.y + metrics.ascent(), text);
}

void PaintStroke(QPainter& p, const core::TechStroke& s) {
    p.setPen(QPen(ColourFromBgr(s.colour), s.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(s.segment.x1, s.segment.y1, s.segment.x2, s.segment.y2);
}

// One dial of a frame: pointers first, then its texts over them.
void PaintDial(QPainter& p, const QFontMetrics& metrics, const core::DialFrame& dial) {
    PaintStroke(p, dial.rms);
    PaintStroke(p, dial.peak);
    if (dial.hasThirdLevel)
        PaintStroke(p, dial.thirdLevel);
    for (const core::TechText& line : dial.lines)
        PaintText(p, metrics, line);
    PaintText(p, metrics, dial.att);
    PaintText(p, metrics, dial.kt);
}

} // namespace

QFont TechFont() {
    return PixelFont(16);
}

QImage DrawDialFace() {
    QImage face(kTechWidth, kTechHeight, QImage::Format_RGB32);
    face.fill(Qt::black);
    QPainter p(&face);
    DrawFrameLines(p);
    DrawDialScale(p, core::kLeftDial);
    DrawDialScale(p, core::kRightDial);
    return face;
}

void PaintTechFrame(QPainter& painter, const core::TechFrame& frame) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(TechFont());
    const QFontMetrics metrics(painter.font());
    for (const core::DialFrame& dial : frame.dials)
        PaintDial(painter, metrics, dial);
    PaintText(painter, metrics, frame.mode);
    painter.restore();
}

} // namespace ui
