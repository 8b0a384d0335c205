// Number texts in the Russian format: exact decimal rounding and comma parsing.
#include "core/common/format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace core {
namespace {

constexpr int kMaxPrecision = 18;
constexpr int kMaxDigits = 18;

// A positive decimal number 0.d[0]d[1]...d[count-1] x 10^exponent, without leading or
// trailing zeros; count == 0 is zero.
struct Digits {
    std::array<char, 800> d{}; // a double's exact expansion has at most 767 significant digits
    int count = 0;
    int exponent = 0;
};

// Number of binary digits after the point in a positive finite double: its exact decimal
// expansion has exactly as many decimals.
int FractionBits(double x) {
    int exp2 = 0;
    const double mantissa = std::frexp(x, &exp2); // x = mantissa * 2^exp2, 0.5 <= mantissa < 1
    const auto bits = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));
    const int lowest = exp2 - 53 + std::countr_zero(bits);
    return lowest < 0 ? -lowest : 0;
}

// The exact decimal value of a positive finite double. std::to_chars with a precision is
// exact; asking for every fraction digit leaves nothing for it to round.
void ExactDigits(double x, Digits& out) {
    std::array<char, 1500> text; // 309 integer digits, a point, up to 1074 decimals
    const auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), x,
                                         std::chars_format::fixed, FractionBits(x));
    const char* point = std::find(text.data(), end, '.');
    const auto integerLength = static_cast<int>(point - text.data());
    int position = 0; // index among the digit characters
    int firstSignificant = -1;
    out.count = 0;
    for (const char* p = text.data(); ec == std::errc{} && p != end; ++p) {
        if (*p == '.')
            continue;
        if (firstSignificant < 0 && *p == '0') {
            ++position;
            continue;
        }
        if (firstSignificant < 0)
            firstSignificant = position;
        out.d[static_cast<std::size_t>(out.count++)] = *p;
        ++position;
    }
    out.exponent = integerLength - firstSignificant;
    while (out.count > 0 && out.d[static_cast<std::size_t>(out.count - 1)] == '0')
        --out.count;
}

// Keeps `keep` significant digits, rounding half away from zero on the exact digits: any
// dropped part starting with 5 is at least a half.
void RoundDigits(Digits& v, int keep) {
    if (keep >= v.count)
        return;
    if (keep < 0) {
        v.count = 0;
        return;
    }
    const bool up = v.d[static_cast<std::size_t>(keep)] >= '5';
    v.count = keep;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && v.d[static_cast<std::size_t>(i)] == '9')
            --i;
        if (i < 0) {
            v.d[0] = '1';
            v.count = 1;
            ++v.exponent;
        } else {
            ++v.d[static_cast<std::size_t>(i)];
            v.count = i + 1;
        }
    }
    while (v.count > 0 && v.d[static_cast<std::size_t>(v.count - 1)] == '0')
        --v.count;
}

char DigitAt(const Digits& v, int i) {
    return i >= 0 && i < v.count ? v.d[static_cast<std::size_t>(i)] : '0';
}

void AppendFixed(std::string& out, const Digits& v, int digits) {
    if (v.exponent <= 0)
        out += '0';
    for (int i = 0; i < v.exponent; ++i) {
        if (i > 0 && (v.exponent - i) % 3 == 0)
            out += kThousandsSeparator;
        out += DigitAt(v, i);
    }
    if (digits > 0) {
        out += kDecimalComma;
        for (int k = 0; k < digits; ++k)
            out += DigitAt(v, v.exponent + k);
    }
}

void AppendExponentForm(std::string& out, const Digits& v) {
    out += v.d[0];
    if (v.count > 1) {
        out += kDecimalComma;
        out.append(v.d.data() + 1, static_cast<std::size_t>(v.count - 1));
    }
    out += 'E';
    out += std::to_string(v.exponent - 1);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Checks the comma grammar and writes the text in the form std::from_chars reads (a point,
// no plus sign). False when the text is not a number in that grammar.
bool ToCForm(std::string_view t, std::string& out) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-')
            out += '-';
        ++i;
    }
    int mantissaDigits = 0;
    bool comma = false;
    for (; i < t.size(); ++i) {
        if (IsDigit(t[i])) {
            ++mantissaDigits;
            out += t[i];
        } else if (t[i] == kDecimalComma && !comma) {
            comma = true;
            out += '.';
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        out += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            out += t[i++];
        const std::size_t expStart = i;
        for (; i < t.size() && IsDigit(t[i]); ++i)
            out += t[i];
        if (i == expStart)
            return false;
    }
    return i == t.size();
}

} // namespace

std::string FormatDecimal(double value, int precision, int digits) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    precision = std::clamp(precision, 1, kMaxPrecision);
    digits = std::clamp(digits, 0, kMaxDigits);

    Digits v;
    if (value != 0)
        ExactDigits(std::fabs(value), v);
    RoundDigits(v, std::min(precision, v.exponent + digits));
    if (v.count == 0)
        v.exponent = 0;

    std::string out;
    if (value < 0 && v.count > 0)
        out += '-';
    if (v.exponent > precision)
        AppendExponentForm(out, v);
    else
        AppendFixed(out, v, digits);
    return out;
}

Conversion<double> ParseDecimal(std::string_view text) {
    Conversion<double> result;
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    std::string cForm;
    if (ToCForm(text.substr(begin, end - begin), cForm)) {
        double v = 0;
        const auto [ptr, ec] = std::from_chars(cForm.data(), cForm.data() + cForm.size(), v);
        if (ec == std::errc{} && ptr == cForm.data() + cForm.size()) {
            result.value = v;
            return result;
        }
    }
    result.error = "'" + std::string(text) + "' is not a valid floating point value";
    return result;
}

Conversion<long long> ParseInteger(std::string_view text) {
    Conversion<long long> result;
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::string_view digits = text.substr(i);
    const bool allDigits = !digits.empty() && std::all_of(digits.begin(), digits.end(), IsDigit);
    if (allDigits) {
        // Parse with the sign attached so that the most negative value converts too.
        std::string signedDigits = negative ? "-" : "";
        signedDigits += digits;
        long long v = 0;
        const auto [ptr, ec] =
            std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), v);
        if (ec == std::errc{} && ptr == signedDigits.data() + signedDigits.size()) {
            result.value = v;
            return result;
        }
    }
    result.error = "'" + std::string(text) + "' is not a valid integer value";
    return result;
}

} // namespace core
