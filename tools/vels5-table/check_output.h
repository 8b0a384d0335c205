// vels5-table --check: the envelope verdict of a table file as one JSON object.
#pragma once

#include "core/fire/fire_band.h"
#include "core/fire/fire_envelopes.h"

#include <optional>
#include <string>
#include <string_view>

namespace table_tool {

/// {"fire":"ТП1","start":12.0,"inside":false,"end":270.0,"checked":259,"violations":[{"from":140,
/// "to":152,"side":"upper","extreme":0.31}],"verdict":"ТП1: выше границы с 140 по 152 с
/// (макс. 0,310 дБ/м)"} and a line break. `start` is the fire start in log seconds (the
/// records' T) and `end` the end of the checked stretch in seconds from the fire start, both
/// with one decimal; `from` and `to` seconds from the fire start to 0,1 s, without decimals
/// when whole; `extreme` the shortest text that reads back as the same float.
std::string FormatCheck(const core::TestFireEnvelope& fire, double fireStartT,
                        const core::BandVerdict& verdict);

/// Seconds on the records' time scale, 0 to 65 535, with a decimal comma or point ("12,5",
/// "12.5", "300").
std::optional<double> ParseLogSeconds(std::string_view text);

} // namespace table_tool
