// QPainter replay of paint lists, the picture font and BMP encoding.
#include "ui/paint/graph_painter.h"

#include "ui/paint/paint_style.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QVarLengthArray>

namespace ui {
namespace {

constexpr int kLabelPixels = 13; // 10 pt at 96 dots per inch

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPen ToQPen(const core::PaintPen& p) {
    QPen pen(ColourFromBgr(p.colour));
    if (p.width > 1) {
        // Square ends: Qt rasterises such lines directly instead of stroking an outline, many
        // times faster for a 3,200-point curve, and at 3 pixels the ends look round.
        pen.setWidth(p.width);
        pen.setCapStyle(Qt::SquareCap);
    } else {
        pen.setWidth(0); // one pixel whatever the transformation
    }
    if (p.style == core::PenStyle::Dash)
        pen.setDashPattern({18, 6});
    return pen;
}

// A wide polyline as its segments, which Qt draws on its fast path for lines; a thin one as
// one polyline, so a dash pattern runs on across the corners.
void DrawPolyline(QPainter& painter, std::span<const core::PaintPoint> points, int width) {
    if (width > 1) {
        QVarLengthArray<QLine, 4096> lines;
        for (std::size_t i = 1; i < points.size(); ++i)
            lines.append(QLine(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y));
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
        return;
    }
    QVarLengthArray<QPoint, 4096> corners;
    for (const core::PaintPoint& p : points)
        corners.append(QPoint(p.x, p.y));
    painter.drawPolyline(corners.data(), static_cast<int>(corners.size()));
}

void SetPen(QPainter& painter, const core::PaintPen& p) {
    painter.setPen(ToQPen(p));
    if (p.opaqueGaps) {
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(ColourFromBgr(p.gapColour));
    } else {
        painter.setBackgroundMode(Qt::TransparentMode);
    }
}

void DrawText(QPainter& painter, const core::PaintList& list, const core::PaintItem& item,
              const QFontMetrics& metrics) {
    painter.fillRect(item.x1, item.y1, item.width, item.height, ColourFromBgr(item.background));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(ColourFromBgr(item.colour));
    painter.drawText(QPoint(item.x1, item.y1 + metrics.ascent()), Utf8(list.TextOf(item)));
}

} // namespace

QFont GraphFont() {
    QFont font = PixelFont(kLabelPixels);
    font.setStyleStrategy(QFont::NoAntialias); // crisp labels in the two colours chosen
    return font;
}

QtTextMeasure::QtTextMeasure(const QFont& font) : m_metrics(font) {}

core::TextSize QtTextMeasure::Measure(std::string_view text) const {
    return {m_metrics.horizontalAdvance(Utf8(text)), m_metrics.height()};
}

void PaintPicture(QPainter& painter, const core::PaintList& list, const QFont& font) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    for (const core::PaintItem& item : list.Items()) {
        switch (item.kind) {
        case core::PaintKind::FillRect:
            painter.fillRect(QRect(QPoint(item.x1, item.y1), QPoint(item.x2 - 1, item.y2 - 1)),
                             ColourFromBgr(item.colour));
            break;
        case core::PaintKind::Line:
            SetPen(painter, item.pen);
            painter.drawLine(item.x1, item.y1, item.x2, item.y2);
            break;
        case core::PaintKind::Polyline:
            SetPen(painter, item.pen);
            DrawPolyline(painter, list.PointsOf(item), item.pen.width);
            break;
        case core::PaintKind::Text:
            DrawText(painter, list, item, metrics);
            break;
        }
    }
}

core::RecordRange RenderGraph(QImage& image, core::GraphPlot& plot, core::GraphView& view,
                              core::GraphInput input, core::PaintList& list) {
    input.width = image.width();
    input.height = image.height();
    const QFont font = GraphFont();
    const core::RecordRange range = plot.Redraw(view, input, QtTextMeasure(font), list);
    if (!image.isNull()) {
        QPainter painter(&image);
        PaintPicture(painter, list, font);
    }
    return range;
}

void ComposeOver(QImage& shown, const QImage& picture, const core::PaintList& overlay) {
    shown = picture;
    if (shown.isNull() || overlay.Items().empty())
        return;
    QPainter painter(&shown); // detaches: the copy is drawn on, the picture is not
    PaintPicture(painter, overlay, GraphFont());
}

namespace {

QByteArray Encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image.convertToFormat(QImage::Format_RGB32));
    return bytes;
}

} // namespace

QByteArray EncodeBmp(const QImage& image) {
    return Encode(image, "bmp");
}

QByteArray EncodePng(const QImage& image) {
    return Encode(image, "png");
}

} // namespace ui
