// The band of a test fire as functions of time and the envelope check of a recorded curve.
#include "core/fire_band.h"

#include "core/format.h"

#include <algorithm>

namespace core {

float UpperLimitAt(const TestFireEnvelope& fire, double tSec) {
    return EnvelopeAt(fire.upper, tSec);
}

float LowerLimitAt(const TestFireEnvelope& fire, double tSec) {
    return EnvelopeAt(fire.lower, tSec);
}

bool HasLowerLimit(const TestFireEnvelope& fire, double tSec) {
    return !fire.lower.empty() && tSec >= fire.lower.front().tSec;
}

float EndOfTestValue(const TestFireEnvelope& fire) {
    float value = 0;
    if (!fire.upper.empty())
        value = fire.upper.back().mDbPerM;
    if (!fire.lower.empty())
        value = std::max(value, fire.lower.back().mDbPerM);
    return value;
}

namespace {

// The side on which a value at `tSec` from the fire start leaves the band, if it does.
std::optional<BandSide> Outside(const TestFireEnvelope& fire, double tSec, float m) {
    if (m > UpperLimitAt(fire, tSec))
        return BandSide::Upper;
    if (HasLowerLimit(fire, tSec) && m < LowerLimitAt(fire, tSec))
        return BandSide::Lower;
    return std::nullopt;
}

} // namespace

BandVerdict CheckTestFire(const TestFireEnvelope& fire, std::span<const MeasurementRecord> records,
                          double fireStartT, double endT) {
    BandVerdict verdict;
    verdict.fireId = fire.id;
    verdict.endSec = endT - fireStartT;
    const float endValue = EndOfTestValue(fire);
    bool endReached = false;
    BandViolation* open = nullptr; // the stretch the previous record extended, if any
    for (const MeasurementRecord& record : records) {
        const double t = record.T;
        if (t < fireStartT || t > endT)
            continue;
        ++verdict.checked;
        const float m = record.m;
        float compared = m;
        if (!endReached && m >= endValue) {
            endReached = true;
            compared = endValue;
        }
        const double fromStart = t - fireStartT;
        const std::optional<BandSide> side = Outside(fire, fromStart, compared);
        if (!side) {
            open = nullptr;
            continue;
        }
        verdict.inside = false;
        if (open && open->side == *side) {
            open->toSec = fromStart;
            open->extreme =
                *side == BandSide::Upper ? std::max(open->extreme, m) : std::min(open->extreme, m);
            continue;
        }
        verdict.violations.push_back({*side, fromStart, fromStart, m});
        open = &verdict.violations.back();
    }
    return verdict;
}

std::optional<double> EndValueReachedT(const TestFireEnvelope& fire,
                                       std::span<const MeasurementRecord> records,
                                       double fireStartT) {
    const float endValue = EndOfTestValue(fire);
    for (const MeasurementRecord& record : records)
        if (record.T >= fireStartT && record.m >= endValue)
            return record.T;
    return std::nullopt;
}

double TestEndT(const TestFireEnvelope& fire, std::span<const MeasurementRecord> records,
                double fireStartT, std::optional<double> allAlarmedT) {
    std::optional<double> end = EndValueReachedT(fire, records, fireStartT);
    if (allAlarmedT && (!end || *allAlarmedT < *end))
        end = allAlarmedT;
    if (end)
        return std::max(*end, fireStartT);
    double last = fireStartT;
    for (const MeasurementRecord& record : records)
        last = std::max(last, static_cast<double>(record.T));
    return last;
}

std::string VerdictText(const TestFireEnvelope& fire, const BandVerdict& verdict) {
    std::string text{fire.name};
    text += ": ";
    if (verdict.inside)
        return text + "в допуске";
    bool first = true;
    for (const BandViolation& v : verdict.violations) {
        if (!first)
            text += "; ";
        first = false;
        text += ViolationText(v);
    }
    return text;
}

std::string ViolationText(const BandViolation& v) {
    const bool upper = v.side == BandSide::Upper;
    std::string text = upper ? "выше границы с " : "ниже границы с ";
    text += FormatDecimal(v.fromSec, 6, 0) + " по " + FormatDecimal(v.toSec, 6, 0) + " с (";
    text += upper ? "макс. " : "мин. ";
    return text + FormatDecimal(v.extreme, 5, 3) + " дБ/м)";
}

} // namespace core
