// The fire test on the graph: anchored band, mark lines with labels, violations on the curve.
#include "core/graph_test_marks.h"

#include "core/graph_plot.h"
#include "core/graph_view.h"

#include <algorithm>
#include <vector>

namespace core {
namespace {

constexpr int kLabelRows = 4;
constexpr int kLabelGap = 3;   ///< pixels between a mark line and its label
constexpr int kSquareHalf = 3; ///< a one-record violation: a square of 2 x 3 + 1 pixels

// A vertical line at log time `t` with its label; nothing when it lies outside the plot.
void Mark(PaintList& out, const GraphMaps& maps, double t, std::int64_t t0, int width, int row,
          std::string_view label, std::uint32_t colour, const GraphView& view,
          const TextMeasure& measure) {
    const int x = maps.TimeToXExact(t - static_cast<double>(t0));
    if (x < view.LeftMargin || x >= width)
        return;
    out.Line(PaintRole::TestMark, PaintPen{colour, 1, PenStyle::Solid}, x, 0, x, maps.PlotBottom());
    const int y = kLabelGap + row * measure.Measure(label).height;
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
    return graph;
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
    if (test.fireStartT)
        Mark(out, maps, *test.fireStartT, t0, width, 0, kFireStartLabel, kFireStartColour, view,
             measure);
    std::vector<const DetectorMark*> alarms;
    for (const DetectorMark& d : test.detectors)
        if (d.alarmT)
            alarms.push_back(&d);
    std::stable_sort(
        alarms.begin(), alarms.end(),
        [](const DetectorMark* a, const DetectorMark* b) { return *a->alarmT < *b->alarmT; });
    int row = 1;
    for (const DetectorMark* d : alarms) {
        Mark(out, maps, *d->alarmT, t0, width, row, d->name, kAlarmColour, view, measure);
        row = row % (kLabelRows - 1) + 1;
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
    for (const BandViolation& v : test.violations) {
        out.BeginPolyline(PaintRole::Violation, pen);
        int points = 0;
        PaintPoint only;
        for (int r = std::max(range.first, 0); r <= last; ++r) {
            const MeasurementRecord& record = records[static_cast<std::size_t>(r)];
            const double fromStart = record.T - start;
            if (fromStart < v.fromSec || fromStart > v.toSec)
                continue;
            only = {maps.TimeToX(std::int64_t{record.T} - t0),
                    std::min(maps.ValueToY(record.m), maps.PlotBottom())};
            out.AddPoint(only.x, only.y);
            ++points;
        }
        out.EndPolyline(); // drops a run of fewer than two points
        if (points == 1)
            out.FillRect(PaintRole::Violation, kViolationColour, only.x - kSquareHalf,
                         only.y - kSquareHalf, only.x + kSquareHalf + 1, only.y + kSquareHalf + 1);
    }
}

} // namespace core
