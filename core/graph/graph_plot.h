// The graph picture as a paint list: coordinate maps, the choice of records, axes and labels,
// the test-fire or template overlay and the measured curve.
#pragma once

#include "core/graph/graph_fire_marks.h"
#include "core/graph/graph_view.h"
#include "core/graph/paint_list.h"
#include "core/graph/template_store.h"
#include "core/log/record_log.h"

#include <cstdint>
#include <span>

namespace core {

/// Pixel coordinates are held within +-kPaintCoordLimit: a value or a time far off the picture
/// lands far off it without overflowing any renderer.
inline constexpr int kPaintCoordLimit = 1 << 22;

/// The overlay pen: dashed red, 1 pixel.
inline constexpr std::uint32_t kOverlayColour = 0x0000FF;

/// The two coordinate maps shared by the curve, the test-fire bands and the template, for a
/// picture of `width` x `height` pixels. Positions are computed in 32-bit (and wider)
/// arithmetic, so records beyond 32,767 s map and label correctly; below that they give the
/// same pixels as 16-bit arithmetic.
class GraphMaps {
public:
    GraphMaps(int width, int height, const GraphView& view, int timeStepSec, float yMin,
              float yMax);

    /// trunc((H - BottomMargin) x (YMax - v) / (YMax - YMin)) in extended precision, truncated
    /// towards zero. NaN maps far below the picture.
    int ValueToY(float v) const;
    /// LeftMargin + (t x (W - LeftMargin)) div (NumPoint x wTimeStep), integer arithmetic
    /// truncated towards zero; `t` in seconds from the plot's left edge.
    int TimeToX(std::int64_t t) const;
    /// The same map for a fractional `t` (a mark at 0,1 s), in extended precision, truncated
    /// towards zero; equal to TimeToX for whole seconds.
    int TimeToXExact(double t) const;
    /// The seconds from the plot's left edge at column `x`: the inverse of TimeToXExact.
    double TimeAt(int x) const;
    int Width() const { return m_width; }
    int LeftMargin() const { return m_leftMargin; }
    /// The plot area's bottom row, H - BottomMargin (may be 0 or negative: nothing fits).
    int PlotBottom() const { return m_height - m_bottomMargin; }
    /// The seconds across the plot width, NumPoint x wTimeStep (at least 1).
    std::int64_t SpanSec() const { return m_spanSec; }

private:
    int m_width;
    int m_height;
    int m_leftMargin;
    int m_bottomMargin;
    std::int64_t m_spanSec;
    float m_yMin;
    float m_yMax;
};

/// Holds a coordinate within +-kPaintCoordLimit; NaN gives +kPaintCoordLimit.
int ClampCoord(long double value);

/// The records a redraw plots, 0-based: first and last; last may lie beyond the log, the
/// curve stops at its newest record.
struct RecordRange {
    int first = 0;
    int last = 0;
    bool operator==(const RecordRange&) const = default;
};

/// RedrawGraph's choice for `count` records, `numPoint` periods across and a pan of `pan`
/// records back from the newest (PanPoints + PanDrag): first = 0, last = count - 1; last is
/// at least numPoint - 1; with more than numPoint + 1 records the view ends at the newest
/// record moved back by the pan, never before the oldest. A pan towards the future moves
/// the newest record left, but no further than the left edge: the view never leaves the log.
RecordRange ChooseRecords(int count, int numPoint, int pan);

/// What a redraw reads besides the view state.
struct GraphInput {
    int width = 0;                                 ///< picture width W
    int height = 0;                                ///< picture height H
    std::span<const MeasurementRecord> records;    ///< the log's records 0 .. Count - 1
    int timeStepSec = 1;                           ///< wTimeStep, seconds between records
    int pan = 0;                                   ///< PanPoints + PanDrag, records
    int shiftTP = 0;                               ///< overlay shift, pixels
    std::span<const TemplatePoint> templatePoints; ///< the loaded template's NTempl points
    /// The fire test of the log, or nullptr. When the overlay chosen is the test's fire and
    /// its start is set, the band anchored at the start takes the place of that overlay; any
    /// other choice is drawn as it is, and none or the template shows no band.
    const GraphTest* test = nullptr;
};

/// The graph's drawing: keeps the value range in use (YMin, YMax) between redraws.
class GraphPlot {
public:
    /// YMin and YMax start from the dB/m row that a new window uses.
    GraphPlot();

    float YMin() const { return m_yMin; }
    float YMax() const { return m_yMax; }
    /// The coordinate maps of the last redraw's value range for a picture of that size.
    GraphMaps Maps(const GraphView& view, int width, int height, int timeStepSec) const {
        return GraphMaps(width, height, view, timeStepSec, m_yMin, m_yMax);
    }

    /// Draws the whole picture into `out` (cleared first), in order: backgrounds, time labels
    /// and vertical grid, axis name, horizontal grid and value labels, with a fire test the
    /// grey bands of its breaks of the link, the overlay (dB/m scale only), then with a fire
    /// test: its anchored band (dB/m only) and its mark lines; the curve, not joined across a
    /// break; and the stretches of it outside the band (dB/m only). Takes the scale row of
    /// view.Unit into YMin, YMax and view.wQy first; for a unit without a table they keep their
    /// previous values. A row index outside its table is used as the nearest row. With
    /// view.AutoY ("Авто") the unit's row is re-chosen before that (AutoScaleRow of what the
    /// records chosen and the band show). Returns the records chosen.
    RecordRange Redraw(GraphView& view, const GraphInput& input, const TextMeasure& measure,
                       PaintList& out);

private:
    void TakeScaleRow(GraphView& view);

    float m_yMin;
    float m_yMax;
};

/// Draws the upper and then the lower limit of test fire `id` (1-9, 11, 12) with its time zero
/// shifted right by `shift` pixels; the y of a corner is not limited. Unknown ids draw nothing.
void DrawTestFire(PaintList& out, const GraphMaps& maps, int id, int shift,
                  std::uint32_t gapColour);
/// Draws the template through its points, each y held at the plot's bottom row; fewer than
/// two points draw nothing.
void DrawTemplate(PaintList& out, const GraphMaps& maps, std::span<const TemplatePoint> points,
                  int shift, std::uint32_t gapColour);

} // namespace core
