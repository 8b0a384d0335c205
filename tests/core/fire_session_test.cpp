// The fire test as the measurement session runs it: marks at the log time, thresholds from
// the latest frame, a new test with every new log, the verdict after every record.
#include "fake_session_observer.h"

#include <gtest/gtest.h>

namespace {

using test::SessionRig;

constexpr std::uint8_t kWork = 0x04;
constexpr std::uint8_t kMeasuring = 0x84;

class FireSession : public ::testing::Test {
protected:
    void SetUp() override {
        rig.session.PortOpened();
        rig.session.Params().fDist = 2.0f;
        rig.session.Test().SetFire(1);
        rig.session.Test().AddDetector("И1");
        rig.session.Test().AddDetector("И2");
    }
    // One work frame with Di = `di` every 200 ms for `ms` milliseconds, ticking the timer.
    void Work(int ms, float di) {
        for (int t = 0; t < ms; t += 200) {
            rig.Frame(kWork, 4.9f, di);
            rig.TickAfter(200);
        }
    }
    const core::FireTest& Test() const { return rig.session.Test(); }
    SessionRig rig;
};

TEST_F(FireSession, NothingCanBeMarkedBeforeALogBegins) {
    EXPECT_FALSE(rig.session.CanMark());
    EXPECT_FALSE(rig.session.StartFire());
    EXPECT_FALSE(rig.session.MarkAlarm(0));
    EXPECT_FALSE(Test().Marks().fireStartT);
    rig.Frame(kWork, 4.9f, 0.0f);
    EXPECT_TRUE(rig.session.CanMark());
    rig.session.PortClosed();
    EXPECT_FALSE(rig.session.CanMark()) << "no port: the log is not being built";
}

TEST_F(FireSession, MarksTakeTheLogTimeAndTheLatestFramesDensity) {
    Work(1000, 0.0f); // record 0 at T 0
    ASSERT_EQ(rig.session.Log().Count(), 1);
    rig.clock.AdvanceMs(2'340);
    EXPECT_TRUE(rig.session.StartFire());
    EXPECT_DOUBLE_EQ(*Test().Marks().fireStartT, 2.3); // 2,34 s after record 0
    rig.Frame(kWork, 4.9f, 0.3f);
    rig.clock.AdvanceMs(1'000);
    EXPECT_TRUE(rig.session.MarkAlarm(1));
    const core::DetectorMark& d = Test().Marks().detectors[1];
    EXPECT_DOUBLE_EQ(*d.alarmT, 3.3);
    EXPECT_FLOAT_EQ(d.thresholdDbPerM, 0.15f); // Di 0,3 dB over 2 m
    EXPECT_FALSE(rig.session.MarkAlarm(2));
}

TEST_F(FireSession, TheVerdictFollowsEveryWrittenRecord) {
    Work(1000, 0.0f);
    ASSERT_TRUE(rig.session.StartFire());
    EXPECT_EQ(Test().VerdictLine(), "ТП1: в допуске до 0 с, испытание не завершено");
    // m = 0,1 dB/m while ТП1's upper limit is 0,05 dB/m until 130 s.
    Work(3000, 0.2f);
    EXPECT_EQ(rig.session.Log().Count(), 4);
    ASSERT_TRUE(Test().Verdict());
    ASSERT_EQ(Test().Verdict()->violations.size(), 1u);
    EXPECT_EQ(Test().VerdictLine().rfind("ТП1: выше границы с ", 0), 0u) << Test().VerdictLine();
}

TEST_F(FireSession, EveryResetOfTheLogStartsANewTest) {
    Work(1000, 0.0f);
    ASSERT_TRUE(rig.session.StartFire());
    ASSERT_TRUE(rig.session.MarkAlarm(0));
    rig.session.bbRestartClick(); // answered go on
    EXPECT_FALSE(Test().Marks().fireStartT);
    EXPECT_FALSE(Test().Marks().detectors[0].alarmT);
    EXPECT_EQ(Test().Marks().detectors.size(), 2u) << "the names stay for the next test";
    EXPECT_EQ(Test().Marks().fireId, 1);

    // A measurement under way in the meter begins a new log at the next frame: a new test too.
    Work(1000, 0.0f);
    ASSERT_TRUE(rig.session.StartFire());
    rig.Frame(kMeasuring);
    EXPECT_TRUE(Test().Marks().fireStartT) << "nothing is recorded yet";
    rig.Frame(kWork, 4.9f, 0.0f);
    EXPECT_FALSE(Test().Marks().fireStartT);
}

TEST_F(FireSession, ACancelledRestartKeepsTheTest) {
    Work(1000, 0.0f);
    ASSERT_TRUE(rig.session.StartFire());
    rig.answers.answers = {core::SaveAnswer::Stop};
    rig.session.bbRestartClick();
    EXPECT_TRUE(Test().Marks().fireStartT);
}

TEST_F(FireSession, ALoadedLogTakesItsMarksOrStartsANewTest) {
    Work(1000, 0.0f);
    ASSERT_TRUE(rig.session.StartFire());
    core::TestMarks marks;
    marks.fireId = 3;
    marks.fireStartT = 0;
    marks.detectors = {{"Д7", 0.0, 0.01f}};
    rig.session.LogLoaded(&marks);
    EXPECT_EQ(Test().Marks(), marks);
    EXPECT_TRUE(Test().Ended()) << "its only detector has alarmed";
    rig.session.LogLoaded(nullptr);
    EXPECT_FALSE(Test().Marks().fireStartT);
    EXPECT_FALSE(Test().Marks().detectors[0].alarmT);
}

TEST_F(FireSession, TheMarksKeepTheDistanceAndPeriodTheLogWasRecordedWith) {
    Work(1000, 0.0f);
    EXPECT_EQ(Test().Marks().distanceM, 2.0f);
    EXPECT_EQ(Test().Marks().periodSec, 1);
    // The distance dialog stores the new value before the restart offers to save the log.
    rig.session.Params().fDist = 5.0f;
    rig.session.Params().wTimeStep = 3;
    EXPECT_EQ(Test().Marks().distanceM, 2.0f) << "the log so far was recorded over 2 m";
    rig.session.bbRestartClick();
    EXPECT_EQ(Test().Marks().distanceM, 5.0f);
    EXPECT_EQ(Test().Marks().periodSec, 3);
    // A table file loaded without marks has no known distance or period.
    rig.session.LogLoaded(nullptr);
    EXPECT_FALSE(Test().Marks().distanceM);
    EXPECT_FALSE(Test().Marks().periodSec);
}

} // namespace
