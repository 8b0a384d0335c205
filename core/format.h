// Number texts of every window and file: the Russian format (decimal comma, thousands
// separator U+00A0), fixed whatever the machine's locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace core {

/// The decimal separator and the thousands separator (UTF-8 of U+00A0).
inline constexpr char kDecimalComma = ',';
inline constexpr std::string_view kThousandsSeparator = "\xC2\xA0";

/// `value` rounded to `digits` decimals but to no more than `precision` significant digits,
/// written with exactly `digits` decimals after a comma, a leading minus for negatives, the
/// integer digits grouped in threes by U+00A0 from 1000 on; more than `precision` integer
/// digits give the exponent form. UTF-8.
std::string FormatDecimal(double value, int precision, int digits);

/// Result of a text-to-number conversion: the value, or the runtime's error text.
template <typename T>
struct Conversion {
    std::optional<T> value;
    std::string error; ///< e.g. "'1.5' is not a valid floating point value"
    explicit operator bool() const { return value.has_value(); }
};

/// Decimal number with a comma (a point does not convert). Error text:
/// "'%s' is not a valid floating point value".
Conversion<double> ParseDecimal(std::string_view text);
/// Decimal integer. Error text: "'%s' is not a valid integer value".
Conversion<long long> ParseInteger(std::string_view text);

} // namespace core
