// Windows-1251 <-> UTF-8 for whole texts, from a fixed table (no iconv, no locale).
#pragma once

#include <string>
#include <string_view>

namespace core {

/// Every byte that Windows-1251 assigns maps to its character; 0x98 (unassigned) maps to
/// U+FFFD.
std::string Cp1251ToUtf8(std::string_view bytes);
/// A character with no Windows-1251 byte becomes '?'; malformed UTF-8 bytes become '?'.
std::string Utf8ToCp1251(std::string_view text);

} // namespace core
