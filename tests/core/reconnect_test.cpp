// The wait for the meter after a lost link, on a manual clock: when the port is tried again,
// what the status line says, and that the log, its journal and the test outlive the wait
// without a record invented for it.
#include "core/common/format.h"
#include "core/files/atomic_file.h"
#include "core/fire/fire_marks.h"
#include "core/session/reconnect.h"
#include "recording_session.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint8_t kWork = test::RecordingSession::kWork;
constexpr std::uint8_t kAdjustment = 0x02;
constexpr std::uint8_t kSignalLow = 0x08; // photodetector: "Уровень сигнала меньше нормы"

TEST(Reconnect, CountsFromTheLastFrameAndTriesThePortOncePerSecond) {
    core::Reconnect wait;
    wait.FrameCame(10'000);
    EXPECT_FALSE(wait.Active(10'000));
    EXPECT_EQ(wait.Text(10'000), "");
    // The watchdog tells 5 s after the last frame; the wait counts from that frame.
    wait.Lost(15'000, false);
    EXPECT_TRUE(wait.Waiting());
    EXPECT_FALSE(wait.NeedsReopen());
    EXPECT_FALSE(wait.ReopenDue(15'000)) << "the port is still open";
    EXPECT_EQ(wait.Text(15'000), "Ожидание устройства… 00:05");
    // The device vanishes later in the same wait: its start stays, the port must reopen.
    wait.Lost(20'000, true);
    EXPECT_TRUE(wait.NeedsReopen());
    EXPECT_TRUE(wait.ReopenDue(20'000));
    EXPECT_FALSE(wait.ReopenDue(20'999));
    EXPECT_TRUE(wait.ReopenDue(21'000));
    EXPECT_FALSE(wait.ReopenDue(21'500));
    EXPECT_EQ(wait.Text(75'900), "Ожидание устройства… 01:05");
    EXPECT_EQ(wait.Text(10'000 + 3'725'000), "Ожидание устройства… 1:02:05");
    wait.Reopened();
    EXPECT_TRUE(wait.Waiting());
    EXPECT_FALSE(wait.ReopenDue(30'000)) << "open again: frames are awaited, not the device";

    wait.FrameCame(31'600);
    EXPECT_FALSE(wait.Waiting());
    EXPECT_EQ(wait.LastGapSec(), 22);
    EXPECT_EQ(wait.Text(31'600), "Связь восстановлена (разрыв 22 с)");
    EXPECT_TRUE(wait.Active(31'600 + core::Reconnect::kRestoredShownMs - 1));
    EXPECT_EQ(wait.Text(31'600 + core::Reconnect::kRestoredShownMs), "");
    EXPECT_FALSE(wait.Active(31'600 + core::Reconnect::kRestoredShownMs));
}

TEST(Reconnect, StopEndsTheWaitAndWhatItShows) {
    core::Reconnect wait;
    wait.Lost(1000, true); // no frame before: counted from the loss
    EXPECT_EQ(wait.Text(4000), "Ожидание устройства… 00:03");
    wait.Stop();
    EXPECT_FALSE(wait.Waiting());
    EXPECT_FALSE(wait.ReopenDue(9000));
    EXPECT_FALSE(wait.Active(4000));
    wait.FrameCame(5000); // a frame after the user left the port ends no wait
    EXPECT_EQ(wait.Text(5000), "");
}

/// The wait's tick is the window's, once a second.
class SessionWait : public test::RecordingSession {
protected:
    void Stepped() override {
        if (rig.clock.ElapsedMs() % 1000 == 0 && rig.session.ReopenDue())
            ++reopenAttempts;
    }
    /// Every record at or after `backMs` (steady) was measured after it, none inside the gap.
    void ExpectNothingStampedBefore(long long backMs, int from) const {
        for (int i = from; i < Count(); ++i)
            EXPECT_GE(Log().StartMs() + Log()[i].T * 1000LL, backMs) << "record " << i;
    }

    int reopenAttempts = 0;
};

TEST_F(SessionWait, AVanishedDeviceMidIntervalIsWaitedForAndTheLogGoesOnAfterIt) {
    const int resets = rig.host.resets; // the port's opening reset the log
    rig.session.Test().SetFire(1);
    Live(2000);
    ASSERT_TRUE(rig.session.StartFire());
    Live(3100);
    const int before = Count();
    const std::string journal = rig.session.JournalPath();
    ASSERT_GE(before, 4);
    ASSERT_FALSE(journal.empty());
    ASSERT_GT(Log().NSamples(), 0) << "mid-interval";
    rig.session.DeviceLost();
    EXPECT_TRUE(rig.session.NeedsReopen());
    Silent(5000);
    rig.session.Timer2Timer();
    Silent(20'000);
    EXPECT_EQ(Count(), before) << "no record while waiting";
    EXPECT_GE(reopenAttempts, 24);
    EXPECT_LE(reopenAttempts, 25) << "once a second, not more";
    EXPECT_EQ(rig.session.WaitText(), "Ожидание устройства… 00:25");
    EXPECT_EQ(rig.answers.questions, 0) << "nothing asked";
    EXPECT_EQ(rig.host.resets, resets);

    rig.session.PortReopened();
    EXPECT_FALSE(rig.session.NeedsReopen());
    EXPECT_TRUE(rig.session.Waiting());
    EXPECT_TRUE(rig.session.Timer2().running) << "the watchdog re-armed";
    EXPECT_EQ(rig.session.Recording().state, core::RecordingState::On);
    Silent(400);
    const long long backMs = rig.clock.ElapsedMs();
    Live(4000, 4.0f);
    EXPECT_FALSE(rig.session.Waiting());
    // From the last frame before the loss (5,0 s) to the first after it (30,6 s).
    EXPECT_EQ(rig.session.WaitText(), "Связь восстановлена (разрыв 26 с)");
    // The frames before the loss make their own record; then four records of new frames, not
    // a burst for the 25 s between.
    ASSERT_EQ(Count(), before + 1 + 4);
    EXPECT_FLOAT_EQ(Log()[before].Ui, 2.0f);
    EXPECT_GE(Log()[before + 1].T - Log()[before].T, 25);
    ExpectNothingStampedBefore(backMs, before + 1);
    for (int i = before + 1; i < Count(); ++i)
        EXPECT_FLOAT_EQ(Log()[i].Ui, 4.0f) << i;
    EXPECT_EQ(rig.session.JournalPath(), journal) << "the same journal file";
    EXPECT_TRUE(rig.session.JournalComplete());
    EXPECT_EQ(rig.host.resets, resets) << "the log was never reset";
    // The gap is part of the record: in the test, its journal's marks and its verdict.
    const int fromT = Log()[before].T;
    const int toT = Log()[before + 1].T;
    EXPECT_EQ(rig.session.Test().Marks().gaps, (std::vector<core::LinkGap>{{fromT, toT}}));
    std::string marks;
    ASSERT_TRUE(core::ReadWholeFile(core::MarksPathFor(journal), marks));
    EXPECT_NE(marks.find("\xd0\xe0\xe7\xf0\xfb\xe2=" + std::to_string(fromT) + ";" +
                         std::to_string(toT) + "\r\n"),
              std::string::npos)
        << marks;
    const double start = *rig.session.Test().Marks().fireStartT;
    const std::string named = "разрыв связи " + core::FormatDecimal(fromT - start, 6, 0) + "–" +
                              core::FormatDecimal(toT - start, 6, 0) + " с";
    EXPECT_NE(rig.session.Test().VerdictLine().find(named), std::string::npos)
        << rig.session.Test().VerdictLine();
    rig.clock.AdvanceMs(core::Reconnect::kRestoredShownMs);
    EXPECT_EQ(rig.session.WaitText(), "");
    EXPECT_FALSE(rig.session.WaitShown());
}

TEST_F(SessionWait, AWatchdogLossWaitsWithThePortOpenAndABlockFaultAfterItWritesNothing) {
    Live(3000);
    Silent(5200);
    rig.session.Timer2Timer();
    const int lost = Count();
    EXPECT_TRUE(rig.session.Waiting());
    EXPECT_FALSE(rig.session.NeedsReopen());
    EXPECT_EQ(rig.session.WaitText(), "Ожидание устройства… 00:05");
    Silent(10'000);
    EXPECT_EQ(reopenAttempts, 0) << "the port is open: nothing to reopen";
    // The meter comes back with the photodetector faulty: the link is back, the block is not.
    const long long backMs = rig.clock.ElapsedMs();
    Live(3000, 3.0f, kSignalLow);
    EXPECT_FALSE(rig.session.Waiting());
    EXPECT_EQ(Count(), lost) << "nothing recorded while a block is faulty";
    Live(3000, 4.0f);
    ASSERT_EQ(Count(), lost + 3);
    // From the loss (8,2 s; the records before it repeat the last frames) to the fault's end.
    EXPECT_GE(Log()[lost].T - Log()[lost - 1].T, 13) << "T jumps over the gap and the fault";
    ExpectNothingStampedBefore(backMs + 3000, lost);
    for (int i = lost; i < Count(); ++i)
        EXPECT_FLOAT_EQ(Log()[i].Ui, 4.0f) << "neither the fault's frames nor the gap's";
}

TEST_F(SessionWait, AGapAcrossTheLogsTimeBoundEndsTheLogWithoutARecordBeyondIt) {
    Live(2500);
    const int before = Count();
    ASSERT_GE(before, 2);
    rig.session.DeviceLost();
    // Away for 18 hours: the next grid point after the wait lies past 65 535 s.
    rig.clock.AdvanceMs(Log().StartMs() + 65'540'000LL - rig.clock.ElapsedMs());
    rig.session.PortReopened();
    Live(1000, 4.0f);
    EXPECT_EQ(Count(), before + 1) << "only the interval before the loss";
    EXPECT_FLOAT_EQ(Log()[before].Ui, 2.0f);
    EXPECT_EQ(rig.session.Recording().state, core::RecordingState::Paused);
    ASSERT_EQ(rig.host.notices.size(), 1u);
    EXPECT_EQ(rig.host.notices[0], "Журнал заполнен, запись остановлена");
    Live(5000, 4.0f);
    EXPECT_EQ(Count(), before + 1);
    for (int i = 0; i < Count(); ++i)
        EXPECT_LE(Log()[i].T, before) << "nothing stamped at the far side of the gap";
}

TEST_F(SessionWait, AMeterThatRestartedInAdjustmentEndsTheLogAsDocumented) {
    Live(3000);
    rig.session.DeviceLost();
    Silent(6000);
    rig.session.PortReopened();
    rig.session.ReceiveBytes(test::StatusFrame(kAdjustment, 2.0f));
    EXPECT_EQ(rig.answers.questions, 1) << "entering adjustment offers to save";
    EXPECT_EQ(Count(), 0);
    EXPECT_FALSE(rig.session.Waiting());
}

TEST_F(SessionWait, AnotherPortAsksToSaveFirstAndCancelKeepsWaiting) {
    Live(3000);
    const int before = Count();
    rig.session.DeviceLost();
    Silent(3000);
    const std::string journal = rig.session.JournalPath();
    rig.answers.answers.push_back(core::SaveAnswer::Stop);
    EXPECT_FALSE(rig.session.LeaveWait());
    EXPECT_EQ(rig.answers.questions, 1);
    EXPECT_TRUE(rig.session.Waiting()) << "cancelled: still waiting";
    EXPECT_EQ(Count(), before);
    rig.answers.answers.push_back(core::SaveAnswer::GoOn);
    EXPECT_TRUE(rig.session.LeaveWait());
    EXPECT_EQ(rig.answers.questions, 2);
    EXPECT_FALSE(rig.session.Waiting());
    std::string marks;
    ASSERT_TRUE(core::ReadWholeFile(core::MarksPathFor(journal), marks));
    EXPECT_NE(marks.find("\xc7\xe0\xe2\xe5\xf0\xf8\xb8\xed\r\n"), std::string::npos)
        << "the journal of the log left behind is closed";
}

TEST_F(SessionWait, OffEndsTheWaitWithoutAQuestionAndKeepsTheLog) {
    Live(3000);
    rig.session.DeviceLost();
    Silent(2000);
    const int kept = Count();
    rig.session.PortClosed();
    EXPECT_FALSE(rig.session.Waiting());
    EXPECT_FALSE(rig.session.ReopenDue());
    EXPECT_EQ(rig.session.WaitText(), "");
    EXPECT_EQ(rig.answers.questions, 0);
    EXPECT_EQ(Count(), kept);
}

} // namespace
