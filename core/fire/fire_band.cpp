// The band of a test fire as functions of time and the envelope check of a recorded curve.
#include "core/fire/fire_band.h"

#include "core/common/format.h"

#include <algorithm>
#include <cmath>

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
                          double fireStartT, double endT, std::span<const LinkGap> linkGaps) {
    BandVerdict verdict;
    for (const LinkGap& g : linkGaps) {
        if (g.toT > fireStartT && g.fromT < endT)
            verdict.linkGaps.push_back({std::max(0.0, g.fromT - fireStartT),
                                        std::min(endT, static_cast<double>(g.toT)) - fireStartT});
    }
    // Whether a break of the link lies between two records: the stretch outside the band
    // that the first one extended does not go on across it.
    const auto broken = [linkGaps](double before, double after) {
        return std::any_of(linkGaps.begin(), linkGaps.end(),
                           [&](const LinkGap& g) { return g.fromT >= before && g.toT <= after; });
    };
    std::optional<double> previousT;
    verdict.fireId = fire.id;
    verdict.endSec = endT - fireStartT;
    const float endValue = EndOfTestValue(fire);
    bool endReached = false;
    BandViolation* open = nullptr; // the stretch the previous record extended, if any
    BandGap* gap = nullptr;        // the gap the previous record extended, if any
    for (const MeasurementRecord& record : records) {
        const double t = record.T;
        if (t >= endT)
            verdict.ended = true;
        if (t < fireStartT || t > endT)
            continue;
        if (previousT && broken(*previousT, t))
            open = nullptr;
        previousT = t;
        const float m = record.m;
        const double fromStart = t - fireStartT;
        // NaN passes every comparison: a record without a value says nothing of the band.
        if (!std::isfinite(m)) {
            open = nullptr;
            if (gap)
                gap->toSec = fromStart;
            else
                gap = &verdict.gaps.emplace_back(BandGap{fromStart, fromStart});
            continue;
        }
        gap = nullptr;
        ++verdict.checked;
        verdict.lastCheckedSec = fromStart;
        float compared = m;
        if (!endReached && m >= endValue) {
            endReached = true;
            compared = endValue;
        }
        const std::optional<BandSide> side = Outside(fire, fromStart, compared);
        if (!side) {
            open = nullptr;
            continue;
        }
        if (open && open->side == *side) {
            open->toSec = fromStart;
            open->extreme =
                *side == BandSide::Upper ? std::max(open->extreme, m) : std::min(open->extreme, m);
            continue;
        }
        verdict.violations.push_back({*side, fromStart, fromStart, m});
        open = &verdict.violations.back();
    }
    verdict.inside = verdict.checked > 0 && verdict.violations.empty() && verdict.gaps.empty();
    return verdict;
}

BandVerdict CheckTest(const TestFireEnvelope& fire, std::span<const MeasurementRecord> records,
                      double fireStartT, std::optional<double> allAlarmedT,
                      std::optional<double> endT, std::span<const LinkGap> linkGaps) {
    if (endT)
        return CheckTestFire(fire, records, fireStartT, *endT, linkGaps);
    BandVerdict verdict = CheckTestFire(fire, records, fireStartT,
                                        TestEndT(fire, records, fireStartT, allAlarmedT), linkGaps);
    verdict.ended = allAlarmedT || EndValueReachedT(fire, records, fireStartT);
    return verdict;
}

std::optional<double> EndValueReachedT(const TestFireEnvelope& fire,
                                       std::span<const MeasurementRecord> records,
                                       double fireStartT) {
    const float endValue = EndOfTestValue(fire);
    for (const MeasurementRecord& record : records)
        if (record.T >= fireStartT && std::isfinite(record.m) && record.m >= endValue)
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
    if (verdict.checked == 0)
        return text + "нет данных";
    const auto join = [&text](const std::vector<std::string>& items) {
        for (std::size_t i = 0; i < items.size(); ++i)
            text += (i ? "; " : "") + items[i];
    };
    if (!verdict.violations.empty()) {
        join(VerdictItems(verdict));
        return text;
    }
    if (verdict.gaps.empty()) {
        text += "в допуске";
    } else {
        BandVerdict noData = verdict;
        noData.linkGaps.clear();
        join(VerdictItems(noData));
        text += "; в остальном в допуске";
    }
    // Whole seconds down: rounding up would claim a moment that no record has shown.
    if (!verdict.ended)
        text += " до " + FormatDecimal(std::floor(verdict.lastCheckedSec), 6, 0) +
                " с, испытание не завершено";
    // Inside the band where it was measured: what the breaks held, nobody knows.
    for (const BandGap& gap : verdict.linkGaps)
        text += "; " + LinkGapText(gap);
    return text;
}

std::vector<std::string> VerdictItems(const BandVerdict& verdict) {
    struct Item {
        double fromSec;
        std::string text;
    };
    std::vector<Item> items;
    items.reserve(verdict.violations.size() + verdict.gaps.size() + verdict.linkGaps.size());
    for (const BandGap& g : verdict.gaps)
        items.push_back({g.fromSec, GapText(g)});
    for (const BandViolation& v : verdict.violations)
        items.push_back({v.fromSec, ViolationText(v)});
    for (const BandGap& g : verdict.linkGaps)
        items.push_back({g.fromSec, LinkGapText(g)});
    // Each kind is in time order already; at equal times the insertion order stands.
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.fromSec < b.fromSec; });
    std::vector<std::string> texts;
    texts.reserve(items.size());
    for (Item& item : items)
        texts.push_back(std::move(item.text));
    return texts;
}

std::string ViolationText(const BandViolation& v) {
    const bool upper = v.side == BandSide::Upper;
    std::string text = upper ? "выше границы с " : "ниже границы с ";
    text += FormatDecimal(v.fromSec, 6, 0) + " по " + FormatDecimal(v.toSec, 6, 0) + " с (";
    text += upper ? "макс. " : "мин. ";
    return text + FormatDecimal(v.extreme, 5, 3) + " дБ/м)";
}

std::string LinkGapText(const BandGap& gap) {
    return "разрыв связи " + FormatDecimal(gap.fromSec, 6, 0) + "–" +
           FormatDecimal(gap.toSec, 6, 0) + " с";
}

std::string GapText(const BandGap& gap) {
    return "нет данных с " + FormatDecimal(gap.fromSec, 6, 0) + " по " +
           FormatDecimal(gap.toSec, 6, 0) + " с";
}

} // namespace core
