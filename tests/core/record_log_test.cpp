// Record log: averaging grid and catch-up, fault gaps, empty intervals and the limits.
#include "core/log/record_log.h"
#include "fake_session_observer.h"

#include <cmath>
#include <cstddef>
#include <gtest/gtest.h>
#include <limits>

namespace {

using core::RecordLog;
using core::TickOutcome;
using test::SessionRig;

constexpr std::uint8_t kWork = 0x04;
constexpr double kSecond = 1.0 / 86400.0;

TEST(MeasurementRecord, IsEighteenPackedBytesInFieldOrder) {
    EXPECT_EQ(sizeof(core::MeasurementRecord), 18u);
    EXPECT_EQ(offsetof(core::MeasurementRecord, Ui), 0u);
    EXPECT_EQ(offsetof(core::MeasurementRecord, m), 4u);
    EXPECT_EQ(offsetof(core::MeasurementRecord, T), 8u);
    EXPECT_EQ(offsetof(core::MeasurementRecord, Time), 10u);
}

class RecordGrid : public ::testing::Test {
protected:
    void SetUp() override { rig.session.PortOpened(); }
    const RecordLog& Log() const { return rig.session.Log(); }
    /// Work frames every `frameMs` for `ms`, with a timer tick every 300 ms in between.
    void Run(long long ms, long long frameMs, float ui = 2.0f, float di = 0.5f,
             std::uint8_t photoFaults = 0) {
        for (long long t = 0; t < ms; t += 100) {
            if (t % frameMs == 0)
                rig.Frame(kWork, ui, di, photoFaults);
            rig.clock.AdvanceMs(100);
            if ((rig.clock.ElapsedMs() % 300) == 0 && rig.session.Timer1().running)
                rig.session.Timer1Timer();
        }
    }
    SessionRig rig;
};

TEST_F(RecordGrid, OneSecondPeriodAveragesAboutFiveFrames) {
    rig.session.Params().fDist = 2.0f;
    Run(4000, 200, 2.0f, 0.5f);
    ASSERT_GE(Log().Count(), 2);
    for (int i = 0; i < Log().Count(); ++i) {
        EXPECT_EQ(Log()[i].T, i);
        EXPECT_FLOAT_EQ(Log()[i].Ui, 2.0f);
        EXPECT_FLOAT_EQ(Log()[i].m, 0.25f); // Di / fDist
        EXPECT_NEAR(Log()[i].Time - Log()[0].Time, i * kSecond, 1e-9);
    }
    EXPECT_EQ(rig.host.rowsAdded.size(), static_cast<std::size_t>(Log().Count()));
    EXPECT_EQ(rig.host.resets, 1); // the reset at port opening, then a record each
    EXPECT_EQ(rig.host.rowsAdded.back(), Log().Count() - 1);
    const std::string last = "Ti= 00:00:0" + std::to_string(Log().Count() - 1);
    EXPECT_EQ(rig.session.TimeText(), last);
    EXPECT_EQ(rig.host.elapsed, last);
}

TEST_F(RecordGrid, RecordIsTheMeanOfItsInterval) {
    rig.Frame(kWork, 1.0f);
    rig.TickAfter(1000); // record 0: only the first frame
    rig.Frame(kWork, 1.0f);
    rig.Frame(kWork, 2.0f);
    rig.Frame(kWork, 4.5f);
    rig.TickAfter(1000);
    ASSERT_EQ(Log().Count(), 2);
    EXPECT_FLOAT_EQ(Log()[0].Ui, 1.0f);
    EXPECT_FLOAT_EQ(Log()[1].Ui, 2.5f);
    EXPECT_EQ(Log().NSamples(), 0);
}

TEST_F(RecordGrid, LateTimerCatchesUpOneRecordPerTickOnTheGrid) {
    rig.session.Params().wTimeStep = 5;
    rig.Frame(kWork);
    rig.TickAfter(5000);
    ASSERT_EQ(Log().Count(), 1);
    ASSERT_EQ(Log()[0].T, 0);
    rig.Frame(kWork);
    rig.TickAfter(17000);
    rig.TickAfter(300);
    rig.TickAfter(300);
    rig.TickAfter(300);
    ASSERT_EQ(Log().Count(), 4);
    EXPECT_EQ(Log()[1].T, 5);
    EXPECT_EQ(Log()[2].T, 10);
    EXPECT_EQ(Log()[3].T, 15);
    EXPECT_NEAR(Log()[3].Time - Log()[0].Time, 15 * kSecond, 1e-9);
    EXPECT_EQ(rig.session.TimeText(), "Ti= 00:00:15");
}

TEST_F(RecordGrid, IntervalWithoutFramesRepeatsThePreviousRecord) {
    rig.Frame(kWork, 3.0f, 0.75f);
    rig.TickAfter(1000);
    rig.TickAfter(1000);
    ASSERT_EQ(Log().Count(), 2);
    EXPECT_FLOAT_EQ(Log()[1].Ui, 3.0f);
    EXPECT_FLOAT_EQ(Log()[1].m, 0.75f);
    EXPECT_EQ(Log()[1].T, 1);
}

TEST_F(RecordGrid, FaultLeavesAGapInTAndKeepsTheAccumulator) {
    Run(3000, 200);
    const int before = Log().Count();
    ASSERT_GT(before, 0);
    Run(10000, 200, 2.0f, 0.5f, /*photo*/ 0x08);
    EXPECT_EQ(Log().Count(), before); // nothing written while faulty
    Run(1500, 200);
    ASSERT_GT(Log().Count(), before);
    const int jump = Log()[before].T - Log()[before - 1].T;
    EXPECT_GE(jump, 10);
    EXPECT_LE(jump, 11);
}

TEST_F(RecordGrid, RecordIsDueFromTheWholeSecondTheClockReaches) {
    rig.Frame(kWork);
    rig.TickAfter(999);
    EXPECT_EQ(Log().Count(), 0);
    rig.TickAfter(1);
    EXPECT_EQ(Log().Count(), 1);
    rig.Frame(kWork);
    rig.TickAfter(1000); // exactly one period after record 0
    EXPECT_EQ(Log().Count(), 2);
}

TEST_F(RecordGrid, NoRecordWhileIdleOrPaused) {
    rig.clock.AdvanceMs(5000);
    rig.session.Timer1Timer();
    EXPECT_EQ(Log().Count(), 0);
    rig.Frame(kWork);
    rig.session.miLinkClick(); // pause
    rig.session.Timer1Timer();
    rig.clock.AdvanceMs(5000);
    rig.session.Timer1Timer();
    EXPECT_EQ(Log().Count(), 0);
}

TEST_F(RecordGrid, DueWithCountZeroAndNoSampleWritesNothing) {
    rig.Frame(kWork);
    rig.TickAfter(1000);
    ASSERT_EQ(Log().Count(), 1);
    // Re-opened port while records were being written: Count 0, accumulator empty.
    rig.session.PortOpened();
    rig.TickAfter(1000);
    EXPECT_EQ(Log().Count(), 0);
    rig.Frame(kWork, 4.0f);
    rig.TickAfter(1000);
    ASSERT_EQ(Log().Count(), 1);
    EXPECT_FLOAT_EQ(Log()[0].Ui, 4.0f);
    EXPECT_EQ(Log()[0].T, 0);
}

TEST_F(RecordGrid, MeasuringBitStartsANewLogAtTheNextWorkFrame) {
    rig.Frame(kWork);
    rig.TickAfter(1000);
    rig.TickAfter(1000);
    ASSERT_EQ(Log().Count(), 2);
    rig.Frame(kWork | 0x80);
    rig.TickAfter(1000);
    EXPECT_EQ(Log().Count(), 2);
    rig.Frame(kWork, 5.0f);
    EXPECT_EQ(Log().Count(), 0);
    rig.TickAfter(1000);
    ASSERT_EQ(Log().Count(), 1);
    EXPECT_FLOAT_EQ(Log()[0].Ui, 5.0f);
}

// ------------------------------------------------------------------ limits

TEST(RecordLogLimits, StopsAt32767RecordsAndOverwritesNothing) {
    RecordLog log;
    core::ManualClock now(46023.5);
    log.Accumulate(now.Read(), 1.0f, 0.1);
    core::TickResult r;
    for (int i = 0; i < RecordLog::kMaxRecords; ++i) {
        now.AdvanceMs(1000);
        r = log.Tick(now.Read(), 1, false);
        ASSERT_EQ(r.outcome, TickOutcome::Written) << i;
        ASSERT_EQ(r.limitReached, i == RecordLog::kMaxRecords - 1) << i;
    }
    EXPECT_EQ(log.Count(), RecordLog::kMaxRecords);
    EXPECT_EQ(log[RecordLog::kMaxRecords - 1].T, RecordLog::kMaxRecords - 1);
    now.AdvanceMs(1000);
    r = log.Tick(now.Read(), 1, false);
    EXPECT_EQ(r.outcome, TickOutcome::AtLimit);
    EXPECT_EQ(log.Count(), RecordLog::kMaxRecords);
    EXPECT_EQ(log[RecordLog::kMaxRecords].T, 0); // the slot past the limit stays untouched
}

TEST(RecordLogLimits, TStopsBeforePassing65535Seconds) {
    RecordLog log;
    core::ManualClock now(46023.5);
    log.Accumulate(now.Read(), 1.0f, 0.1);
    core::TickResult r;
    do {
        now.AdvanceMs(30'000);
        r = log.Tick(now.Read(), 30, false);
        ASSERT_EQ(r.outcome, TickOutcome::Written);
    } while (!r.limitReached);
    EXPECT_EQ(log.Count(), 2185);
    EXPECT_EQ(log[log.Count() - 1].T, 65520); // the next one would be 65,550
    EXPECT_EQ(log.ElapsedSeconds(), 65520);
}

TEST(RecordLogLimits, FaultGapPastTheLimitStopsWithoutMovingTheGrid) {
    RecordLog log;
    core::ManualClock now(46023.5);
    log.Accumulate(now.Read(), 1.0f, 0.1);
    now.AdvanceMs(1000);
    ASSERT_EQ(log.Tick(now.Read(), 1, false).outcome, TickOutcome::Written);
    for (int i = 0; i < 65535; ++i) {
        now.AdvanceMs(1000);
        ASSERT_EQ(log.Tick(now.Read(), 1, true).outcome, TickOutcome::Skipped) << i;
    }
    const double last = log.LastTime();
    now.AdvanceMs(1000);
    const core::TickResult r = log.Tick(now.Read(), 1, true);
    EXPECT_EQ(r.outcome, TickOutcome::AtLimit);
    EXPECT_TRUE(r.limitReached);
    EXPECT_EQ(log.LastTime(), last);
    EXPECT_EQ(log.Count(), 1);
}

// A density beyond the float range (a garbled Di over 0.3 m) used to be written as an
// infinity, which the journal cannot read back: it now never enters the log.
TEST(RecordLogLimits, MeanBeyondTheFloatRangeNeverEntersARecord) {
    RecordLog log;
    EXPECT_FALSE(log.Accumulate(core::SteadyAt(46023.5), 1.0f, 3.0e38 / 0.3));
    EXPECT_EQ(log.NSamples(), -1); // no log begun
    EXPECT_EQ(log.Tick(core::SteadyAt(46023.5 + kSecond), 1, false).outcome, TickOutcome::Idle);
    ASSERT_TRUE(log.Accumulate(core::SteadyAt(46023.5 + kSecond), 1.0f, 3.0e38));
    EXPECT_FALSE(log.Accumulate(core::SteadyAt(46023.5 + kSecond), 1.0f, -3.0e38 / 0.3));
    ASSERT_EQ(log.Tick(core::SteadyAt(46023.5 + 2 * kSecond), 1, false).outcome,
              TickOutcome::Written);
    EXPECT_TRUE(std::isfinite(log[0].m));
    EXPECT_FLOAT_EQ(log[0].m, 3.0e38f);
}

// A fault-free work frame whose Di or Ui is NaN or infinite is not accumulated (no log begins
// with it, no mean takes it in) and is counted.
TEST_F(RecordGrid, NonFiniteFrameIsCountedNotAccumulated) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    rig.Frame(kWork, nan, 0.5f);
    rig.Frame(kWork, 2.0f, inf);
    EXPECT_EQ(Log().NSamples(), -1);
    EXPECT_EQ(rig.session.BadValueFrames(), 2u);
    rig.Frame(kWork, 2.0f, 0.5f);
    rig.Frame(kWork, 2.0f, -inf);
    rig.Frame(kWork, inf, 0.5f);
    rig.Frame(kWork, 4.0f, nan);
    rig.Frame(kWork, 4.0f, 1.5f);
    EXPECT_EQ(rig.session.BadValueFrames(), 5u);
    rig.TickAfter(1000);
    ASSERT_EQ(Log().Count(), 1);
    EXPECT_FLOAT_EQ(Log()[0].Ui, 3.0f); // the two good frames only
    EXPECT_FLOAT_EQ(Log()[0].m, 1.0f);
}

TEST(RecordLogLimits, SetCountStaysWithinTheLog) {
    RecordLog log;
    log.SetCount(40000);
    EXPECT_EQ(log.Count(), RecordLog::kMaxRecords);
    log.SetCount(-3);
    EXPECT_EQ(log.Count(), 0);
}

TEST(RecordLogLimits, SessionPausesAndTellsTheWindowOnce) {
    SessionRig rig;
    rig.session.PortOpened();
    rig.session.Params().wTimeStep = 30;
    rig.Frame(kWork);
    for (int i = 0; i < 2200 * 100; ++i) // 2,200 periods of 30 s in 300 ms ticks
        rig.TickAfter(300);
    EXPECT_EQ(rig.session.Log().Count(), 2185);
    ASSERT_EQ(rig.host.notices.size(), 1u);
    EXPECT_EQ(rig.host.notices[0], "Журнал заполнен, запись остановлена");
    EXPECT_EQ(rig.session.Recording().state, core::RecordingState::Paused);
    EXPECT_EQ(rig.session.Recording().miLinkCaption, "Разрешить запись");
    EXPECT_FALSE(rig.session.Timer1().running);
    // "Ti=" from the unsigned seconds: 65,520 s is 18:12:00.
    EXPECT_EQ(rig.session.TimeText(), "Ti= 18:12:00");
}

} // namespace
