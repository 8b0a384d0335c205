// The auto row of the value axis and the top of a test fire's band in view.
#include "core/graph/graph_auto_scale.h"

#include "core/fire/fire_band.h"
#include "core/graph/graph_scale.h"

#include <algorithm>
#include <cmath>

namespace core {
namespace {

constexpr float kSpare = 0.1f; ///< of a smaller row's range, kept free before shrinking to it

struct TableBounds {
    float bottom, top;
};

TableBounds BoundsOf(std::span<const ScaleRow> rows) {
    TableBounds b{rows.front().yMin, rows.front().yMax};
    for (const ScaleRow& row : rows) {
        b.bottom = std::min(b.bottom, row.yMin);
        b.top = std::max(b.top, row.yMax);
    }
    return b;
}

// `shown` with each end held inside the table's outermost bounds.
ShownValues Held(const ShownValues& shown, TableBounds b) {
    ShownValues held = shown;
    held.lo = std::clamp(shown.lo, b.bottom, b.top);
    held.hi = std::clamp(shown.hi, b.bottom, b.top);
    return held;
}

bool Holds(const ScaleRow& row, const ShownValues& v, float spare, TableBounds b) {
    const float margin = spare * (row.yMax - row.yMin);
    const float top = row.yMax == b.top ? row.yMax : row.yMax - margin;
    const float bottom = row.yMin == b.bottom ? row.yMin : row.yMin + margin;
    return v.lo >= bottom && v.hi <= top;
}

} // namespace

void ShownValues::Add(float v) {
    if (!std::isfinite(v))
        return;
    if (empty) {
        lo = hi = v;
        empty = false;
        return;
    }
    lo = std::min(lo, v);
    hi = std::max(hi, v);
}

std::optional<int> FittingRow(int unit, const ShownValues& shown) {
    const std::span<const ScaleRow> rows = ScaleRows(unit);
    if (rows.empty() || shown.empty)
        return std::nullopt;
    const TableBounds b = BoundsOf(rows);
    const ShownValues held = Held(shown, b);
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (Holds(rows[i], held, 0, b))
            return static_cast<int>(i);
    return static_cast<int>(rows.size()) - 1;
}

int AutoScaleRow(int unit, int current, const ShownValues& shown) {
    const std::optional<int> fit = FittingRow(unit, shown);
    if (!fit)
        return current;
    if (*fit >= current)
        return *fit;
    const std::span<const ScaleRow> rows = ScaleRows(unit);
    const TableBounds b = BoundsOf(rows);
    const ShownValues held = Held(shown, b);
    for (int row = *fit; row < current; ++row)
        if (Holds(rows[static_cast<std::size_t>(row)], held, kSpare, b))
            return row;
    return std::min(current, static_cast<int>(rows.size()) - 1);
}

std::optional<float> BandTop(const TestFireEnvelope& fire, double fromSec, double toSec,
                             bool beyondLastCorner) {
    if (fire.upper.empty())
        return std::nullopt;
    const double end =
        beyondLastCorner ? toSec : std::min(toSec, static_cast<double>(fire.upper.back().tSec));
    const double start = std::max(fromSec, static_cast<double>(fire.upper.front().tSec));
    if (start > end)
        return std::nullopt;
    float top = std::max(UpperLimitAt(fire, start), UpperLimitAt(fire, end));
    for (const EnvelopePoint& p : fire.upper)
        if (p.tSec > start && p.tSec < end)
            top = std::max(top, p.mDbPerM);
    return std::min(top, EndOfTestValue(fire));
}

ShownValues ValuesInView(const GraphView& view, const GraphInput& in, const RecordRange& range) {
    ShownValues shown;
    const int n = static_cast<int>(in.records.size());
    if (range.first < 0 || range.first >= n)
        return shown;
    const std::int64_t span =
        std::max<std::int64_t>(1, std::int64_t{view.NumPoint} * in.timeStepSec);
    const std::int64_t t0 = in.records[static_cast<std::size_t>(range.first)].T;
    for (int r = range.first; r <= std::min(range.last, n - 1); ++r) {
        const MeasurementRecord& record = in.records[static_cast<std::size_t>(r)];
        if (record.T <= t0 + span)
            shown.Add(PlottedValue(record, view.Unit));
    }
    if (view.Unit != kUnitDbPerM)
        return shown;
    std::optional<float> top;
    if (in.test && in.test->BandShown(view.bVeiwTP)) {
        const double zero = *in.test->fireStartT - static_cast<double>(t0);
        top = BandTop(*in.test->fire, -zero, static_cast<double>(span) - zero, true);
    } else if (const TestFireEnvelope* fire = FindTestFire(view.bVeiwTP)) {
        const int plotWidth = std::max(1, in.width - view.LeftMargin);
        const double shift =
            static_cast<double>(in.shiftTP) * static_cast<double>(span) / plotWidth;
        top = BandTop(*fire, -shift, static_cast<double>(span) - shift, false);
    }
    if (top)
        shown.Add(*top);
    return shown;
}

} // namespace core
