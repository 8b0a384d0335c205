#include "core/common/clock.h"
#include "core/common/date_time.h"

#include <gtest/gtest.h>

namespace {

using core::DateTimeFields;

TEST(DateTime, EpochIsZero) {
    EXPECT_DOUBLE_EQ(core::EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
}

TEST(DateTime, KnownDatesAndNoonFraction) {
    EXPECT_DOUBLE_EQ(core::EncodeDateTime({2026, 1, 1, 0, 0, 0, 0}), 46023.0);
    EXPECT_DOUBLE_EQ(core::EncodeDateTime({2026, 1, 1, 12, 0, 0, 0}), 46023.5);
    EXPECT_DOUBLE_EQ(core::EncodeDateTime({2000, 3, 1, 6, 0, 0, 0}), 36586.25);
}

TEST(DateTime, DecodeRoundTripsToTheMillisecond) {
    const DateTimeFields in{2024, 2, 29, 23, 59, 59, 999};
    const DateTimeFields out = core::DecodeDateTime(core::EncodeDateTime(in));
    EXPECT_EQ(out.year, 2024);
    EXPECT_EQ(out.month, 2);
    EXPECT_EQ(out.day, 29);
    EXPECT_EQ(out.hour, 23);
    EXPECT_EQ(out.minute, 59);
    EXPECT_EQ(out.second, 59);
    EXPECT_EQ(out.millisecond, 999);
}

TEST(DateTime, TimeOfDayText) {
    EXPECT_EQ(core::FormatTimeOfDay(core::EncodeDateTime({2026, 1, 1, 9, 5, 7, 600})), "09:05:07");
}

TEST(DateTime, SecondsFloorAndRounding) {
    const double oneAndHalf = 1.5 / core::kSecondsPerDay;
    EXPECT_EQ(core::WholeSeconds(oneAndHalf), 1);
    EXPECT_EQ(core::RoundedSeconds(oneAndHalf), 2);
    EXPECT_EQ(core::WholeSeconds(-0.5 / core::kSecondsPerDay), -1);
}

TEST(ManualClock, StepsExactlyOverADay) {
    core::ManualClock clock(core::EncodeDateTime({2026, 1, 1, 12, 0, 0, 0}));
    for (int i = 0; i < 86'400; ++i)
        clock.AdvanceMs(1000);
    const DateTimeFields f = core::DecodeDateTime(clock.Now());
    EXPECT_EQ(f.day, 2);
    EXPECT_EQ(f.hour, 12);
    EXPECT_EQ(f.second, 0);
    EXPECT_EQ(f.millisecond, 0);
}

TEST(DateTimeTexts, DateTimeOfDayAndDurations) {
    const double t = core::EncodeDateTime({2026, 1, 31, 14, 5, 9, 999});
    EXPECT_EQ(core::FormatDate(t), "31.01.2026");
    // Milliseconds never round the shown second up.
    EXPECT_EQ(core::FormatDateAndTime(t), "31.01.2026 14:05:09");
    EXPECT_EQ(core::FormatDuration(0), "00:00:00");
    EXPECT_EQ(core::FormatDuration(3599), "00:59:59");
    // A test may run past a day: hours keep counting.
    EXPECT_EQ(core::FormatDuration(65'535), "18:12:15");
    EXPECT_EQ(core::FormatDuration(100 * 3600 + 61), "100:01:01");
    EXPECT_EQ(core::FormatDuration(-5), "00:00:00");
}

} // namespace
