// Mode panels decided by ProcessStatus: panels by mode, faults, adjustment arrows, 0x80.
#include "fake_session_observer.h"

#include <cmath>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using core::Panel;
using core::SaveAnswer;
using test::SessionRig;
namespace text = core::mode_text;

constexpr std::uint8_t kStart = 0x08, kStab = 0x01, kAdjust = 0x02, kWork = 0x04;
constexpr std::uint8_t kMeasuring = 0x80;

class ModePanels : public ::testing::Test {
protected:
    void SetUp() override { rig.session.PortOpened(); }
    const core::ModeView& View() const { return rig.session.View(); }
    SessionRig rig;
};

TEST_F(ModePanels, InitialViewIsTheStartPanel) {
    core::ModeView initial;
    EXPECT_EQ(initial.Front(), Panel::Start);
    EXPECT_EQ(initial.lStart.text, "Старт");
    EXPECT_EQ(initial.lDi.text, "Di=0,000дБ/м");
    EXPECT_FALSE(initial.bbRestart);
}

TEST_F(ModePanels, StartAndStabilisationStopTheRecordTimer) {
    rig.Frame(kWork);
    ASSERT_TRUE(rig.session.Timer1().running);
    rig.Frame(kStab);
    EXPECT_EQ(View().Front(), Panel::Stab);
    EXPECT_FALSE(rig.session.Timer1().running);
    EXPECT_FALSE(View().bbRestart);
    rig.Frame(kWork);
    rig.Frame(kStart);
    EXPECT_EQ(View().Front(), Panel::Start);
    EXPECT_FALSE(rig.session.Timer1().running);
    EXPECT_FALSE(View().bbRestart);
}

TEST_F(ModePanels, WorkShowsTheValuesAndEnablesRestart) {
    rig.Frame(kWork, 1.2344f, 0.25f);
    EXPECT_EQ(View().Front(), Panel::Work);
    EXPECT_EQ(View().lUi.text, "Ui=1,234В");
    EXPECT_EQ(View().lUo.text, "Uo=4,985В");
    EXPECT_EQ(View().lDi.text, "Di=0,250дБ"); // "дБ", not the initial "дБ/м"
    EXPECT_TRUE(View().bbRestart);
    EXPECT_TRUE(rig.session.Timer1().running);
    EXPECT_EQ(rig.session.LastMode(), kWork);
}

TEST_F(ModePanels, StabilisationCountdownFromSignedBytes) {
    rig.session.Status().SetStab(29, 5);
    rig.Frame(kStab);
    EXPECT_EQ(View().lStabTime.text, "29:05");
    rig.session.Status().SetStab(-1, 0);
    rig.Frame(kStab);
    EXPECT_EQ(View().lStabTime.text, "-1:00");
}

TEST_F(ModePanels, SameModeTwiceRefreshesTheViewWithoutTheModeChange) {
    rig.Frame(kAdjust, 2.0f);
    ASSERT_EQ(rig.host.offers, 1);
    const std::uint32_t arms = rig.session.Timer2().starts;
    rig.Frame(kAdjust, 3.0f);
    EXPECT_EQ(rig.host.offers, 1);
    EXPECT_EQ(rig.session.Timer2().starts, arms);
    EXPECT_EQ(View().lUa.text, "3,000В");
}

TEST_F(ModePanels, EnteringAdjustmentEmptiesTheLogOnceItIsSavedOrRefused) {
    rig.Frame(kWork);
    rig.TickAfter(1000);
    rig.TickAfter(1000);
    ASSERT_GT(rig.session.Log().Count(), 0);
    rig.answers.answers = {SaveAnswer::GoOn};
    const int clears = rig.host.resets;
    rig.Frame(kAdjust, 2.0f);
    EXPECT_EQ(rig.host.offers, 1);
    // The offer cannot call the mode change off: it saves or journals, unless the user says No.
    EXPECT_EQ(rig.host.discards, std::vector<core::LogDiscard>{core::LogDiscard::Forced});
    EXPECT_EQ(rig.session.Log().Count(), 0);
    EXPECT_EQ(rig.host.resets, clears + 1);
    EXPECT_EQ(rig.session.TimeText(), "Ti= 00:00:00");
    EXPECT_FALSE(rig.session.Timer1().running);
    EXPECT_FALSE(View().bbRestart);
    EXPECT_EQ(View().Front(), Panel::Adjust);
}

TEST_F(ModePanels, ModeChangeRunsBeforeTheViewsInTheirOrder) {
    // Work and adjustment at once: the mode change hides pWork and empties the log, then the
    // work view shows the values and accumulates, then the adjustment view shows pAdjust.
    rig.Frame(kWork | kAdjust, 2.0f);
    EXPECT_TRUE(View().pWork);
    EXPECT_TRUE(View().pAdjust);
    EXPECT_FALSE(View().pError);
    EXPECT_EQ(View().Front(), Panel::Work);
    EXPECT_EQ(rig.session.Log().NSamples(), 1);
    EXPECT_TRUE(rig.session.Timer1().running);
}

