// The simulated meter's scenario: phases, countdown, adjustment sweep, work values, faults.
#include "tools/vels5-meter/scenario.h"

#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {

using core::StatusArea;
using meter::Phase;
using meter::Scenario;
using meter::ScenarioConfig;

// Defaults: start 2 s, stabilisation 20 s, adjustment 12 s, work from 34 s.
constexpr double kWork = 34.0;

TEST(MeterScenario, ModesRunStartStabilisationAdjustmentWork) {
    const Scenario s{ScenarioConfig{}};
    const struct {
        double t;
        std::uint8_t mode;
    } rows[] = {{0, 0x08},         {1.99, 0x08},        {2.0, 0x01},   {21.99, 0x01},
                {22.0, 0x02},      {33.99, 0x02},       {kWork, 0x84}, {kWork + 0.99, 0x84},
                {kWork + 1, 0x04}, {kWork + 3600, 0x04}};
    for (const auto& r : rows)
        EXPECT_EQ(s.StatusAt(r.t).Mode(), r.mode) << "t=" << r.t;
    EXPECT_EQ(s.PhaseAt(kWork), Phase::Work);
    EXPECT_EQ(s.WorkStartSec(), kWork);
}

TEST(MeterScenario, ZeroLengthPhasesAreSkipped) {
    ScenarioConfig c;
    c.stabSec = 0;
    c.adjustSec = 0;
    c.measuringSec = 0;
    const Scenario s{c};
    EXPECT_EQ(s.StatusAt(1.9).Mode(), 0x08);
    EXPECT_EQ(s.StatusAt(2.0).Mode(), 0x04);
}

TEST(MeterScenario, CountdownRunsFromStabDownToOneSecond) {
    ScenarioConfig c;
    c.stabSec = 90;
    const Scenario s{c};
    const struct {
        double t;
        int minutes, seconds;
    } rows[] = {{2.0, 1, 30}, {2.99, 1, 30}, {3.0, 1, 29}, {32.0, 1, 0},
                {32.5, 1, 0}, {33.0, 0, 59}, {91.5, 0, 1}};
    for (const auto& r : rows) {
        const StatusArea a = s.StatusAt(r.t);
        EXPECT_EQ(a.StabMinutes(), r.minutes) << "t=" << r.t;
        EXPECT_EQ(a.StabSeconds(), r.seconds) << "t=" << r.t;
    }
}

enum class AdjustView { Blank, Below, Inside, Above };

AdjustView Classify(const StatusArea& a) {
    if (a.AdjustBlank())
        return AdjustView::Blank;
    // The monitor compares in double precision with 0.8113 and exactly with 5.0.
    if (static_cast<double>(a.Ui()) < meter::kAdjustLowVolts)
        return AdjustView::Below;
    return a.Ui() < 5.0f ? AdjustView::Inside : AdjustView::Above;
}

// Every direction of the indicator must be seen, even with a short adjustment and frames
// every 200 ms, and the meter must leave adjustment with the signal inside the range.
TEST(MeterScenario, AdjustmentShowsEveryIndicatorStateAndEndsInsideTheRange) {
    for (double adjust : {12.0, 3.0}) {
        ScenarioConfig c;
        c.adjustSec = adjust;
        const Scenario s{c};
        std::multiset<AdjustView> seen;
        std::vector<AdjustView> order;
        for (double t = 22.0; s.PhaseAt(t) == Phase::Adjustment; t += 0.2) {
            const AdjustView v = Classify(s.StatusAt(t));
            seen.insert(v);
            if (order.empty() || order.back() != v)
                order.push_back(v);
        }
        SCOPED_TRACE(adjust);
        for (AdjustView v :
             {AdjustView::Blank, AdjustView::Below, AdjustView::Inside, AdjustView::Above})
            EXPECT_GE(seen.count(v), 2u) << static_cast<int>(v);
        EXPECT_EQ(order.front(), AdjustView::Below);
        EXPECT_EQ(order.back(), AdjustView::Inside);
    }
}

TEST(MeterScenario, AdjustmentHitsFiveVoltsExactlyAsAbove) {
    const Scenario s{ScenarioConfig{}};
    // The third sixth of the adjustment starts at 5.0 V, which the monitor counts as above.
    const StatusArea a = s.StatusAt(22.0 + 12.0 * 2 / 6);
    EXPECT_GE(a.Ui(), 5.0f);
    EXPECT_EQ(Classify(a), AdjustView::Above);
}

