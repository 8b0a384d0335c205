// The distance and period ranges and the dialogs' check of a typed value.
#include "core/session/measurement_params.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using core::EntryVerdict;

TEST(MeasurementParams, RangesIncludeTheirEndsAsStored) {
    EXPECT_TRUE(core::DistInRange(0.3)); // the double 0.3 is the float 0.3f once stored
    EXPECT_TRUE(core::DistInRange(10.0));
    EXPECT_FALSE(core::DistInRange(0.29));
    EXPECT_FALSE(core::DistInRange(10.001));
    EXPECT_FALSE(core::DistInRange(0.0));
    EXPECT_FALSE(core::DistInRange(-1.0));
    EXPECT_FALSE(core::DistInRange(std::nan("")));
    EXPECT_FALSE(core::DistInRange(std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(core::PeriodInRange(1));
    EXPECT_TRUE(core::PeriodInRange(30));
    EXPECT_FALSE(core::PeriodInRange(0));
    EXPECT_FALSE(core::PeriodInRange(31));
    EXPECT_FALSE(core::PeriodInRange(-1));
    EXPECT_FALSE(core::PeriodInRange(65'537)); // would wrap to 1 in 16 bits
    const core::MeasurementParams defaults;
    EXPECT_EQ(defaults.fDist, 1.0f);
    EXPECT_EQ(defaults.wTimeStep, 1);
}

struct DistCase {
    const char* name;
    const char* text;
    EntryVerdict verdict;
    float value;
    const char* message;
    const char* corrected;
};

class DistEntry : public testing::TestWithParam<DistCase> {};

TEST_P(DistEntry, IsJudged) {
    const DistCase& c = GetParam();
    const core::ParamEntry<float> e = core::CheckDistEntry(c.text);
    EXPECT_EQ(e.verdict, c.verdict);
    EXPECT_EQ(e.message, c.message);
    EXPECT_EQ(e.corrected, c.corrected);
    if (c.verdict == EntryVerdict::Accepted) {
        EXPECT_EQ(e.value, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DistEntry,
    testing::Values(
        DistCase{"lower_end", "0,3", EntryVerdict::Accepted, 0.3f, "", ""},
        DistCase{"upper_end", "10", EntryVerdict::Accepted, 10.0f, "", ""},
        DistCase{"inside", "2,5", EntryVerdict::Accepted, 2.5f, "", ""},
        DistCase{"above", "10,01", EntryVerdict::TooLarge, 0, "Больше 10 метров", "10,0"},
        DistCase{"far_above", "1E30", EntryVerdict::TooLarge, 0, "Больше 10 метров", "10,0"},
        DistCase{"below", "0,29", EntryVerdict::TooSmall, 0, "Меньше 0,3 метров", "0,3"},
        DistCase{"zero", "0", EntryVerdict::TooSmall, 0, "Меньше 0,3 метров", "0,3"},
        DistCase{"negative", "-1", EntryVerdict::TooSmall, 0, "Меньше 0,3 метров", "0,3"},
        DistCase{"point", "1.5", EntryVerdict::NotANumber, 0,
                 "'1.5' is not a valid floating point value", ""},
        DistCase{"empty", "", EntryVerdict::NotANumber, 0, "'' is not a valid floating point value",
                 ""}),
    [](const testing::TestParamInfo<DistCase>& info) { return info.param.name; });

TEST(PeriodEntry, IsJudged) {
    struct Case {
        const char* text;
        EntryVerdict verdict;
        int value;
        const char* message;
        const char* corrected;
    };
    const Case cases[] = {
        {"1", EntryVerdict::Accepted, 1, "", ""},
        {"30", EntryVerdict::Accepted, 30, "", ""},
        {"12", EntryVerdict::Accepted, 12, "", ""},
        {"0", EntryVerdict::TooSmall, 0, "Меньше 1 секунды", "1"},
        {"-5", EntryVerdict::TooSmall, 0, "Меньше 1 секунды", "1"},
        {"31", EntryVerdict::TooLarge, 0, "Больше 30 секунд", "30"},
        {"65537", EntryVerdict::TooLarge, 0, "Больше 30 секунд", "30"},
        {"", EntryVerdict::NotANumber, 0, "'' is not a valid integer value", ""},
        {"1,5", EntryVerdict::NotANumber, 0, "'1,5' is not a valid integer value", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const core::ParamEntry<std::uint16_t> e = core::CheckPeriodEntry(c.text);
        EXPECT_EQ(e.verdict, c.verdict);
        EXPECT_EQ(e.message, c.message);
        EXPECT_EQ(e.corrected, c.corrected);
        if (c.verdict == EntryVerdict::Accepted) {
            EXPECT_EQ(e.value, c.value);
        }
    }
}

} // namespace
