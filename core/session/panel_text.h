// The "Ti=" and "Li=" labels that the main, table and graph windows show alike.
#pragma once

#include <string>
#include <string_view>

namespace core {

/// The elapsed-time label lTime before the first record and after a reset.
inline constexpr std::string_view kElapsedZero = "Ti= 00:00:00";

/// The elapsed-time label lTime: "Ti= hh:mm:ss" of `seconds` (0 to 65 535), e.g.
/// "Ti= 01:02:03".
std::string ElapsedText(int seconds);

/// The distance label lDist: "Li=" + the distance with 5 significant digits and 1 decimal
/// + " м", e.g. "Li=1,0 м".
std::string DistanceText(float distanceMetres);

} // namespace core
