// The character scans that the table-file and template-file readers share. Positions follow
// the readers' description: a scan counts p from 1 and stops before the last character
// (p < L), and reaching p = L means the field ran into the end of the line. Here the returned
// index i is p - 1, so that case is AtLast(i, s).
#pragma once

#include "core/format.h"

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
