// Recording switch, restart, log reset and port transitions of the measurement session.
#include "core/link/link_protocol.h"
#include "fake_session_observer.h"

#include <array>
#include <cstddef>
#include <gtest/gtest.h>
#include <vector>

namespace {

using core::RecordingState;
using core::SaveAnswer;
using test::SessionRig;

constexpr std::uint8_t kWork = 0x04;

class Recording : public ::testing::Test {
protected:
    void SetUp() override {
        rig.session.PortOpened();
        rig.Frame(kWork);
        rig.TickAfter(1000);
        rig.TickAfter(1000);
        ASSERT_EQ(rig.session.Log().Count(), 2);
    }
    const core::RecordingView& Switch() const { return rig.session.Recording(); }
    SessionRig rig;
};

TEST_F(Recording, PauseKeepsTheRecordsAndStopsTheTimer) {
    rig.session.miLinkClick();
    EXPECT_EQ(Switch().state, RecordingState::Paused);
    EXPECT_EQ(Switch().miLinkCaption, "Разрешить запись");
    EXPECT_EQ(Switch().bbEnRecHint, "Разрешить запись");
    EXPECT_TRUE(Switch().bbEnRecDown);
    EXPECT_FALSE(rig.session.Timer1().running);
    EXPECT_EQ(rig.session.Log().Count(), 2);
    EXPECT_EQ(rig.host.offers, 0);
    // Frames go on but nothing is accumulated.
    rig.Frame(kWork);
    EXPECT_EQ(rig.session.Log().NSamples(), 0);
}

TEST_F(Recording, ResumeAnsweredGoOnStartsANewLog) {
    rig.session.bbEnRecClick(true);
    rig.session.bbEnRecClick(false);
    EXPECT_EQ(rig.host.offers, 1);
    EXPECT_EQ(Switch().state, RecordingState::On);
    EXPECT_EQ(Switch().miLinkCaption, "Запретить запись");
    EXPECT_FALSE(Switch().bbEnRecDown);
    EXPECT_EQ(rig.session.Log().Count(), 0);
    EXPECT_EQ(rig.session.Log().NSamples(), -1);
    EXPECT_EQ(rig.session.TimeText(), "Ti= 00:00:00");
}

TEST_F(Recording, ResumeAnsweredStopChangesNothing) {
    rig.session.miLinkClick();
    rig.answers.answers = {SaveAnswer::Stop};
    const int clears = rig.host.resets;
    rig.session.bbEnRecClick(false); // the user released the button
    EXPECT_EQ(Switch().state, RecordingState::Paused);
    EXPECT_TRUE(Switch().bbEnRecDown); // put down again
    EXPECT_EQ(Switch().miLinkCaption, "Разрешить запись");
    EXPECT_EQ(rig.session.Log().Count(), 2);
    EXPECT_EQ(rig.host.resets, clears);
}

TEST_F(Recording, SwitchIsIgnoredWhileUnavailable) {
    rig.session.PortClosed();
    rig.session.miLinkClick();
    rig.session.bbEnRecClick(true);
    EXPECT_EQ(Switch().state, RecordingState::Unavailable);
    EXPECT_EQ(rig.host.offers, 0);
}

TEST_F(Recording, RestartAnsweredGoOnSendsTheRestartFrame) {
    const int resets = rig.host.resets;
    rig.session.bbRestartClick();
    ASSERT_EQ(rig.host.sent.size(), 1u);
    EXPECT_EQ(rig.host.sent[0], (std::vector<std::uint8_t>{0xC0, 0x22, 0x00, 0xEE}));
    EXPECT_EQ(rig.session.Log().Count(), 0);
    EXPECT_EQ(rig.host.resets, resets + 1);
    EXPECT_FALSE(rig.session.Timer1().running);
    EXPECT_EQ(Switch().state, RecordingState::On);
}

TEST_F(Recording, RestartAnsweredStopDoesNothing) {
    rig.answers.answers = {SaveAnswer::Stop};
    rig.session.bbRestartClick();
    EXPECT_TRUE(rig.host.sent.empty());
    EXPECT_EQ(rig.session.Log().Count(), 2);
    EXPECT_TRUE(rig.session.Timer1().running);
}

TEST_F(Recording, ResetLogKeepsTheAccumulatorForTheNextRecord) {
    rig.Frame(kWork, 3.0f);
    rig.session.ResetLog();
    EXPECT_EQ(rig.host.elapsed, "Ti= 00:00:00");
    EXPECT_EQ(rig.session.Log().NSamples(), 1);
    rig.TickAfter(1000);
    ASSERT_EQ(rig.session.Log().Count(), 1);
    EXPECT_FLOAT_EQ(rig.session.Log()[0].Ui, 3.0f);
    EXPECT_EQ(rig.session.Log()[0].T, 0);
}

TEST_F(Recording, ResetLogReArmsTheWatchdog) {
    rig.session.Timer2Timer();
    ASSERT_FALSE(rig.session.Timer2().running);
    rig.session.ResetLog();
    EXPECT_TRUE(rig.session.Timer2().running);
}

TEST(PortTransitions, OpeningTurnsRecordingOnAndEmptiesTheLog) {
    SessionRig rig;
    EXPECT_EQ(rig.session.Recording().state, RecordingState::Unavailable);
    EXPECT_FALSE(rig.session.Recording().enabled);
    rig.session.PortOpened();
    EXPECT_EQ(rig.session.Recording().state, RecordingState::On);
    EXPECT_TRUE(rig.session.Recording().enabled);
    EXPECT_TRUE(rig.session.Timer2().running);
    EXPECT_EQ(rig.host.resets, 1);
    EXPECT_EQ(rig.host.offers, 0); // opening a port does not offer to save
}

TEST(PortTransitions, SwitchingOffStopsBothTimersAndDisablesRecording) {
    SessionRig rig;
    rig.session.PortOpened();
    rig.Frame(kWork);
    rig.session.PortClosed();
    EXPECT_FALSE(rig.session.Timer1().running);
    EXPECT_FALSE(rig.session.Timer2().running);
    EXPECT_EQ(rig.session.Recording().state, RecordingState::Unavailable);
    EXPECT_EQ(rig.session.Recording().miLinkCaption, "Запретить запись");
    EXPECT_FALSE(rig.session.Recording().enabled);
    EXPECT_FALSE(rig.session.View().bbRestart);
}

TEST(PortTransitions, FailedOpenStopsTheTimersOnly) {
    SessionRig rig;
    rig.session.PortOpened();
    rig.Frame(kWork);
    rig.session.PortOpenFailed();
    EXPECT_FALSE(rig.session.Timer1().running);
    EXPECT_FALSE(rig.session.Timer2().running);
    EXPECT_FALSE(rig.session.View().bbRestart);
    EXPECT_EQ(rig.session.Recording().state, RecordingState::On);
}

// Whether the panel is shown or not: shown later it must not bring back the last frame.
TEST(PortTransitions, TheTechnicalPanelIsToldWhenNoMoreFramesCome) {
    SessionRig rig;
    rig.session.PortOpened();
    rig.Frame(kWork);
    EXPECT_EQ(rig.host.statusFrames, 1);
    EXPECT_EQ(rig.host.linkLosses, 0);
    rig.session.Timer2Timer();
    EXPECT_EQ(rig.host.linkLosses, 1);
    rig.session.Timer2Timer(); // a late tick of the stopped watchdog
    EXPECT_EQ(rig.host.linkLosses, 1);
    rig.session.PortOpened();
    rig.Frame(kWork);
    EXPECT_EQ(rig.host.linkLosses, 1);
    rig.session.PortClosed();
    EXPECT_EQ(rig.host.linkLosses, 2);
    rig.session.PortOpened();
    rig.session.PortOpenFailed();
    EXPECT_EQ(rig.host.linkLosses, 3);
}

TEST(PortTransitions, OpeningAfterAPauseShowsTheButtonUp) {
    SessionRig rig;
    rig.session.PortOpened();
    rig.session.miLinkClick();
    ASSERT_TRUE(rig.session.Recording().bbEnRecDown);
    rig.session.PortClosed();
    rig.session.PortOpened();
    EXPECT_EQ(rig.session.Recording().state, RecordingState::On);
    EXPECT_FALSE(rig.session.Recording().bbEnRecDown);
    EXPECT_EQ(rig.session.Recording().bbEnRecHint, "Запретить запись");
}

} // namespace