TEST(MeterScenario, WorkDiFollowsTheBandMiddleTimesTheDistance) {
    ScenarioConfig c;
    c.distM = 2.5;
    const Scenario s{c};
    // ТП1 at 200 s: upper 0,4, lower 0: middle 0,2 dB/m, so Di is about 0,5 dB.
    const double t = kWork + 1 + 200;
    EXPECT_NEAR(s.TargetDensityAt(t), 0.2, 1e-6);
    const StatusArea a = s.StatusAt(t);
    EXPECT_NEAR(a.Di(), 0.5, 0.5 * 0.02 + 0.002);
    EXPECT_NEAR(a.Ui(), meter::kUoVolts * std::pow(10.0, -a.Di() / 10.0), 1e-5);
    // The noise averages out.
    double sum = 0;
    for (int i = 0; i < 200; ++i)
        sum += s.StatusAt(t + i * 0.001).Di();
    EXPECT_NEAR(sum / 200, 0.5, 0.003);
}

TEST(MeterScenario, SpeedScalesFireTimeAndHoldsTheEndOfTheBand) {
    ScenarioConfig c;
    c.speed = 10;
    c.fire = core::FindTestFire("TP2");
    const Scenario s{c};
    // 42 s of work at speed 10 is 420 s of ТП2: upper 0,05 + 270/420 * 1,95, lower 20/440 * 2.
    const double upper = 0.05 + 270.0 / 420.0 * 1.95;
    const double lower = 20.0 / 440.0 * 2.0;
    EXPECT_NEAR(s.TargetDensityAt(kWork + 1 + 42), (upper + lower) / 2, 1e-5);
    EXPECT_NEAR(s.TargetDensityAt(kWork + 1 + 1000), 2.0, 1e-6);
    c.speed = 0;
    EXPECT_NEAR(Scenario{c}.TargetDensityAt(kWork + 500), 0.025, 1e-6);
}

TEST(MeterScenario, RestartBeginsTheWorkPhaseAgainWithItsMeasurement) {
    Scenario s{ScenarioConfig{}};
    const double before = s.TargetDensityAt(kWork + 1 + 250);
    EXPECT_GT(before, 0.2);
    ASSERT_TRUE(s.Restart(kWork + 260));
    EXPECT_EQ(s.WorkStartSec(), kWork + 260);
    EXPECT_EQ(s.StatusAt(kWork + 260.5).Mode(), 0x84);
    EXPECT_EQ(s.StatusAt(kWork + 261.2).Mode(), 0x04);
    EXPECT_NEAR(s.TargetDensityAt(kWork + 261), 0.025, 1e-6);
}

TEST(MeterScenario, RestartOutsideWorkIsRefused) {
    Scenario s{ScenarioConfig{}};
    for (double t : {0.5, 10.0, 30.0}) {
        EXPECT_FALSE(s.Restart(t)) << t;
        EXPECT_EQ(s.WorkStartSec(), kWork);
    }
}

TEST(MeterScenario, FaultsApplyInTheirWindowOnly) {
    ScenarioConfig c;
    c.faults.push_back({true, 0x02, 30, 10});
    c.faults.push_back({false, 0x08, 5, -1});
    c.faults.push_back({false, 0x10, 50, 1});
    const Scenario s{c};
    EXPECT_EQ(s.StatusAt(29.9).Emitter().faults, 0);
    EXPECT_EQ(s.StatusAt(30.0).Emitter().faults, 0x02);
    EXPECT_EQ(s.StatusAt(39.99).Emitter().faults, 0x02);
    EXPECT_EQ(s.StatusAt(40.0).Emitter().faults, 0);
    EXPECT_EQ(s.StatusAt(4.9).Photodetector().faults, 0);
    EXPECT_EQ(s.StatusAt(5.0).Photodetector().faults, 0x08);
    EXPECT_EQ(s.StatusAt(50.5).Photodetector().faults, 0x18);
    EXPECT_EQ(s.StatusAt(5000).Photodetector().faults, 0x08);
    EXPECT_FALSE(s.StatusAt(4).AnyFault());
}

TEST(MeterScenario, SameSeedSameFramesOtherSeedOtherNoise) {
    ScenarioConfig c;
    c.seed = 7;
    const Scenario a{c}, b{c};
    c.seed = 8;
    const Scenario other{c};
    int differing = 0;
    for (double t = 0; t < 120; t += 0.2) {
        ASSERT_EQ(a.StatusAt(t).Bytes(), b.StatusAt(t).Bytes()) << t;
        differing += a.StatusAt(t).Bytes() != other.StatusAt(t).Bytes();
    }
    EXPECT_GT(differing, 500);
}

