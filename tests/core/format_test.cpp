// FormatDecimal and the comma parsers: exact rounding, grouping, exponent form, errors.
#include "core/common/format.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>

namespace {

using core::FormatDecimal;

// U+00A0 in UTF-8, the thousands separator.
const std::string S = "\xC2\xA0";

struct FormatCase {
    const char* name;
    double value;
    int precision;
    int digits;
    std::string expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class FormatDecimalTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatDecimalTable, Formats) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatDecimal(c.value, c.precision, c.digits), c.expected)
        << c.value << " (" << c.precision << ", " << c.digits << ")";
}

// Record values and value labels: (5, 3).
INSTANTIATE_TEST_SUITE_P(
    Values53, FormatDecimalTable,
    ::testing::Values(
        FormatCase{"Zero", 0.0, 5, 3, "0,000"}, FormatCase{"NegativeZero", -0.0, 5, 3, "0,000"},
        FormatCase{"SmallPadded", 1.5, 5, 3, "1,500"},
        FormatCase{"Float32Widened", static_cast<double>(0.1f), 5, 3, "0,100"},
        FormatCase{"HalfThousandthRoundsUp", 0.0005, 5, 3, "0,001"},
        FormatCase{"NegativeHalfThousandth", -0.0005, 5, 3, "-0,001"},
        FormatCase{"BelowHalfThousandth", 0.0004999, 5, 3, "0,000"},
        FormatCase{"NegativeRoundsToZeroWithoutMinus", -0.0004, 5, 3, "0,000"},
        FormatCase{"DoubleJustBelowHalf", 1.0005, 5, 3, "1,000"},
        FormatCase{"DoubleJustAboveHalf", 1.0015, 5, 3, "1,002"},
        FormatCase{"ThirdSignificantDecimalsZeroed", 123.45678, 5, 3, "123,460"},
        FormatCase{"PrecisionLimitThousands", 1234.5678, 5, 3, "1" + S + "234,600"},
        FormatCase{"PrecisionLimitRoundsUnits", 12345.678, 5, 3, "12" + S + "346,000"},
        FormatCase{"CarryIntoNewDigit", 9.9996, 5, 3, "10,000"},
        FormatCase{"CarryKeepsPrecisionDigits", 9999.96, 5, 3, "10" + S + "000,000"},
        FormatCase{"NoGroupingBelow1000", 999.994, 5, 3, "999,990"},
        FormatCase{"NegativeGrouped", -4321.0, 5, 3, "-4" + S + "321,000"},
        FormatCase{"ExponentForm", 123456.0, 5, 3, "1,2346E5"},
        FormatCase{"ExponentFormNegative", -1234567.0, 5, 3, "-1,2346E6"},
        FormatCase{"ExponentFormAfterCarry", 99999.5, 5, 3, "1E5"},
        FormatCase{"ExponentTrailingZerosDropped", 120000.0, 5, 3, "1,2E5"},
        FormatCase{"LargestFixed", 99999.4, 5, 3, "99" + S + "999,000"},
        FormatCase{"Huge", 1e300, 5, 3, "1E300"}, FormatCase{"Tiny", 5e-324, 5, 3, "0,000"}),
    [](const auto& info) { return std::string(info.param.name); });

// Distances: (5, 1); the distance dialog's preset: (4, 1).
INSTANTIATE_TEST_SUITE_P(
    Distances, FormatDecimalTable,
    ::testing::Values(FormatCase{"Default51", 1.0, 5, 1, "1,0"},
                      FormatCase{"Float32BelowHalf51", 2.35f, 5, 1, "2,3"},
                      FormatCase{"ExactHalfAway51", 12.25, 5, 1, "12,3"},
                      FormatCase{"NegativeExactHalfAway51", -12.25, 5, 1, "-12,3"},
                      FormatCase{"Grouped51", 1234.56, 5, 1, "1" + S + "234,6"},
                      FormatCase{"PrecisionLimit51", 12345.67, 5, 1, "12" + S + "346,0"},
                      FormatCase{"Exponent51", 123456.7, 5, 1, "1,2346E5"},
                      FormatCase{"Ten41", 10.0, 4, 1, "10,0"},
                      FormatCase{"Small41", 0.25, 4, 1, "0,3"},
                      FormatCase{"CarryToThousand41", 999.95, 4, 1, "1" + S + "000,0"},
                      FormatCase{"ExactHalfAtPrecision41", 1234.5, 4, 1, "1" + S + "235,0"},
                      FormatCase{"Exponent41", 12345.0, 4, 1, "1,235E4"}),
    [](const auto& info) { return std::string(info.param.name); });

