// COM port names, the same on every system: "COM12" and "\\.\COM12" name port 12.
#pragma once

#include <string_view>

namespace comm {

/// "COM12" or "\\.\COM12" -> 12 (case-insensitive, as Windows device names are; at most four
/// digits); anything else -> 0.
int ComNumber(std::string_view name);

} // namespace comm
