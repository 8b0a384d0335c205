// The character scans that the table-file and template-file readers share. Positions follow
// the readers' description: a scan counts p from 1 and stops before the last character
// (p < L), and reaching p = L means the field ran into the end of the line. Here the returned
// index i is p - 1, so that case is AtLast(i, s).
#pragma once

#include "core/common/format.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace core::scan {

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

/// Removes leading spaces and control characters.
inline void Trim(std::string_view& s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
}

/// Removes the first `n` characters (all of them when fewer).
inline void Drop(std::string_view& s, std::size_t n) {
    s.remove_prefix(std::min(n, s.size()));
}

inline bool AtLast(std::size_t i, std::string_view s) {
    return i + 1 == s.size();
}

/// A run of digits, stopping at the last character at the latest.
inline std::size_t Digits(std::string_view s) {
    std::size_t i = 0;
    while (i + 1 < s.size() && IsDigit(s[i]))
        ++i;
    return i;
}

/// Digits and the first comma; `toEnd` lets the scan run over the last character too.
inline std::size_t Number(std::string_view s, bool toEnd) {
    bool comma = false;
    std::size_t i = 0;
    while ((toEnd ? i < s.size() : i + 1 < s.size()) &&
           (IsDigit(s[i]) || (s[i] == kDecimalComma && !comma))) {
        comma = comma || s[i] == kDecimalComma;
        ++i;
    }
    return i;
}

/// The thousands separator in Windows-1251 text.
inline constexpr char kGroupByte = '\xA0';

/// A value as the record writer puts it: digits grouped in threes by the byte 0xA0 before the
/// comma, at most one comma, and an exponent "E" followed by digits ("1,2346E5"); `toEnd` lets
/// the scan run over the last character too. A 0xA0 or an "E" that is not followed by its
/// digits ends the value (a delimiter may be either).
inline std::size_t Value(std::string_view s, bool toEnd) {
    const std::size_t limit = toEnd ? s.size() : (s.empty() ? 0 : s.size() - 1);
    const auto digitAt = [&](std::size_t i) { return i < limit && IsDigit(s[i]); };
    bool comma = false;
    std::size_t i = 0;
    while (i < limit) {
        const char c = s[i];
        if (IsDigit(c)) {
            ++i;
        } else if (c == kDecimalComma && !comma) {
            comma = true;
            ++i;
        } else if (c == kGroupByte && !comma && i > 0 && IsDigit(s[i - 1]) && digitAt(i + 1) &&
                   digitAt(i + 2) && digitAt(i + 3) && !(i + 4 < s.size() && IsDigit(s[i + 4]))) {
            i += 4;
        } else if (c == 'E' && i > 0 && IsDigit(s[i - 1]) && digitAt(i + 1)) {
            ++i;
            while (digitAt(i))
                ++i;
            break;
        } else {
            break;
        }
    }
    return i;
}

/// Up to the first digit, stopping at the last character at the latest.
inline std::size_t ToDigit(std::string_view s) {
    std::size_t i = 0;
    while (i + 1 < s.size() && !IsDigit(s[i]))
        ++i;
    return i;
}

/// True when a minus sign stands right before the digit at `i`: the number starting there is
/// negative (the scans alone would skip the sign and read the magnitude).
inline bool MinusBefore(std::string_view s, std::size_t i) {
    return i > 0 && i < s.size() && IsDigit(s[i]) && s[i - 1] == '-';
}

} // namespace core::scan