TEST_F(ModePanels, LinkLossShowsNoLinkAndTheNextFrameRebuilds) {
    rig.Frame(kWork);
    rig.session.Timer2Timer();
    EXPECT_EQ(View().Front(), Panel::Start);
    EXPECT_EQ(View().lStart.text, "Нет связи");
    EXPECT_FALSE(rig.session.Timer1().running);
    EXPECT_FALSE(rig.session.Timer2().running);
    EXPECT_EQ(rig.session.LastMode(), 0);

    const std::uint32_t arms = rig.session.Timer2().starts;
    rig.Frame(kWork);
    EXPECT_EQ(View().Front(), Panel::Work);
    EXPECT_TRUE(rig.session.Timer2().running);
    EXPECT_GT(rig.session.Timer2().starts, arms);
}

TEST_F(ModePanels, StartFrameAfterLinkLossReadsStartAgain) {
    rig.Frame(kStart);
    rig.session.Timer2Timer();
    ASSERT_EQ(View().lStart.text, "Нет связи");
    rig.Frame(kStart);
    EXPECT_EQ(View().lStart.text, "Старт");
}

TEST_F(ModePanels, EachStatusFrameIsAnnouncedBeforeItsModeIsShown) {
    rig.Frame(kWork);
    EXPECT_EQ(rig.host.statusFrames, 1);
    rig.Frame(kWork);
    EXPECT_EQ(rig.host.statusFrames, 2);
}

// ------------------------------------------------------------------ faults

TEST_F(ModePanels, WorkFaultShowsTheFaultPanelWithTheMode) {
    rig.Frame(kWork, 1.0f, 0.5f, /*photo*/ 0x08);
    EXPECT_EQ(View().Front(), Panel::Error);
    EXPECT_EQ(View().lErMode.text, "Измерение");
    EXPECT_TRUE(View().lErBF.visible);
    EXPECT_EQ(View().lErBF.text, "Уровень сигнала меньше нормы");
    EXPECT_FALSE(View().lErBI.visible);
    EXPECT_EQ(rig.session.Log().NSamples(), -1); // nothing accumulated

    rig.Frame(kWork);
    EXPECT_EQ(View().Front(), Panel::Work);
    EXPECT_FALSE(View().pError);
}

TEST_F(ModePanels, FaultPanelNamesTheModeItReplaces) {
    rig.Frame(kStab, 1.0f, 0.5f, 0, /*emitter*/ 0x02);
    EXPECT_EQ(View().Front(), Panel::Error);
    EXPECT_EQ(View().lErMode.text, "Стабилизация");
    rig.Frame(kAdjust, 1.0f, 0.5f, 0, 0x02);
    EXPECT_EQ(View().Front(), Panel::Error);
    EXPECT_EQ(View().lErMode.text, "Юстировка");
    EXPECT_EQ(View().lErBI.text, "Неисправен блок излучателя");
}

struct PhotoFaultCase {
    const char* name;
    std::uint8_t faults;
    const char* text;
    friend std::ostream& operator<<(std::ostream& os, const PhotoFaultCase& c) {
        return os << c.name;
    }
};

class PhotodetectorFaultText : public ::testing::TestWithParam<PhotoFaultCase> {};

TEST_P(PhotodetectorFaultText, ShowsTheTextOfTheBitThatWins) {
    SessionRig rig;
    rig.Frame(kWork, 1.0f, 0.5f, GetParam().faults);
    EXPECT_EQ(rig.session.View().lErBF.text, GetParam().text);
    EXPECT_TRUE(rig.session.View().lErBF.visible);
}

