// The fire test on the graph: anchored band, mark lines with labels, violations on the curve.
#include "core/graph/graph_fire_marks.h"

#include "core/graph/graph_plot.h"
#include "core/graph/graph_view.h"

#include <algorithm>

namespace core {
namespace {

constexpr int kLabelRows = 4;
constexpr int kLabelGap = 3;   ///< pixels between a mark line and its label
constexpr int kSquareHalf = 3; ///< a one-record violation: a square of 2 x 3 + 1 pixels

// A vertical line at log time `t` with its label; nothing when it lies outside the plot.
void Mark(PaintList& out, const GraphMaps& maps, double t, std::int64_t t0, int width, int y,
          std::string_view label, std::uint32_t colour, const GraphView& view,
          const TextMeasure& measure) {
    const int x = maps.TimeToXExact(t - static_cast<double>(t0));
    if (x < view.LeftMargin || x >= width)
        return;
    out.Line(PaintRole::TestMark, PaintPen{colour, 1, PenStyle::Solid}, x, 0, x, maps.PlotBottom());
    out.Text(PaintRole::TestLabel, label, TextAnchor::TopLeft, x + kLabelGap, y, colour, view.cBack,
             measure);
}

} // namespace

GraphTest GraphTestOf(const FireTest& test) {
    GraphTest graph;
    graph.fire = test.Fire();
    graph.fireStartT = test.Marks().fireStartT;
    graph.detectors = test.Marks().detectors;
    if (test.Verdict())
        graph.violations = test.Verdict()->violations;
    graph.gaps = test.Marks().gaps;
    return graph;
}

void DrawLinkGaps(PaintList& out, const GraphMaps& maps, const GraphTest& test, std::int64_t t0,
                  int leftMargin, int width) {
    for (const LinkGap& gap : test.gaps) {
        const int x1 = std::max(maps.TimeToX(std::int64_t{gap.fromT} - t0), leftMargin);
        const int x2 = std::min(maps.TimeToX(std::int64_t{gap.toT} - t0), width);
        if (x2 > x1)
            out.FillRect(PaintRole::LinkGap, kLinkGapColour, x1, 0, x2, maps.PlotBottom());
    }
}

void DrawTestBand(PaintList& out, const GraphMaps& maps, const GraphTest& test, std::int64_t t0,
                  int width, std::uint32_t gapColour) {
    if (!test.HasBand())
        return;
    const double zero = *test.fireStartT - static_cast<double>(t0);
    const PaintPen pen{kOverlayColour, 1, PenStyle::Dash, true, gapColour};
    for (std::span<const EnvelopePoint> limit : {test.fire->upper, test.fire->lower}) {
        if (limit.empty())
            continue;
        out.BeginPolyline(PaintRole::TestBand, pen);
        int lastX = 0;
        for (const EnvelopePoint& p : limit) {
            lastX = maps.TimeToXExact(zero + p.tSec);
            out.AddPoint(lastX, maps.ValueToY(p.mDbPerM));
        }
        // Past its last corner a limit keeps its last value.
        if (lastX < width)
            out.AddPoint(width, maps.ValueToY(limit.back().mDbPerM));
        out.EndPolyline();
    }
}

void DrawTestMarks(PaintList& out, const GraphMaps& maps, const GraphTest& test, std::int64_t t0,
                   const GraphView& view, int width, const TextMeasure& measure) {
    const int rowHeight = measure.Measure(kFireStartLabel).height;
    const auto rowY = [&](int row) { return kLabelGap + row * rowHeight; };
    if (test.fireStartT)
        Mark(out, maps, *test.fireStartT, t0, width, rowY(0), kFireStartLabel, kFireStartColour,
             view, measure);
    // Labels step down a row per alarm in time order (equal times in list order); counting
    // the earlier alarms of each keeps the redraw free of allocations.
    for (const DetectorMark& d : test.detectors) {
        if (!d.alarmT)
            continue;
        int earlier = 0;
        for (const DetectorMark& other : test.detectors)
            earlier += other.alarmT &&
                       (*other.alarmT < *d.alarmT || (*other.alarmT == *d.alarmT && &other < &d));
        Mark(out, maps, *d.alarmT, t0, width, rowY(earlier % (kLabelRows - 1) + 1), d.name,
             kAlarmColour, view, measure);
    }
}

void DrawViolations(PaintList& out, const GraphMaps& maps, const GraphTest& test,
                    std::span<const MeasurementRecord> records, const RecordRange& range,
                    std::int64_t t0, int curveWidth) {
    if (!test.fireStartT || test.violations.empty())
        return;
    const double start = *test.fireStartT;
    const int last = std::min(range.last, static_cast<int>(records.size()) - 1);
    const PaintPen pen{kViolationColour, curveWidth, PenStyle::Solid};
    // One pass: the records and the violations are both in time order.
    std::size_t v = 0;
    std::size_t open = test.violations.size(); // the violation whose run is being drawn
    int points = 0;
    PaintPoint only;
    const auto close = [&] {
        out.EndPolyline(); // drops a run of fewer than two points
        if (points == 1)
            out.FillRect(PaintRole::Violation, kViolationColour, only.x - kSquareHalf,
                         only.y - kSquareHalf, only.x + kSquareHalf + 1, only.y + kSquareHalf + 1);
        points = 0;
        open = test.violations.size();
    };
    for (int r = std::max(range.first, 0); r <= last; ++r) {
        const MeasurementRecord& record = records[static_cast<std::size_t>(r)];
        const double fromStart = record.T - start;
        while (v < test.violations.size() && fromStart > test.violations[v].toSec)
            ++v;
        const bool inside = v < test.violations.size() && fromStart >= test.violations[v].fromSec;
        if (open != test.violations.size() && (!inside || open != v))
            close();
        if (!inside)
            continue;
        if (open != v) {
            out.BeginPolyline(PaintRole::Violation, pen);
            open = v;
        }
        only = {maps.TimeToX(std::int64_t{record.T} - t0),
                std::min(maps.ValueToY(record.m), maps.PlotBottom())};
        out.AddPoint(only.x, only.y);
        ++points;
    }
    if (open != test.violations.size())
        close();
}

} // namespace core
