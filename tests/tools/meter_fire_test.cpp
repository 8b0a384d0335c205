// The simulated fire's curve: inside its band whatever the noise, outside it for the stretch
// asked, and the detectors' thresholds.
#include "tools/vels5-meter/fire_curve.h"

#include <gtest/gtest.h>

namespace {

using core::BandSide;

// The simulator's noise on m: 2 % of the value plus 0,002 dB/m either way.
double High(double m) {
    return m * 1.02 + 0.002;
}
double Low(double m) {
    return std::max(0.0, m * 0.98 - 0.002);
}

TEST(MeterFireCurve, StaysInsideEveryBandWithNoiseAndAStartMarkedOffByFiveSeconds) {
    for (const core::TestFireEnvelope& fire : core::TestFires()) {
        const double mE = core::EndOfTestValue(fire);
        for (double late : {-5.0, 0.0, 5.0}) { // the mark after the real start, seconds
            // Up to the moment the curve itself reaches m_E: there the test ends.
            for (double t = 0; meter::InsideDensityAt(fire, t) < mE; t += 0.1) {
                ASSERT_LT(t, 3000) << fire.latinName << " never reaches m_E";
                const double bandT = t - late;
                if (bandT < 0)
                    continue;
                const double m = meter::InsideDensityAt(fire, t);
                const double upper = core::UpperLimitAt(fire, bandT);
                // Above an upper limit that has reached m_E, m has reached m_E: the test ends.
                ASSERT_TRUE(High(m) <= upper || upper >= mE)
                    << fire.latinName << " t=" << t << " late=" << late << " m=" << m;
                if (core::HasLowerLimit(fire, bandT)) {
                    ASSERT_GE(Low(m), core::LowerLimitAt(fire, bandT))
                        << fire.latinName << " t=" << t << " late=" << late << " m=" << m;
                }
            }
        }
    }
}

TEST(MeterFireCurve, ReachesTheEndValueHalfWayBetweenTheLimits) {
    const core::TestFireEnvelope& tp1 = *core::FindTestFire(1);
    // ТП1: the upper limit reaches 0,75 at 270 s, the lower one at 370 s.
    EXPECT_DOUBLE_EQ(meter::InsideEndSec(tp1), 320);
    EXPECT_LT(meter::InsideDensityAt(tp1, 319), 0.75);
    EXPECT_DOUBLE_EQ(meter::InsideDensityAt(tp1, 320), 0.75);
    EXPECT_DOUBLE_EQ(meter::InsideDensityAt(tp1, 5000), 0.75);
    // Early on it is the band's vertical middle.
    EXPECT_NEAR(meter::InsideDensityAt(tp1, 0), 0.025, 1e-6);
    EXPECT_NEAR(meter::InsideDensityAt(tp1, 200), 0.2, 1e-6);
}

TEST(MeterFireCurve, OutsideIsClearOfTheBandBeyondTheNoise) {
    for (const core::TestFireEnvelope& fire : core::TestFires()) {
        const meter::OutsideStretch above = meter::DefaultStretch(fire, BandSide::Upper);
        const meter::OutsideStretch below = meter::DefaultStretch(fire, BandSide::Lower);
        for (double t = above.fromSec; t < above.fromSec + above.durationSec; t += 0.5)
            EXPECT_GT(Low(meter::FireDensityAt(fire, above, t)), core::UpperLimitAt(fire, t))
                << fire.latinName << " t=" << t;
        EXPECT_GE(below.fromSec, fire.lower.front().tSec);
        for (double t = below.fromSec; t < below.fromSec + below.durationSec; t += 0.5)
            EXPECT_LT(High(meter::FireDensityAt(fire, below, t)), core::LowerLimitAt(fire, t))
                << fire.latinName << " t=" << t;
        // Before and after the stretch the fire is back inside.
        EXPECT_EQ(meter::FireDensityAt(fire, above, above.fromSec - 0.1),
                  meter::InsideDensityAt(fire, above.fromSec - 0.1));
        const double after = above.fromSec + above.durationSec;
        EXPECT_EQ(meter::FireDensityAt(fire, above, after), meter::InsideDensityAt(fire, after));
    }
}

TEST(MeterFireCurve, DefaultStretchesOfTp1) {
    const core::TestFireEnvelope& tp1 = *core::FindTestFire(1);
    EXPECT_EQ(meter::DefaultStretch(tp1, BandSide::Upper),
              (meter::OutsideStretch{BandSide::Upper, 128, 32}));
    EXPECT_EQ(meter::DefaultStretch(tp1, BandSide::Lower),
              (meter::OutsideStretch{BandSide::Lower, 280, 32}));
}

TEST(MeterDetectors, ThresholdsSpreadAroundTheValue) {
    EXPECT_EQ(meter::DetectorThresholds(1, 0.1), std::vector<double>{0.1});
    const std::vector<double> three = meter::DetectorThresholds(3, 0.1);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_DOUBLE_EQ(three[0], 0.08);
    EXPECT_DOUBLE_EQ(three[1], 0.1);
    EXPECT_DOUBLE_EQ(three[2], 0.12);
    EXPECT_TRUE(meter::DetectorThresholds(0, 0.1).empty());
    EXPECT_DOUBLE_EQ(meter::DefaultThreshold(*core::FindTestFire(1)), 0.1);
    EXPECT_NEAR(meter::DefaultThreshold(*core::FindTestFire("TP2A")), 0.025, 1e-6);
}

} // namespace