namespace {

using test::SessionRig;
using test::StatusFrame;

TEST(ReceivedBytes, StatusFrameRunsProcessStatus) {
    SessionRig rig;
    rig.session.PortOpened();
    rig.session.ReceiveBytes(StatusFrame(0x04, 1.5f));
    EXPECT_EQ(rig.session.View().Front(), core::Panel::Work);
    EXPECT_EQ(rig.session.View().lUi.text, "Ui=1,500В");
}

TEST(ReceivedBytes, BadChecksumChangesNothing) {
    SessionRig rig;
    rig.session.PortOpened();
    std::vector<std::uint8_t> frame = StatusFrame(0x04, 1.5f);
    frame.back() ^= 0x01;
    const std::uint32_t arms = rig.session.Timer2().starts;
    rig.session.ReceiveBytes(frame);
    EXPECT_EQ(rig.session.View().Front(), core::Panel::Start);
    EXPECT_EQ(rig.session.Timer2().starts, arms);
}

TEST(ReceivedBytes, AnyValidFrameReArmsTheWatchdog) {
    SessionRig rig;
    std::array<std::uint8_t, core::kFrameBufferSize> out{};
    const std::size_t n = core::BuildFrame(core::kNoAddress, 0x33, {}, out);
    rig.session.ReceiveBytes(std::span(out.data(), n));
    EXPECT_TRUE(rig.session.Timer2().running);
    EXPECT_EQ(rig.session.View().Front(), core::Panel::Start);
}

// The question's modal loop delivers the bytes that come meanwhile into ReceiveBytes again.
TEST(ReceivedBytes, BytesArrivingDuringTheSaveOfferAreTakenAfterItInOrder) {
    SessionRig rig;
    rig.session.PortOpened();
    std::vector<std::uint8_t> block = StatusFrame(0x02, 2.0f); // entering adjustment offers
    const std::vector<std::uint8_t> later = StatusFrame(0x04, 4.0f);
    block.insert(block.end(), later.begin(), later.end());
    const std::vector<std::uint8_t> nested = StatusFrame(0x04, 3.0f);
    rig.host.duringOffer = [&] {
        rig.session.ReceiveBytes(nested);
        // The frame being processed keeps its status area.
        EXPECT_EQ(rig.session.Status().Mode(), 0x02);
        EXPECT_EQ(rig.session.Status().Ui(), 2.0f);
    };
    rig.session.ReceiveBytes(block);
    EXPECT_EQ(rig.host.offers, 1);
    EXPECT_EQ(rig.session.BytesDroppedWhileBusy(), 0u);
    EXPECT_EQ(rig.session.Receiver().Accepted(), 3u);
    // The rest of the block first, then what came during the question.
    EXPECT_EQ(rig.session.View().Front(), core::Panel::Work);
    EXPECT_EQ(rig.session.View().lUi.text, "Ui=3,000В");
}

TEST(ReceivedBytes, BytesArrivingDuringTheSaveOfferBeyondTheLimitAreDroppedSafely) {
    SessionRig rig;
    rig.session.PortOpened();
    const std::vector<std::uint8_t> noise(core::MeasurementSession::kHeldBytesLimit, 0x55);
    const std::vector<std::uint8_t> nested = StatusFrame(0x04, 3.0f);
    rig.host.duringOffer = [&] {
        rig.session.ReceiveBytes(noise);
        rig.session.ReceiveBytes(nested);
    };
    rig.session.ReceiveBytes(StatusFrame(0x02, 2.0f)); // entering adjustment offers to save
    EXPECT_EQ(rig.host.offers, 1);
    EXPECT_EQ(rig.session.BytesDroppedWhileBusy(), nested.size());
    EXPECT_EQ(rig.session.View().Front(), core::Panel::Adjust);
    rig.host.duringOffer = nullptr;
    rig.session.ReceiveBytes(StatusFrame(0x04, 3.0f));
    EXPECT_EQ(rig.session.View().Front(), core::Panel::Work);
}

TEST(EnteringAdjustment, TimersStopBeforeTheSaveOfferAndTheirLateTicksDoNothing) {
    SessionRig rig;
    rig.session.PortOpened();
    rig.Frame(kWork);
    rig.TickAfter(1000);
    ASSERT_EQ(rig.session.Log().Count(), 1);
    bool offered = false;
    rig.host.duringOffer = [&] {
        offered = true;
        EXPECT_FALSE(rig.session.Timer1().running);
        EXPECT_FALSE(rig.session.Timer2().running);
        // The question's modal loop still delivers ticks queued before the timers stopped.
        rig.clock.AdvanceMs(1000);
        rig.session.Timer1Timer();
        rig.clock.AdvanceMs(6000);
        rig.session.Timer2Timer();
        EXPECT_EQ(rig.session.Log().Count(), 1); // nothing added to the log being saved
    };
    rig.session.ReceiveBytes(StatusFrame(0x02, 2.0f));
    EXPECT_TRUE(offered);
    EXPECT_EQ(rig.host.discards, std::vector<core::LogDiscard>{core::LogDiscard::Forced});
    // No "Нет связи" over the adjustment view; the watchdog runs again after the reset.
    EXPECT_EQ(rig.session.View().Front(), core::Panel::Adjust);
    EXPECT_EQ(rig.session.View().lStart.text, "Старт");
    EXPECT_TRUE(rig.session.Timer2().running);
    EXPECT_EQ(rig.session.Log().Count(), 0);
}

TEST(SaveOffers, RestartAndResumeMayBeCalledOff) {
    SessionRig rig;
    rig.session.PortOpened();
    rig.Frame(kWork);
    rig.TickAfter(1000);
    rig.session.bbRestartClick();
    rig.Frame(kWork);
    rig.TickAfter(1000);
    rig.session.miLinkClick();
    rig.session.miLinkClick();
    EXPECT_EQ(rig.host.discards, (std::vector<core::LogDiscard>{core::LogDiscard::Cancellable,
                                                                core::LogDiscard::Cancellable}));
}

class FailedSave : public ::testing::Test {
protected:
    void SetUp() override {
        rig.session.PortOpened();
        rig.Frame(0x04);
        rig.TickAfter(1000);
        ASSERT_EQ(rig.session.Log().Count(), 1);
        rig.answers.answers = {core::SaveAnswer::Failed};
    }
    SessionRig rig;
};

TEST_F(FailedSave, EnteringAdjustmentKeepsTheLog) {
    rig.Frame(0x02, 2.0f);
    EXPECT_EQ(rig.session.Log().Count(), 1);
    EXPECT_EQ(rig.session.View().Front(), core::Panel::Adjust);
}

TEST_F(FailedSave, RestartAndResumeAreCancelled) {
    rig.session.bbRestartClick();
    EXPECT_TRUE(rig.host.sent.empty());
    EXPECT_EQ(rig.session.Log().Count(), 1);
    rig.session.miLinkClick(); // pause
    rig.answers.answers = {core::SaveAnswer::Failed};
    rig.session.miLinkClick(); // resume refused
    EXPECT_EQ(rig.session.Recording().state, core::RecordingState::Paused);
    EXPECT_EQ(rig.session.Log().Count(), 1);
}

TEST(Observers, EachObserverSeesEveryRecordUntilRemoved) {
    SessionRig rig;
    test::FakeSessionObserver second;
    rig.session.AddObserver(second);
    rig.session.PortOpened();
    rig.Frame(kWork);
    rig.TickAfter(1000);
    EXPECT_EQ(rig.host.rowsAdded, std::vector<int>{0});
    EXPECT_EQ(second.rowsAdded, std::vector<int>{0});
    EXPECT_EQ(second.resets, 1);
    EXPECT_EQ(second.elapsed, "Ti= 00:00:00");
    rig.session.RemoveObserver(second);
    rig.TickAfter(1000);
    EXPECT_EQ(rig.host.rowsAdded, (std::vector<int>{0, 1}));
    EXPECT_EQ(second.rowsAdded, std::vector<int>{0});
}

TEST(Observers, StateIsAnnouncedOncePerCallAndAtOnceFromInsideTheSaveQuestion) {
    SessionRig rig;
    rig.session.PortOpened();
    int changes = rig.host.stateChanges;
    rig.session.ReceiveBytes(StatusFrame(kWork, 2.0f)); // a frame that also accumulates
    EXPECT_EQ(rig.host.stateChanges, changes + 1);
    rig.TickAfter(1000);
    ASSERT_EQ(rig.session.Log().Count(), 1);
    // The question's modal loop goes on delivering events; each is shown as it comes, not
    // only once the question is answered.
    int duringQuestion = -1;
    rig.answers.duringQuestion = [&] {
        changes = rig.host.stateChanges;
        rig.clock.AdvanceMs(6000);
        rig.session.Timer2Timer();
        duringQuestion = rig.host.stateChanges - changes;
    };
    rig.answers.answers = {SaveAnswer::Stop};
    const int beforeRestart = rig.host.stateChanges;
    rig.session.bbRestartClick();
    EXPECT_EQ(rig.answers.questions, 1);
    EXPECT_EQ(duringQuestion, 1);
    EXPECT_EQ(rig.session.View().lStart.text, "Нет связи");
    EXPECT_EQ(rig.host.stateChanges, beforeRestart + 2); // the watchdog's, then the restart's
}

} // namespace
