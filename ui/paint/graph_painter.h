// Replays a picture's paint list with QPainter: the graph window's off-screen picture and the
// headless plot tool render through these functions, so both give the same pixels.
#pragma once

#include "core/graph/graph_plot.h"
#include "core/graph/paint_list.h"

#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QImage>

class QPainter;

namespace ui {

/// The font of the picture's labels: "MS Sans Serif" 10 pt bold, 13 pixels high whatever the
/// screen, drawn without antialiasing.
QFont GraphFont();

/// Text sizes in a font, through QFontMetrics: the advance width and the line height.
class QtTextMeasure final : public core::TextMeasure {
public:
    explicit QtTextMeasure(const QFont& font);
    core::TextSize Measure(std::string_view text) const override;

private:
    QFontMetrics m_metrics;
};

/// Draws every primitive of `list` in order, without antialiasing. Texts are drawn in `font`
/// over their background box, the baseline at the box top plus the font's ascent. Dashed pens
/// draw 18 pixels and leave 6; their gaps take the gap colour when the pen asks for it.
void PaintPicture(QPainter& painter, const core::PaintList& list, const QFont& font);

/// One redraw of the graph picture onto `image` (its size is the picture size W x H):
/// `input.width` and `input.height` are taken from the image, the list is built with the
/// graph font's metrics and replayed. Returns the records chosen.
core::RecordRange RenderGraph(QImage& image, core::GraphPlot& plot, core::GraphView& view,
                              core::GraphInput input, core::PaintList& list);

/// `picture` with `overlay` (the readout) drawn over it, into `shown`: the picture stays as
/// it is, so what is saved or copied never carries the readout.
void ComposeOver(QImage& shown, const QImage& picture, const core::PaintList& overlay);

/// The picture as the bytes of a BMP file, 24 bits per pixel.
QByteArray EncodeBmp(const QImage& image);
/// The picture as the bytes of a PNG file.
QByteArray EncodePng(const QImage& image);

} // namespace ui
