// The readout under the cursor: nearest record, its values and the difference from the
// reference point, the box and marks as paint primitives, and the click rule.
#include "core/graph/graph_readout.h"

#include "core/common/date_time.h"
#include "core/common/format.h"
#include "core/fire/fire_band.h"
#include "core/graph/graph_scale.h"
#include "core/graph/graph_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace core {
namespace {

constexpr int kBoxOffset = 16; ///< pixels from the cursor to the box
constexpr int kBoxPadding = 4;
constexpr int kMarkHalf = 4; ///< a record's mark: a square of 2 x 4 + 1 pixels

ReadoutPoint PointOf(std::span<const MeasurementRecord> records, int record, int unit) {
    const MeasurementRecord& r = records[static_cast<std::size_t>(record)];
    return {record, r.T, r.Time, PlottedValue(r, unit)};
}

std::string Signed(std::string text, bool negative) {
    return negative ? text : "+" + text;
}

std::string SecondsText(std::int64_t seconds) {
    return std::to_string(seconds) + " с (" + MinutesSeconds(seconds) + ")";
}

std::string ValueText(float value) {
    return FormatDecimal(value, 5, 3);
}

// The record's point on the curve, its y held at the plot's bottom row as the curve's is.
PaintPoint CurvePoint(const GraphMaps& maps, const ReadoutInput& in, int record, int unit,
                      std::int64_t t0) {
    const MeasurementRecord& r = in.records[static_cast<std::size_t>(record)];
    return {maps.TimeToX(r.T - t0),
            std::min(maps.ValueToY(PlottedValue(r, unit)), maps.PlotBottom())};
}

void Square(PaintList& out, const PaintPen& pen, PaintPoint p) {
    const int l = p.x - kMarkHalf, r = p.x + kMarkHalf, t = p.y - kMarkHalf, b = p.y + kMarkHalf;
    const PaintPoint corners[] = {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
    out.BeginPolyline(PaintRole::ReadoutMark, pen);
    for (const PaintPoint& corner : corners)
        out.AddPoint(corner.x, corner.y);
    out.EndPolyline();
}

void Box(PaintList& out, const GraphMaps& maps, const GraphView& view, PaintPoint cursor,
         const std::vector<std::string>& lines, const TextMeasure& measure) {
    int textWidth = 0, lineHeight = 0;
    for (const std::string& line : lines) {
        const TextSize size = measure.Measure(line);
        textWidth = std::max(textWidth, size.width);
        lineHeight = std::max(lineHeight, size.height);
    }
    const int w = textWidth + 2 * kBoxPadding;
    const int h = lineHeight * static_cast<int>(lines.size()) + 2 * kBoxPadding;
    int x = cursor.x + kBoxOffset;
    if (x + w > maps.Width())
        x = cursor.x - kBoxOffset - w;
    int y = cursor.y + kBoxOffset;
    if (y + h > maps.PlotBottom())
        y = cursor.y - kBoxOffset - h;
    x = std::max(x, 0);
    y = std::max(y, 0);
    out.FillRect(PaintRole::ReadoutBox, view.cMargin, x, y, x + w, y + h);
    const PaintPen border{view.cGrid, 1, PenStyle::Solid};
    const PaintPoint corners[] = {
        {x, y}, {x + w - 1, y}, {x + w - 1, y + h - 1}, {x, y + h - 1}, {x, y}};
    out.BeginPolyline(PaintRole::ReadoutBox, border);
    for (const PaintPoint& corner : corners)
        out.AddPoint(corner.x, corner.y);
    out.EndPolyline();
    int row = y + kBoxPadding;
    for (const std::string& line : lines) {
        out.Text(PaintRole::ReadoutText, line, TextAnchor::TopLeft, x + kBoxPadding, row,
                 view.cFont, view.cMargin, measure);
        row += lineHeight;
    }
}

} // namespace

std::optional<int> NearestRecord(std::span<const MeasurementRecord> records,
                                 const RecordRange& range, std::int64_t t0, std::int64_t spanSec,
                                 double t) {
    const int last = std::min(range.last, static_cast<int>(records.size()) - 1);
    std::optional<int> best;
    double bestDistance = 0;
    for (int r = std::max(range.first, 0); r <= last; ++r) {
        const std::int64_t T = records[static_cast<std::size_t>(r)].T;
        if (T < t0 || T > t0 + spanSec)
            continue;
        const double distance = std::fabs(static_cast<double>(T) - t);
        if (!best || distance < bestDistance) {
            best = r;
            bestDistance = distance;
        }
    }
    return best;
}

Readout ReadRecord(std::span<const MeasurementRecord> records, int record, int unit,
                   const GraphTest* test, int overlay, std::optional<int> reference) {
    Readout readout;
    readout.unit = unit;
    readout.at = PointOf(records, record, unit);
    if (reference && *reference >= 0 && *reference < static_cast<int>(records.size()))
        readout.reference = PointOf(records, *reference, unit);
    if (!test || !test->fireStartT)
        return readout;
    const double fromStart = static_cast<double>(readout.at.tSec) - *test->fireStartT;
    readout.fireSec = fromStart;
    if (unit == kUnitDbPerM && test->BandShown(overlay) && fromStart >= 0) {
        readout.fireName = test->fire->name;
        readout.upper = UpperLimitAt(*test->fire, fromStart);
        readout.hasLowerLimit = HasLowerLimit(*test->fire, fromStart);
        if (readout.hasLowerLimit)
            readout.lower = LowerLimitAt(*test->fire, fromStart);
    }
    return readout;
}

std::string MinutesSeconds(std::int64_t seconds) {
    const std::int64_t whole = seconds < 0 ? -seconds : seconds;
    char text[32];
    std::snprintf(text, sizeof text, "%s%02lld:%02lld", seconds < 0 ? "-" : "",
                  static_cast<long long>(whole / 60), static_cast<long long>(whole % 60));
    return text;
}

std::vector<std::string> ReadoutLines(const Readout& r) {
    std::vector<std::string> lines;
    lines.push_back("T=" + SecondsText(r.at.tSec));
    lines.push_back("Время " + FormatTimeOfDay(r.at.clock));
    lines.push_back(ReadoutText(r.unit, r.at.value));
    if (r.fireSec)
        lines.push_back("От пуска " + FormatDecimal(*r.fireSec, 7, 1) + " с");
    if (r.upper) {
        const std::string fire(r.fireName);
        lines.push_back(fire + ": верх " + ValueText(*r.upper) + " дБ/м");
        lines.push_back(fire + ": низ " +
                        (r.lower ? ValueText(*r.lower) + " дБ/м" : std::string("нет")));
    }
    if (r.reference) {
        const std::int64_t dt = r.DeltaSec();
        lines.push_back("Δt=" + Signed(std::to_string(dt), dt < 0) + " с (" + MinutesSeconds(dt) +
                        ")");
        const float dv = r.DeltaValue();
        std::string prefix(ReadoutPrefix(r.unit));
        if (prefix.empty())
            prefix = "=";
        lines.push_back("Δ" + prefix + Signed(ValueText(dv), std::signbit(dv) && dv != 0) +
                        std::string(ReadoutSuffix(r.unit)));
    }
    return lines;
}

void DrawReadout(PaintList& out, const GraphMaps& maps, const GraphView& view,
                 const ReadoutInput& in, const TextMeasure& measure) {
    const int n = static_cast<int>(in.records.size());
    if (n < 1 || in.range.first >= n || in.range.first < 0 || (!in.hover && !in.reference))
        return;
    const std::int64_t t0 = in.records[static_cast<std::size_t>(in.range.first)].T;
    const PaintPen pen{view.cMargin, 1, PenStyle::Solid};
    std::optional<int> reference = in.reference;
    if (reference && (*reference < 0 || *reference >= n))
        reference.reset();
    if (reference) {
        const PaintPoint p = CurvePoint(maps, in, *reference, view.Unit, t0);
        if (p.x >= maps.LeftMargin() && p.x < maps.Width()) {
            out.Line(PaintRole::ReadoutMark,
                     PaintPen{view.cMargin, 1, PenStyle::Dash, true, view.cBack}, p.x, 0, p.x,
                     maps.PlotBottom());
            Square(out, pen, p);
        }
    }
    if (!in.hover)
        return;
    const std::optional<int> record =
        NearestRecord(in.records, in.range, t0, maps.SpanSec(), t0 + maps.TimeAt(in.hover->x));
    if (!record)
        return;
    Square(out, pen, CurvePoint(maps, in, *record, view.Unit, t0));
    const Readout readout =
        ReadRecord(in.records, *record, view.Unit, in.test, view.bVeiwTP, reference);
    Box(out, maps, view, *in.hover, ReadoutLines(readout), measure);
}

void GraphCursor::Press(int x, int y) {
    m_press = PaintPoint{x, y};
    m_moved = false;
}

void GraphCursor::Move(int x, int y, bool inPlot) {
    if (inPlot)
        hover = PaintPoint{x, y};
    else
        hover.reset();
    if (m_press && (std::abs(x - m_press->x) > kClickSlop || std::abs(y - m_press->y) > kClickSlop))
        m_moved = true;
}

std::optional<PaintPoint> GraphCursor::Release() {
    std::optional<PaintPoint> click = m_moved ? std::nullopt : m_press;
    m_press.reset();
    m_moved = false;
    return click;
}

bool GraphCursor::Click(std::optional<int> record) {
    if (!record)
        return false;
    if (reference == record)
        reference.reset();
    else
        reference = record;
    return true;
}

bool GraphCursor::ClearReference() {
    const bool had = reference.has_value();
    reference.reset();
    return had;
}

} // namespace core
