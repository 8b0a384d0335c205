// Number texts of every window and file: the Russian format (decimal comma, thousands
// separator U+00A0), fixed whatever the machine's locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace core {

/// The decimal separator and the thousands separator (UTF-8 of U+00A0; byte 0xA0 in
/// Windows-1251 files).
inline constexpr char kDecimalComma = ',';
inline constexpr std::string_view kThousandsSeparator = "\xC2\xA0";

/// `value` rounded to `digits` decimals but to no more than `precision` significant digits,
/// written with exactly `digits` decimals after a comma (none and no comma when `digits` is
/// 0), a leading minus for negatives, the integer digits grouped in threes by U+00A0 from
/// 1000 on. UTF-8. Uses: (5, 3) record values and value labels, (5, 1) distances, (4, 1) the
/// distance preset.
///
/// Exact: the decimal expansion of the binary double itself is rounded, half away from zero.
/// So 0.0005 gives "0,001" with 3 digits (the double lies a hair above 5e-4, and a true half
/// goes away from zero as well: 0.125 with 2 digits gives "0,13", -2.5 with 0 digits "-3"),
/// while 1.0005, whose double is 1.000499999999999945..., gives "1,000": the classic runtime
/// rounds the same way (it rounds an 18-digit expansion of the value, never a shortened one).
///
/// Significant digits: 123.45678 with (5, 3) gives "123,460" and 12345.678 gives
/// "12 346,000": digits past the precision are written as zeros.
///
/// Exponent form: when the rounded value has more than `precision` digits before the comma,
/// the text is the classic runtime's general form of the `precision` significant digits: one
/// digit, a comma and the further digits without trailing zeros, then "E" and the exponent
/// without a plus sign or leading zeros, and no grouping: 123456 with (5, 3) gives "1,2346E5",
/// 99999.5 gives "1E5", -1234567 gives "-1,2346E6".
///
/// A value that rounds to zero is written without a minus ("0,000" for -0.0001).
/// NaN gives "NAN", infinities "INF" and "-INF". `precision` is clamped to 1..18 and `digits`
/// to 0..18, the classic runtime's limits.
std::string FormatDecimal(double value, int precision, int digits);

/// Result of a text-to-number conversion: the value, or the runtime's error text.
template <typename T>
struct Conversion {
    std::optional<T> value;
    std::string error; ///< e.g. "'1.5' is not a valid floating point value"
    explicit operator bool() const { return value.has_value(); }
};

/// Decimal number with a comma (a point does not convert): optional blanks, an optional sign,
/// digits with at most one comma (at least one digit in all), an optional exponent "E" or "e"
/// with an optional sign and digits, optional blanks. No thousands separators, no "INF" or
/// "NAN". Values beyond the double range do not convert. Error text:
/// "'%s' is not a valid floating point value" with the text exactly as given.
Conversion<double> ParseDecimal(std::string_view text);
/// Decimal integer: optional leading blanks, an optional sign, decimal digits, within the
/// range of long long. Error text: "'%s' is not a valid integer value".
Conversion<long long> ParseInteger(std::string_view text);

} // namespace core