TEST(MeterScenario, BlockValuesArePlausibleForTheTechnicalPanel) {
    const Scenario s{ScenarioConfig{}};
    for (double t = 0; t < 400; t += 0.7) {
        SCOPED_TRACE(t);
        const StatusArea a = s.StatusAt(t);
        for (const core::BlockStatus& b : {a.Emitter(), a.Photodetector()}) {
            EXPECT_LE(b.rmsCode, 8191);
            EXPECT_LE(b.peakCode, 8191);
            EXPECT_GE(b.TempCelsius(), 15.0);
            EXPECT_LE(b.TempCelsius(), 40.0);
            EXPECT_GT(b.kt, 0.9f);
            EXPECT_LT(b.kt, 1.1f);
            EXPECT_LE(b.attenuatorStep, 7);
            EXPECT_EQ(b.faults, 0);
        }
        EXPECT_GT(a.Emitter().thirdLevel, 1.0f); // the dial's third-level mark shows
        EXPECT_GE(a.Di(), 0.0f);
        if (s.PhaseAt(t) == Phase::Work) {
            EXPECT_NEAR(core::BlockStatus::CodeToVolts(a.Emitter().rmsCode), 3.53, 0.02);
            EXPECT_LT(a.Photodetector().rmsCode, a.Photodetector().peakCode);
            EXPECT_NEAR(core::BlockStatus::CodeToVolts(a.Photodetector().peakCode), a.Ui(), 0.02);
        }
    }
}

} // namespace

namespace {

// The photodetector's attenuator switches exactly while the adjustment view is blank and
// only then; the emitter's never moves.
TEST(MeterScenario, AttenuatorStepsUpWhileTheAdjustmentIsBlank) {
    const Scenario s{ScenarioConfig{}};
    int blank = 0;
    for (double t = 0; t < 60; t += 0.2) {
        SCOPED_TRACE(t);
        const StatusArea a = s.StatusAt(t);
        EXPECT_EQ(a.Photodetector().attenuatorStep, a.AdjustBlank() ? 5 : 4);
        EXPECT_EQ(a.Emitter().attenuatorStep, 3);
        blank += a.AdjustBlank() != 0;
    }
    // Two seconds of the twelve-second adjustment, at five frames a second.
    EXPECT_GE(blank, 9);
    EXPECT_LE(blank, 11);
}

TEST(MeterScenario, TemperaturesWarmUpThenDriftSlowly) {
    const Scenario s{ScenarioConfig{}};
    for (const auto block : {&StatusArea::Emitter, &StatusArea::Photodetector}) {
        const double cold = (s.StatusAt(0).*block)().TempCelsius();
        const double warm = (s.StatusAt(600).*block)().TempCelsius();
        EXPECT_GT(warm - cold, 3.5);
        double low = 100, high = -100, steepest = 0, previous = warm;
        for (double t = 600; t < 1500; t += 0.2) {
            const double c = (s.StatusAt(t).*block)().TempCelsius();
            low = std::min(low, c);
            high = std::max(high, c);
            steepest = std::max(steepest, std::abs(c - previous));
            previous = c;
        }
        // It drifts by about a degree over a quarter of an hour, never jumping.
        EXPECT_GT(high - low, 1.0);
        EXPECT_LT(high - low, 1.5);
        EXPECT_LT(steepest, 0.15);
    }
    // The two blocks do not drift in step.
    EXPECT_NE(s.StatusAt(900).Emitter().tempCode - s.StatusAt(0).Emitter().tempCode,
              s.StatusAt(900).Photodetector().tempCode - s.StatusAt(0).Photodetector().tempCode);
}

TEST(MeterScenario, KtFollowsEachBlocksTemperature) {
    const Scenario s{ScenarioConfig{}};
    const StatusArea cold = s.StatusAt(0), warm = s.StatusAt(600);
    EXPECT_LT(cold.Emitter().kt, warm.Emitter().kt);
    EXPECT_LT(cold.Photodetector().kt, warm.Photodetector().kt);
    EXPECT_NEAR(warm.Emitter().kt, 1.0213 * (1 + 0.0005 * (warm.Emitter().TempCelsius() - 25)),
                2e-4);
}

// As the smoke thickens the measuring channel's RMS falls with the received signal, while
// the control channel holds its level.
TEST(MeterScenario, MeasuringRmsFollowsTheSmoke) {
    ScenarioConfig c;
    c.speed = 10;
    const Scenario s{c};
    const StatusArea clear = s.StatusAt(kWork + 2);
    const StatusArea smoky = s.StatusAt(kWork + 1 + 60); // 600 s of ТП1
    ASSERT_GT(smoky.Di(), clear.Di() + 0.2f);
    const auto rms = [](const core::BlockStatus& b) {
        return core::BlockStatus::CodeToVolts(b.rmsCode);
    };
    EXPECT_LT(rms(smoky.Photodetector()), rms(clear.Photodetector()) - 0.1);
    for (const StatusArea* a : {&clear, &smoky})
        EXPECT_NEAR(rms(a->Photodetector()), a->Ui() * 0.707, 0.02);
    EXPECT_NEAR(rms(smoky.Emitter()), rms(clear.Emitter()), 0.03);
}

} // namespace
