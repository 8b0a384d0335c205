// Windows-1251 <-> UTF-8 for whole texts, from a fixed table (no iconv, no locale).
#pragma once

#include <string>
#include <string_view>

namespace core {

/// Every byte that Windows-1251 assigns maps to its character (0x00..0x7F are ASCII,
/// 0xC0..0xFF are А..я, 0xA0 is U+00A0); 0x98 (unassigned) maps to U+FFFD.
std::string Cp1251ToUtf8(std::string_view bytes);
/// A character with no Windows-1251 byte becomes '?' (U+FFFD too). Bytes that do not form
/// well-formed UTF-8 (stray continuation bytes, overlong forms, surrogates, cut sequences)
/// become one '?' each, and decoding goes on with the next byte.
std::string Utf8ToCp1251(std::string_view text);

} // namespace core
