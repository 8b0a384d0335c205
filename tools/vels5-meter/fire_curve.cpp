// The simulated fire's curve inside and outside its band, and the detectors' thresholds.
#include "tools/vels5-meter/fire_curve.h"

#include <algorithm>
#include <span>

namespace meter {
namespace {

using Polyline = std::span<const core::EnvelopePoint>;

// The moment after which the upper limit is above `v` for good: through the last corner not
// above `v`, interpolated on the rising segment after it; 0 when the limit starts above.
double UpperPassesAt(Polyline upper, double v) {
    std::optional<std::size_t> last;
    for (std::size_t i = 0; i < upper.size(); ++i)
        if (upper[i].mDbPerM <= v)
            last = i;
    if (!last)
        return 0;
    const core::EnvelopePoint& a = upper[*last];
    if (*last + 1 >= upper.size())
        return a.tSec;
    const core::EnvelopePoint& b = upper[*last + 1];
    return a.tSec + (v - a.mDbPerM) / (b.mDbPerM - a.mDbPerM) * (b.tSec - a.tSec);
}

// The moment the lower limit first reaches `v`, interpolated between its corners.
double LowerReachesAt(Polyline lower, double v) {
    for (std::size_t j = 0; j < lower.size(); ++j) {
        if (lower[j].mDbPerM < v)
            continue;
        if (j == 0)
            return lower[0].tSec;
        const core::EnvelopePoint& a = lower[j - 1];
        const core::EnvelopePoint& b = lower[j];
        return a.tSec + (v - a.mDbPerM) / (b.mDbPerM - a.mDbPerM) * (b.tSec - a.tSec);
    }
    return lower.empty() ? 0 : lower.back().tSec;
}

struct CurvePoint {
    double tSec;
    double m;
};

// The horizontal middle at every value where either limit has a corner, in rising order;
// between them both limits are straight, so the middle is too.
std::vector<CurvePoint> HorizontalMiddle(const core::TestFireEnvelope& fire) {
    std::vector<double> levels;
    for (Polyline limit : {fire.upper, fire.lower})
        for (const core::EnvelopePoint& p : limit)
            levels.push_back(p.mDbPerM);
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    std::vector<CurvePoint> points;
    for (double v : levels)
        points.push_back({(UpperPassesAt(fire.upper, v) + LowerReachesAt(fire.lower, v)) / 2, v});
    return points;
}

double Along(const std::vector<CurvePoint>& points, double t) {
    if (points.empty() || t <= points.front().tSec)
        return points.empty() ? 0 : points.front().m;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const CurvePoint& a = points[i - 1];
        const CurvePoint& b = points[i];
        if (t <= b.tSec)
            return b.tSec == a.tSec ? b.m : a.m + (t - a.tSec) / (b.tSec - a.tSec) * (b.m - a.m);
    }
    return points.back().m;
}

} // namespace

double InsideDensityAt(const core::TestFireEnvelope& fire, double fireSec) {
    const double vertical =
        (core::UpperLimitAt(fire, fireSec) + core::LowerLimitAt(fire, fireSec)) / 2.0;
    return std::max(vertical, Along(HorizontalMiddle(fire), fireSec));
}

double InsideEndSec(const core::TestFireEnvelope& fire) {
    const std::vector<CurvePoint> points = HorizontalMiddle(fire);
    return points.empty() ? 0 : points.back().tSec;
}

double OutsideDensityAt(const core::TestFireEnvelope& fire, core::BandSide side, double fireSec) {
    if (side == core::BandSide::Upper)
        return 1.3 * core::UpperLimitAt(fire, fireSec) + 0.02;
    return std::max(0.0, 0.6 * core::LowerLimitAt(fire, fireSec) - 0.005);
}

OutsideStretch DefaultStretch(const core::TestFireEnvelope& fire, core::BandSide side) {
    const double end = InsideEndSec(fire);
    OutsideStretch s;
    s.side = side;
    s.durationSec = end / 10;
    if (side == core::BandSide::Upper) {
        s.fromSec = 0.4 * end;
    } else {
        const double lowerStart = fire.lower.empty() ? 0 : fire.lower.front().tSec;
        s.fromSec = lowerStart + 0.6 * (end - lowerStart);
    }
    return s;
}

double FireDensityAt(const core::TestFireEnvelope& fire,
                     const std::optional<OutsideStretch>& outside, double fireSec) {
    if (outside && fireSec >= outside->fromSec && fireSec < outside->fromSec + outside->durationSec)
        return OutsideDensityAt(fire, outside->side, fireSec);
    return InsideDensityAt(fire, fireSec);
}

double DefaultThreshold(const core::TestFireEnvelope& fire) {
    return std::min(0.1, core::EndOfTestValue(fire) / 2.0);
}

std::vector<double> DetectorThresholds(int count, double around) {
    std::vector<double> thresholds;
    for (int i = 0; i < count; ++i)
        thresholds.push_back(count == 1 ? around : around * (0.8 + 0.4 * i / (count - 1)));
    return thresholds;
}

} // namespace meter
