// The graph's value scales: the fixed ranges of each unit, the plotted value of a record, and
// the texts of the axes, the value labels and the readout.
#pragma once

#include "core/log/record_log.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace core {

/// Units of the value axis (GraphView::Unit). Any other value plots 0 and names nothing.
enum GraphUnit : int { kUnitDbPerM = 0, kUnitPercent = 1, kUnitVolts = 2 };

/// One range of a scale: the values at the bottom and top edges of the plot area and the
/// number of value divisions (wQy).
struct ScaleRow {
    float yMin;
    float yMax;
    std::int16_t divisions;
};

/// The ranges of `unit`, in row order: 10 for dB/m, 5 for percent, 3 for volts; empty for
/// any other unit.
std::span<const ScaleRow> ScaleRows(int unit);
/// The highest row of `unit` (9, 4, 2), or -1 for any other unit.
int ScaleRowLimit(int unit);

/// The nominal received signal level, V: zero attenuation.
inline constexpr long double kNominalSignalVolts = 4.985L;

/// The value of `record` in `unit`: m (dB/m), the attenuation k = 100 - Ui x (1 / 4.985) x 100
/// (percent; the factor in extended precision) or Ui (V); 0 for any other unit.
float PlottedValue(const MeasurementRecord& record, int unit);

/// "m", "k", "U"; empty for any other unit (UTF-8, as every text here).
std::string_view AxisName(int unit);
/// The unit text written right after a value label: "дБ/м", "%", "В"; empty otherwise.
std::string_view UnitText(int unit);
/// The readout label's text around the newest value: "m=" … " дБ/м", "k=" … " %",
/// "U=" … " В"; empty for any other unit.
std::string_view ReadoutPrefix(int unit);
std::string_view ReadoutSuffix(int unit);

/// Decimals of the value labels for `divisions` divisions from `yMin` to `yMax`: 0 when the
/// range is a whole multiple of the division count; otherwise, with the step held as a 32-bit
/// float, 3 when the fractional part of step x 100 lies strictly between 0.09 and 0.99, else 2
/// when that of step x 10 does, else 1. A division count below 1 gives 0.
int ValueLabelDecimals(float yMax, float yMin, int divisions);

/// The value label of grid line `u` (counted from the top edge, u = divisions at the bottom):
/// yMin + (yMax - yMin) x (divisions - u) / divisions with 3 significant digits and `decimals`
/// decimals, followed without a space by the unit text, e.g. "0,025дБ/м".
std::string ValueLabel(float yMin, float yMax, int divisions, int u, int decimals, int unit);

/// A time label: the whole seconds, followed by " с" unless it is the first label.
std::string TimeLabel(std::int64_t seconds, bool first);

/// The readout label lVal: prefix, `value` with 5 significant digits and 3 decimals, suffix,
/// e.g. "m=0,123 дБ/м".
std::string ReadoutText(int unit, float value);

} // namespace core