INSTANTIATE_TEST_SUITE_P(
    Bits, PhotodetectorFaultText,
    ::testing::Values(PhotoFaultCase{"NoLinkBeatsAll", 0x1F, "Нет связи с блоком фотоприемника"},
                      PhotoFaultCase{"NoLinkWithNoSignal", 0x05,
                                     "Нет связи с блоком фотоприемника"},
                      PhotoFaultCase{"FaultBeatsLevels", 0x1A, "Неисправен блок фотоприемника"},
                      PhotoFaultCase{"NoSignal", 0x04, "Сигнал не принимается"},
                      PhotoFaultCase{"HighestLevelBitWins", 0x1C, "Уровень сигнала больше нормы"},
                      PhotoFaultCase{"LowBeatsNoSignal", 0x0C, "Уровень сигнала меньше нормы"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModePanels, UnknownFaultBitsKeepTheLineText) {
    rig.Frame(kWork, 1.0f, 0.5f, 0, /*emitter*/ 0x40);
    EXPECT_TRUE(View().lErBI.visible);
    EXPECT_EQ(View().lErBI.text, "Неисправен блок излучателя"); // before any named fault
    rig.Frame(kWork, 1.0f, 0.5f, 0, 0x01);
    EXPECT_EQ(View().lErBI.text, "Нет связи с блоком излучателя");
    rig.Frame(kWork, 1.0f, 0.5f, 0x80, 0x40);
    EXPECT_EQ(View().lErBI.text, "Нет связи с блоком излучателя");
    EXPECT_TRUE(View().lErBF.visible);
    EXPECT_EQ(View().lErBF.text, "Неисправен блок фотоприемника");
}

// ------------------------------------------------------------------ adjustment arrows

struct Arrows {
    bool l1, l3, sq1, sq3, r1, r3;
};

Arrows Shapes(const core::ModeView& v) {
    return {v.iTrL1, v.iTrL3, v.iSQ1, v.iSQ3, v.iTrR1, v.iTrR3};
}

TEST_F(ModePanels, LowVoltageBlinksTheLeftArrow) {
    rig.Frame(kAdjust, 0.5f);
    Arrows a = Shapes(View());
    EXPECT_TRUE(a.l3 && !a.l1 && a.sq1 && !a.sq3 && a.r1 && !a.r3);
    rig.Frame(kAdjust, 0.5f);
    a = Shapes(View());
    EXPECT_TRUE(a.l1 && !a.l3 && a.sq1 && !a.sq3 && a.r1 && !a.r3);
    rig.Frame(kAdjust, 0.5f);
    EXPECT_TRUE(View().iTrL3);
    EXPECT_EQ(View().lUa.text, "0,500В");
    EXPECT_TRUE(View().lUa.visible);
}

TEST_F(ModePanels, VoltageInRangeShowsTheFilledSquareSteadily) {
    for (int i = 0; i < 3; ++i) {
        rig.Frame(kAdjust, 2.0f);
        const Arrows a = Shapes(View());
        EXPECT_TRUE(a.l1 && !a.l3 && a.sq3 && !a.sq1 && a.r1 && !a.r3) << "frame " << i;
    }
}

TEST_F(ModePanels, HighVoltageFromExactlyFiveBlinksTheRightArrow) {
    rig.Frame(kAdjust, 4.9999995f);
    EXPECT_TRUE(View().iSQ3);
    rig.Frame(kAdjust, 5.0f);
    const bool first = View().iTrR3;
    EXPECT_TRUE(View().iSQ1 && View().iTrL1);
    rig.Frame(kAdjust, 5.0f);
    EXPECT_NE(View().iTrR3, first);
    EXPECT_NE(View().iTrR1, View().iTrR3);
}

TEST_F(ModePanels, LowThresholdIsComparedInDoublePrecision) {
    // The float nearest 0.8113 lies below the double 0.8113: it counts as low.
    const float nearest = 0.8113f;
    ASSERT_LT(static_cast<double>(nearest), 0.8113);
    rig.Frame(kAdjust, nearest);
    EXPECT_TRUE(View().iSQ1);
    EXPECT_FALSE(View().iSQ3);
    rig.Frame(kAdjust, std::nextafter(nearest, 1.0f));
    EXPECT_TRUE(View().iSQ3);
}

TEST_F(ModePanels, BlankAdjustmentShowsTheNeutralIndicatorAndKeepsBlink) {
    rig.Frame(kAdjust, 0.5f);
    const std::uint16_t blink = rig.session.Blink();
    rig.session.Status().SetAdjustBlank(1);
    rig.Frame(kAdjust, 0.5f);
    const Arrows a = Shapes(View());
    EXPECT_TRUE(a.l1 && !a.l3 && a.sq1 && !a.sq3 && a.r1 && !a.r3);
    EXPECT_FALSE(View().lUa.visible);
    EXPECT_EQ(rig.session.Blink(), blink);
}

// ------------------------------------------------------------------ the measuring bit

TEST_F(ModePanels, MeasuringBitShowsOnlyMeasurementAndStopsAccumulation) {
    rig.Frame(kWork);
    ASSERT_EQ(rig.session.Log().NSamples(), 1);
    rig.Frame(kWork | kMeasuring);
    EXPECT_EQ(View().lUi.text, "Измерение");
    EXPECT_FALSE(View().lUo.visible);
    EXPECT_FALSE(View().lDi.visible);
    EXPECT_EQ(rig.session.Log().NSamples(), -1);
    EXPECT_EQ(rig.session.Log().SumUi(), 0.0);

    rig.Frame(kWork, 3.0f);
    EXPECT_TRUE(View().lUo.visible);
    EXPECT_TRUE(View().lDi.visible);
    EXPECT_EQ(View().lUi.text, "Ui=3,000В");
    EXPECT_EQ(rig.session.Log().NSamples(), 1);
}

TEST_F(ModePanels, MeasuringBitEndsProcessingBeforeTheOtherViews) {
    rig.Frame(kAdjust, 2.0f);
    const std::string ua = View().lUa.text;
    const std::uint16_t blink = rig.session.Blink();
    rig.Frame(kWork | kAdjust | kMeasuring, 0.5f);
    EXPECT_EQ(View().lUa.text, ua);
    EXPECT_EQ(rig.session.Blink(), blink);
}

TEST_F(ModePanels, MeasuringBitDoesNotStartTheRecordTimer) {
    rig.Frame(kStart);
    rig.Frame(kWork | kMeasuring);
    EXPECT_FALSE(rig.session.Timer1().running);
    EXPECT_TRUE(View().bbRestart); // enabled by the mode change to work
}

} // namespace
