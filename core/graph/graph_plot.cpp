// The graph picture: maps, record choice, axes, overlay and curve as paint primitives.
#include "core/graph/graph_plot.h"

#include "core/fire/fire_envelopes.h"
#include "core/graph/graph_auto_scale.h"
#include "core/graph/graph_controls.h"
#include "core/graph/graph_scale.h"

#include <algorithm>
#include <cmath>

namespace core {
namespace {

constexpr int kCurveWidth = 3;
constexpr int kLabelGap = 5; ///< pixels between a label and its grid line or edge

// Everything DrawAxes draws before the overlay.
struct AxesFrame {
    int nx, ny;
    float yMax, yMin;
    std::int64_t tEnd, t0;
};

PaintPen OverlayPen(std::uint32_t gapColour) {
    return PaintPen{kOverlayColour, 1, PenStyle::Dash, true, gapColour};
}

int ClampedSum(std::int64_t a, std::int64_t b) {
    return ClampCoord(static_cast<long double>(a + b));
}

void DrawAxes(PaintList& out, const GraphView& view, const GraphInput& in, const AxesFrame& f,
              const TextMeasure& measure) {
    const int left = view.LeftMargin;
    const int bottom = in.height - view.BottomMargin;
    out.FillRect(PaintRole::Margin, view.cMargin, 0, 0, in.width, in.height);
    out.FillRect(PaintRole::PlotArea, view.cBack, left, 0, in.width, bottom);
    const PaintPen grid{view.cGrid, 1, PenStyle::Solid, false, 0};
    const auto label = [&](PaintRole role, std::string_view text, TextAnchor anchor, int x, int y) {
        if (!text.empty())
            out.Text(role, text, anchor, x, y, view.cFont, view.cMargin, measure);
    };
    const int labelTop = bottom + kLabelGap;
    label(PaintRole::TimeLabel, TimeLabel(f.t0, true), TextAnchor::TopCentre, left, labelTop);
    for (int i = 1; i < f.nx; ++i) {
        const int xi = ClampCoord(static_cast<long double>(in.width - left) * i / f.nx);
        const int x = ClampedSum(left, xi);
        out.Line(PaintRole::Grid, grid, x, 0, x, bottom);
        const std::int64_t t = f.t0 + ((f.tEnd - f.t0) * i) / f.nx;
        label(PaintRole::TimeLabel, TimeLabel(t, false), TextAnchor::TopCentre,
              ClampedSum(x, kLabelGap), labelTop);
    }
    label(PaintRole::AxisName, AxisName(view.Unit), TextAnchor::TopLeft, kLabelGap, kLabelGap);
    const int decimals = ValueLabelDecimals(f.yMax, f.yMin, f.ny);
    for (int u = f.ny; u >= 1; --u) {
        const int yu = ClampCoord(static_cast<long double>(bottom) * u / f.ny);
        out.Line(PaintRole::Grid, grid, left, yu, in.width, yu);
        label(PaintRole::ValueLabel, ValueLabel(f.yMin, f.yMax, f.ny, u, decimals, view.Unit),
              TextAnchor::MiddleRight, left - kLabelGap, yu);
    }
}

void DrawOverlay(PaintList& out, const GraphView& view, const GraphInput& in, const GraphMaps& maps,
                 std::int64_t t0) {
    if (view.Unit != kUnitDbPerM)
        return;
    if (view.bVeiwTP == 10)
        DrawTemplate(out, maps, in.templatePoints, in.shiftTP, view.cBack);
    else if (in.test && in.test->BandShown(view.bVeiwTP))
        DrawTestBand(out, maps, *in.test, t0, in.width, view.cBack);
    else
        DrawTestFire(out, maps, view.bVeiwTP, in.shiftTP, view.cBack);
}

void DrawCurve(PaintList& out, const GraphView& view, const GraphInput& in, const GraphMaps& maps,
               RecordRange range, std::int64_t t0) {
    const int n = static_cast<int>(in.records.size());
    if (range.first >= n)
        return;
    const auto y = [&](int r) {
        return std::min(
            maps.ValueToY(PlottedValue(in.records[static_cast<std::size_t>(r)], view.Unit)),
            maps.PlotBottom());
    };
    const PaintPen pen{view.cGrap, kCurveWidth, PenStyle::Solid};
    const std::span<const LinkGap> gaps = in.test ? in.test->gaps : std::span<const LinkGap>();
    // Nothing was measured across a break of the link: the curve stops before it and starts
    // again after it. A lone record beside a break is a piece of one point, drawn as a dot
    // (the same point twice), so it does not vanish from the graph.
    const auto broken = [gaps](int before, int after) {
        return std::any_of(gaps.begin(), gaps.end(),
                           [&](const LinkGap& g) { return g.fromT >= before && g.toT <= after; });
    };
    int pieceSize = 0;
    bool pieceAfterBreak = false;
    PaintPoint last{};
    const auto add = [&](int x, int yy) {
        out.AddPoint(x, yy);
        last = {x, yy};
        ++pieceSize;
    };
    const auto endPiece = [&](bool beforeBreak) {
        if (pieceSize == 1 && (beforeBreak || pieceAfterBreak))
            out.AddPoint(last.x, last.y);
        out.EndPolyline();
    };
    out.BeginPolyline(PaintRole::Curve, pen);
    add(view.LeftMargin, y(range.first));
    const int end = std::min(range.last, n - 1);
    for (int r = range.first + 1; r <= end; ++r) {
        const int t = in.records[static_cast<std::size_t>(r)].T;
        if (!gaps.empty() && broken(in.records[static_cast<std::size_t>(r) - 1].T, t)) {
            endPiece(true);
            out.BeginPolyline(PaintRole::Curve, pen);
            pieceSize = 0;
            pieceAfterBreak = true;
        }
        add(maps.TimeToX(t - t0), y(r));
    }
    endPiece(false);
}

} // namespace

int ClampCoord(long double value) {
    if (std::isnan(value) || value >= kPaintCoordLimit)
        return kPaintCoordLimit;
    if (value <= -kPaintCoordLimit)
        return -kPaintCoordLimit;
    return static_cast<int>(value); // truncates towards zero
}

GraphMaps::GraphMaps(int width, int height, const GraphView& view, int timeStepSec, float yMin,
                     float yMax)
    : m_width(width), m_height(height), m_leftMargin(view.LeftMargin),
      m_bottomMargin(view.BottomMargin),
      m_spanSec(std::max<std::int64_t>(1, std::int64_t{view.NumPoint} * timeStepSec)), m_yMin(yMin),
      m_yMax(yMax) {}

int GraphMaps::ValueToY(float v) const {
    const long double range = static_cast<long double>(m_yMax) - m_yMin;
    if (range == 0)
        return 0;
    return ClampCoord(static_cast<long double>(PlotBottom()) *
                      (static_cast<long double>(m_yMax) - v) / range);
}

int GraphMaps::TimeToX(std::int64_t t) const {
    const std::int64_t plotWidth = m_width - m_leftMargin;
    return ClampCoord(static_cast<long double>(m_leftMargin + (t * plotWidth) / m_spanSec));
}

int GraphMaps::TimeToXExact(double t) const {
    const long double plotWidth = m_width - m_leftMargin;
    return ClampCoord(m_leftMargin + static_cast<long double>(t) * plotWidth / m_spanSec);
}

double GraphMaps::TimeAt(int x) const {
    const int plotWidth = m_width - m_leftMargin;
    if (plotWidth <= 0)
        return 0;
    return static_cast<double>(x - m_leftMargin) * static_cast<double>(m_spanSec) / plotWidth;
}

RecordRange ChooseRecords(int count, int numPoint, int pan) {
    RecordRange r{0, count - 1};
    if (numPoint > r.last)
        r.last = numPoint - 1;
    if (numPoint < r.last) {
        r.first = r.last - numPoint + 1;
        const std::int64_t moved = std::int64_t{r.first} - pan;
        if (moved < 0) {
            r.first = 0;
            r.last = numPoint - 1;
        } else {
            r.first = static_cast<int>(std::min<std::int64_t>(moved, count - 1));
            r.last = r.first + numPoint - 1;
        }
    }
    return r;
}

GraphPlot::GraphPlot() {
    const ScaleRow& row = ScaleRows(kUnitDbPerM)[static_cast<std::size_t>(GraphView{}.NScaleDB)];
    m_yMin = row.yMin;
    m_yMax = row.yMax;
}

void GraphPlot::TakeScaleRow(GraphView& view) {
    const std::span<const ScaleRow> rows = ScaleRows(view.Unit);
    if (rows.empty())
        return;
    const int index = view.Unit == kUnitDbPerM    ? view.NScaleDB
                      : view.Unit == kUnitPercent ? view.NScalePER
                                                  : view.NScaleV;
    const ScaleRow& row =
        rows[static_cast<std::size_t>(std::clamp(index, 0, ScaleRowLimit(view.Unit)))];
    m_yMin = row.yMin;
    m_yMax = row.yMax;
    view.wQy = row.divisions;
}

RecordRange GraphPlot::Redraw(GraphView& view, const GraphInput& in, const TextMeasure& measure,
                              PaintList& out) {
    out.Clear();
    const int n = static_cast<int>(in.records.size());
    const RecordRange range = ChooseRecords(n, view.NumPoint, in.pan);
    if (std::int16_t* row = view.AutoY ? ScaleRowIndex(view) : nullptr)
        *row =
            static_cast<std::int16_t>(AutoScaleRow(view.Unit, *row, ValuesInView(view, in, range)));
    TakeScaleRow(view);
    const GraphMaps maps(in.width, in.height, view, in.timeStepSec, m_yMin, m_yMax);
    const std::int64_t t0 = n > 0 ? in.records[static_cast<std::size_t>(range.first)].T : 0;
    const AxesFrame frame{view.wQx, view.wQy, m_yMax, m_yMin, t0 + maps.SpanSec(), t0};
    DrawAxes(out, view, in, frame, measure);
    if (in.test)
        DrawLinkGaps(out, maps, *in.test, t0, view.LeftMargin, in.width);
    DrawOverlay(out, view, in, maps, t0);
    if (in.test)
        DrawTestMarks(out, maps, *in.test, t0, view, in.width, measure);
    DrawCurve(out, view, in, maps, range, t0);
    if (in.test && view.Unit == kUnitDbPerM)
        DrawViolations(out, maps, *in.test, in.records, range, t0, kCurveWidth);
    return range;
}

void DrawTestFire(PaintList& out, const GraphMaps& maps, int id, int shift,
                  std::uint32_t gapColour) {
    const TestFireEnvelope* fire = FindTestFire(id);
    if (!fire)
        return;
    for (std::span<const EnvelopePoint> limit : {fire->upper, fire->lower}) {
        out.BeginPolyline(PaintRole::Overlay, OverlayPen(gapColour));
        for (const EnvelopePoint& p : limit)
            out.AddPoint(ClampedSum(shift, maps.TimeToX(p.tSec)), maps.ValueToY(p.mDbPerM));
        out.EndPolyline();
    }
}

void DrawTemplate(PaintList& out, const GraphMaps& maps, std::span<const TemplatePoint> points,
                  int shift, std::uint32_t gapColour) {
    if (points.size() < 2)
        return;
    out.BeginPolyline(PaintRole::Overlay, OverlayPen(gapColour));
    for (const TemplatePoint& p : points)
        out.AddPoint(ClampedSum(shift, maps.TimeToX(p.T)),
                     std::min(maps.ValueToY(p.m), maps.PlotBottom()));
    out.EndPolyline();
}

} // namespace core
