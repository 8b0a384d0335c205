// The record grid against the clocks and the link: a wall clock set back or forward moves
// neither the grid nor T, and a link that falls silent leaves a gap in T instead of invented
// or back-dated records.
#include "core/common/cp1251.h"
#include "core/files/atomic_file.h"
#include "core/fire/fire_marks.h"
#include "core/session/panel_text.h"
#include "recording_session.h"

#include <gtest/gtest.h>

namespace {

constexpr double kSecond = 1.0 / 86400.0;

class RecordClock : public test::RecordingSession {
protected:
    /// Records 1 to Count - 1 follow each other by one period (their T).
    void ExpectConsecutiveT() const {
        for (int i = 1; i < Count(); ++i)
            EXPECT_EQ(Log()[i].T, Log()[i - 1].T + 1) << "record " << i;
    }
    std::string JournalMarks() const {
        std::string bytes;
        core::ReadWholeFile(core::MarksPathFor(rig.session.JournalPath()), bytes);
        return core::Cp1251ToUtf8(bytes);
    }
};

TEST_F(RecordClock, AWallClockSetBackOrForwardMovesNeitherTheGridNorT) {
    Live(3000);
    const int before = Count();
    ASSERT_GE(before, 2);
    // The autumn change of local time: the wall clock goes back an hour.
    rig.clock.StepWallMs(-3'600'000);
    Live(5000);
    EXPECT_EQ(Count(), before + 5) << "a record every second, as before the step";
    EXPECT_DOUBLE_EQ(rig.session.LogSecondsNow(),
                     (rig.clock.ElapsedMs() - Log().StartMs()) / 1000.0);
    // A time server steps it forward 30 s: no burst of records made of 0,3 s of frames.
    rig.clock.StepWallMs(30'000);
    Live(9000);
    EXPECT_EQ(Count(), before + 5 + 9);
    ExpectConsecutiveT();
    EXPECT_EQ(rig.session.TimeText(), core::ElapsedText(Log()[Count() - 1].T));
    // The "Время" column shows the wall clock as it was set at each record.
    for (int i = 1; i < Count(); ++i) {
        const double expected = i == before ? 1 - 3600 : i == before + 5 ? 31 : 1;
        EXPECT_NEAR(Log()[i].Time - Log()[i - 1].Time, expected * kSecond, 1e-9) << i;
    }
}

TEST_F(RecordClock, ASilentLinkWritesNothingOnceLostAndTJumpsOverTheGap) {
    Live(3000);
    // A short gap with the link alive repeats the previous record, as documented.
    Silent(2100);
    Live(900);
    const int afterShortGap = Count();
    EXPECT_TRUE(rig.session.Test().Marks().copied.empty());

    Silent(5000); // the last frame was 5,2 s ago: the watchdog fires
    ASSERT_TRUE(rig.session.Timer2().running);
    rig.session.Timer2Timer();
    EXPECT_TRUE(rig.session.LinkLost());
    const int lost = Count();
    ASSERT_GE(lost, afterShortGap + 2);
    // The record of the last frames' interval is measured; those after it repeat it.
    const std::vector<core::CopiedRecords> copied{{Log()[afterShortGap + 1].T, Log()[lost - 1].T}};
    EXPECT_EQ(rig.session.Test().Marks().copied, copied);
    EXPECT_NE(JournalMarks().find("Повтор=" + std::to_string(copied[0].firstT) + ";" +
                                  std::to_string(copied[0].lastT) + "\r\n"),
              std::string::npos)
        << JournalMarks();

    Silent(15'000);
    rig.session.Timer1Timer(); // a tick queued before the timer stopped
    EXPECT_EQ(Count(), lost);

    const long long backMs = rig.clock.ElapsedMs();
    Live(3000, 4.0f);
    EXPECT_FALSE(rig.session.LinkLost());
    EXPECT_EQ(Count(), lost + 3) << "no catch-up burst";
    EXPECT_GE(Log()[lost].T - Log()[lost - 1].T, 15) << "T jumps over the gap";
    for (int i = lost; i < Count(); ++i) {
        EXPECT_GE(Log().StartMs() + Log()[i].T * 1000LL, backMs) << "stamped inside the gap";
        EXPECT_FLOAT_EQ(Log()[i].Ui, 4.0f) << "only frames after the gap";
        EXPECT_NEAR(Log()[i].Time - Log()[0].Time, Log()[i].T * kSecond, 1e-9);
    }
    EXPECT_EQ(rig.session.TimeText(), core::ElapsedText(Log()[Count() - 1].T));
}

TEST_F(RecordClock, AVanishedDeviceStopsTheGridAtOnceAndItsLastFramesKeepTheirInterval) {
    Live(3000);
    const int before = Count();
    // Frames since the last record wait for their interval, which ends 0,2 s later.
    ASSERT_GT(Log().NSamples(), 0);
    rig.session.DeviceLost();
    EXPECT_TRUE(rig.session.LinkLost());
    EXPECT_FALSE(rig.session.Timer1().running);
    Silent(5000);
    rig.session.Timer2Timer(); // the watchdog still tells
    EXPECT_EQ(rig.session.View().lStart.text, "Нет связи");
    EXPECT_EQ(Count(), before) << "not a copy";
    Silent(5000);

    Live(3000, 4.0f);
    ASSERT_EQ(Count(), before + 1 + 3);
    // The frames before the loss are the record of their own interval, at its end.
    EXPECT_FLOAT_EQ(Log()[before].Ui, 2.0f);
    EXPECT_EQ(Log()[before].T, Log()[before - 1].T + 1);
    EXPECT_GE(Log()[before + 1].T - Log()[before].T, 10);
    for (int i = before + 1; i < Count(); ++i)
        EXPECT_FLOAT_EQ(Log()[i].Ui, 4.0f) << i;
    EXPECT_TRUE(rig.session.Test().Marks().copied.empty());
}

} // namespace
