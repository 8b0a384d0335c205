// The "Ti=" and "Li=" label texts shared by the main, table and graph windows.
#include "core/session/panel_text.h"

#include <gtest/gtest.h>

namespace core {
namespace {

TEST(PanelText, ElapsedTimeAsHoursMinutesSeconds) {
    EXPECT_EQ(ElapsedText(0), kElapsedZero);
    EXPECT_EQ(ElapsedText(3723), "Ti= 01:02:03");
    EXPECT_EQ(ElapsedText(65'535), "Ti= 18:12:15"); // the longest log
}

TEST(PanelText, DistanceWithOneDecimalAndGrouping) {
    EXPECT_EQ(DistanceText(1.0f), "Li=1,0 м");
    EXPECT_EQ(DistanceText(0.3f), "Li=0,3 м");
    EXPECT_EQ(DistanceText(2.5f), "Li=2,5 м");
    EXPECT_EQ(DistanceText(1234.5f), "Li=1\u00A0234,5 м");
}

} // namespace
} // namespace core
