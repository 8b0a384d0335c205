// The scale tables, the plotted values and the label texts of the graph.
#include "core/graph/graph_scale.h"

#include "core/common/format.h"

#include <array>
#include <cmath>

namespace core {
namespace {

constexpr std::array<ScaleRow, 10> kRowsDb{{
    {0.0f, 0.05f, 10},
    {0.0f, 0.1f, 10},
    {0.0f, 0.25f, 10},
    {0.0f, 0.5f, 10},
    {0.0f, 2.0f, 10},
    {0.0f, 3.0f, 12},
    {0.0f, 5.0f, 10},
    {0.0f, 10.0f, 10},
    {0.0f, 20.0f, 10},
    {0.0f, 50.0f, 10},
}};
constexpr std::array<ScaleRow, 5> kRowsPercent{{
    {0.0f, 5.0f, 10},
    {0.0f, 10.0f, 10},
    {0.0f, 25.0f, 10},
    {0.0f, 50.0f, 10},
    {0.0f, 100.0f, 10},
}};
constexpr std::array<ScaleRow, 3> kRowsVolts{{
    {4.0f, 5.0f, 10},
    {2.5f, 5.0f, 10},
    {0.0f, 5.0f, 10},
}};

struct UnitTexts {
    std::string_view axis, unit, prefix, suffix;
};
constexpr std::array<UnitTexts, 3> kTexts{{
    {"m", "дБ/м", "m=", " дБ/м"},
    {"k", "%", "k=", " %"},
    {"U", "В", "U=", " В"},
}};

const UnitTexts* TextsOf(int unit) {
    return unit >= 0 && unit < static_cast<int>(kTexts.size())
               ? &kTexts[static_cast<std::size_t>(unit)]
               : nullptr;
}

long double Frac(long double x) {
    return x - std::trunc(x);
}

} // namespace

std::span<const ScaleRow> ScaleRows(int unit) {
    switch (unit) {
    case kUnitDbPerM:
        return kRowsDb;
    case kUnitPercent:
        return kRowsPercent;
    case kUnitVolts:
        return kRowsVolts;
    default:
        return {};
    }
}

int ScaleRowLimit(int unit) {
    return static_cast<int>(ScaleRows(unit).size()) - 1;
}

float PlottedValue(const MeasurementRecord& record, int unit) {
    switch (unit) {
    case kUnitDbPerM:
        return record.m;
    case kUnitPercent:
        return static_cast<float>(100.0L - record.Ui * (1.0L / kNominalSignalVolts) * 100.0L);
    case kUnitVolts:
        return record.Ui;
    default:
        return 0.0f;
    }
}

std::string_view AxisName(int unit) {
    const UnitTexts* t = TextsOf(unit);
    return t ? t->axis : std::string_view{};
}

std::string_view UnitText(int unit) {
    const UnitTexts* t = TextsOf(unit);
    return t ? t->unit : std::string_view{};
}

std::string_view ReadoutPrefix(int unit) {
    const UnitTexts* t = TextsOf(unit);
    return t ? t->prefix : std::string_view{};
}

std::string_view ReadoutSuffix(int unit) {
    const UnitTexts* t = TextsOf(unit);
    return t ? t->suffix : std::string_view{};
}

int ValueLabelDecimals(float yMax, float yMin, int divisions) {
    if (divisions < 1)
        return 0;
    const long double range = std::fabs(static_cast<long double>(yMax) - yMin);
    if (std::fmod(range, static_cast<long double>(divisions)) == 0)
        return 0;
    const float step = static_cast<float>(range / divisions);
    const long double hundredths = Frac(static_cast<long double>(step) * 100);
    if (hundredths > 0.09L && hundredths < 0.99L)
        return 3;
    const long double tenths = Frac(static_cast<long double>(step) * 10);
    if (tenths > 0.09L && tenths < 0.99L)
        return 2;
    return 1;
}

std::string ValueLabel(float yMin, float yMax, int divisions, int u, int decimals, int unit) {
    if (divisions < 1)
        divisions = 1;
    const long double value =
        yMin + (static_cast<long double>(yMax) - yMin) * (divisions - u) / divisions;
    std::string text = FormatDecimal(static_cast<double>(value), 3, decimals);
    text += UnitText(unit);
    return text;
}

std::string TimeLabel(std::int64_t seconds, bool first) {
    std::string text = std::to_string(seconds);
    if (!first)
        text += " с";
    return text;
}

std::string ReadoutText(int unit, float value) {
    std::string text(ReadoutPrefix(unit));
    text += FormatDecimal(value, 5, 3);
    text += ReadoutSuffix(unit);
    return text;
}

} // namespace core