// Exact binary halves go away from zero at every rounding position.
INSTANTIATE_TEST_SUITE_P(
    ExactHalves, FormatDecimalTable,
    ::testing::Values(FormatCase{"QuarterEighth", 0.125, 5, 2, "0,13"},
                      FormatCase{"NegativeEighth", -0.125, 5, 2, "-0,13"},
                      FormatCase{"TwoAndHalf", 2.5, 5, 0, "3"},
                      FormatCase{"NegativeTwoAndHalf", -2.5, 5, 0, "-3"},
                      FormatCase{"ThreeAndHalf", 3.5, 5, 0, "4"},
                      FormatCase{"HalfToZeroDigits", 0.5, 5, 0, "1"},
                      FormatCase{"AtSignificantDigitLimit", 1.0625, 4, 5, "1,06300"},
                      FormatCase{"TieBeforeTheComma", 123465.0, 5, 3, "1,2347E5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatDecimal, NonFiniteValues) {
    EXPECT_EQ(FormatDecimal(std::numeric_limits<double>::quiet_NaN(), 5, 3), "NAN");
    EXPECT_EQ(FormatDecimal(std::numeric_limits<double>::infinity(), 5, 3), "INF");
    EXPECT_EQ(FormatDecimal(-std::numeric_limits<double>::infinity(), 5, 3), "-INF");
}

TEST(FormatDecimal, ArgumentsAreClampedToTheRuntimeLimits) {
    EXPECT_EQ(FormatDecimal(2.5, 0, 0), "3"); // precision 1
    EXPECT_EQ(FormatDecimal(25.0, 0, 0), "3E1");
    EXPECT_EQ(FormatDecimal(1.0, 5, -2), "1");
    EXPECT_EQ(FormatDecimal(0.1, 30, 30), "0,100000000000000006"); // 18 and 18
}

TEST(FormatDecimal, EveryThreeDecimalValueSurvivesARoundTrip) {
    // The texts written to files must read back to the value they show.
    for (int thousandths = -99999; thousandths <= 99999; thousandths += 7) {
        const double v = thousandths / 1000.0;
        const std::string text = FormatDecimal(v, 5, 3);
        const auto parsed = core::ParseDecimal(text);
        ASSERT_TRUE(parsed) << text;
        ASSERT_EQ(std::lround(*parsed.value * 1000), thousandths) << text;
    }
}

TEST(ParseDecimal, ReadsACommaNotAPoint) {
    EXPECT_EQ(core::ParseDecimal("1,5").value, 1.5);
    EXPECT_EQ(core::ParseDecimal("-0,25").value, -0.25);
    EXPECT_EQ(core::ParseDecimal("+3").value, 3.0);
    EXPECT_EQ(core::ParseDecimal(" 2,5 ").value, 2.5);
    EXPECT_EQ(core::ParseDecimal(",5").value, 0.5);
    EXPECT_EQ(core::ParseDecimal("5,").value, 5.0);
    EXPECT_EQ(core::ParseDecimal("1,2346E5").value, 123460.0);
    EXPECT_EQ(core::ParseDecimal("1e-3").value, 0.001);
    EXPECT_EQ(core::ParseDecimal("4,985").value, 4.985);
}

TEST(ParseDecimal, ErrorCarriesTheOffendingText) {
    const auto point = core::ParseDecimal("1.5");
    EXPECT_FALSE(point);
    EXPECT_EQ(point.error, "'1.5' is not a valid floating point value");
    for (const char* bad : {"", " ", "abc", "1,2,3",
                            "1"
                            "\xC2\xA0"
                            "000",
                            "1e", "1e+", "--1", "inf", "nan", "0x10", "1,5x", ",", "-", "1e999"}) {
        const auto r = core::ParseDecimal(bad);
        EXPECT_FALSE(r) << bad;
        EXPECT_EQ(r.error, std::string("'") + bad + "' is not a valid floating point value");
    }
}

TEST(ParseInteger, ReadsDecimalIntegers) {
    EXPECT_EQ(core::ParseInteger("42").value, 42);
    EXPECT_EQ(core::ParseInteger("  -7").value, -7);
    EXPECT_EQ(core::ParseInteger("+30").value, 30);
    EXPECT_EQ(core::ParseInteger("-9223372036854775808").value,
              std::numeric_limits<long long>::min());
    for (const char* bad : {"", "1,0", "1.0", "12 ", "x1", "+-1", "9223372036854775808", "0x1F"}) {
        const auto r = core::ParseInteger(bad);
        EXPECT_FALSE(r) << bad;
        EXPECT_EQ(r.error, std::string("'") + bad + "' is not a valid integer value");
    }
}

} // namespace
