// The technical panel's logic: block values, smoothing, pointer geometry, texts, mode line.
#include "core/tech/tech_panel.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace {

using core::BlockStatus;
using core::DialValues;
using core::Segment;
using core::StatusArea;
using core::TechFrame;
using core::TechPanel;
namespace text = core::tech_text;
namespace colour = core::tech_colour;

constexpr std::uint8_t kStart = 0x08, kStab = 0x01, kAdjust = 0x02, kWork = 0x04;

// Direction of a segment from its inner end (second point) to its outer end, degrees 0..360.
double DirectionDeg(const Segment& s) {
    const double deg = std::atan2(s.y1 - s.y2, s.x1 - s.x2) * 180 / std::numbers::pi;
    return deg < 0 ? deg + 360 : deg;
}

// A status area holding the emitter block `em` and the photodetector block `pd`.
StatusArea AreaWith(const BlockStatus& em, const BlockStatus& pd) {
    StatusArea s;
    s.SetEmitter(em);
    s.SetPhotodetector(pd);
    return s;
}

// A panel updated once with `em` and `pd`.
TechPanel PanelWith(const BlockStatus& em, const BlockStatus& pd) {
    TechPanel p;
    p.Update(AreaWith(em, pd));
    return p;
}

TEST(TechVolts, CodeTimesTenOver8191) {
    const struct {
        std::uint16_t code;
        float volts;
    } rows[] = {{0, 0.0f},          {1, 0.0012208521f}, {819, 0.99987793f},
                {4096, 5.0006104f}, {8191, 10.0f},      {65535, 80.008545f}};
    for (const auto& r : rows)
        EXPECT_FLOAT_EQ(core::TechVolts(r.code), r.volts) << r.code;
    // The full scale reads exactly 10 V (8191, not 8192, is full scale).
    EXPECT_EQ(core::TechVolts(8191), 10.0f);
    EXPECT_LT(core::TechVolts(8190), 10.0f);
}

TEST(DialValues, TakeEachFieldOfTheBlock) {
    BlockStatus b;
    b.rmsCode = 8191;
    b.peakCode = 4096;
    b.tempCode = -256;
    b.thirdLevel = 1.01f;
    b.kt = 1.25f;
    b.faults = 0x40; // any bit counts, known or not
    b.attenuatorStep = 200;
    const DialValues v = core::DialValuesOf(b);
    EXPECT_EQ(v.urmsVolts, 10.0f);
    EXPECT_FLOAT_EQ(v.upVolts, 5.0006104f);
    EXPECT_EQ(v.tempCelsius, -1.0f);
    EXPECT_EQ(v.thirdLevel, 1.01f);
    EXPECT_EQ(v.kt, 1.25f);
    EXPECT_TRUE(v.faulty);
    EXPECT_EQ(v.attenuatorStep, 200);
}

TEST(DialValues, TemperatureIsTheSignedCodeOver256) {
    const struct {
        std::int16_t code;
        float celsius;
    } rows[] = {{-256, -1.0f}, {0, 0.0f},         {1, 0.00390625f},
                {6400, 25.0f}, {-32768, -128.0f}, {32767, 127.99609375f}};
    for (const auto& r : rows) {
        BlockStatus b;
        b.tempCode = r.code;
        EXPECT_EQ(core::DialValuesOf(b).tempCelsius, r.celsius) << r.code;
    }
}

TEST(TechPanel, LeftDialIsTheEmitterRightDialThePhotodetector) {
    BlockStatus em, pd;
    em.rmsCode = 1000;
    em.faults = 0x02;
    em.attenuatorStep = 3;
    pd.rmsCode = 2000;
    pd.attenuatorStep = 5;
    TechPanel p = PanelWith(em, pd);
    EXPECT_EQ(p.Left().Values(), core::DialValuesOf(em));
    EXPECT_EQ(p.Right().Values(), core::DialValuesOf(pd));
    EXPECT_EQ(p.Left().Layout().cx, 134);
    EXPECT_EQ(p.Right().Layout().cx, 396);
}

// Each dial's state line follows its own block only, never the other block's faults.
TEST(TechPanel, EachStateLineFollowsOnlyItsBlock) {
    const struct {
        std::uint8_t em, pd;
        std::string_view left, right;
    } rows[] = {{0, 0, text::kNormal, text::kNormal},
                {0x02, 0, text::kAlarm, text::kNormal},
                {0, 0x08, text::kNormal, text::kAlarm},
                {0x01, 0x10, text::kAlarm, text::kAlarm}};
    for (const auto& r : rows) {
        BlockStatus em, pd;
        em.faults = r.em;
        pd.faults = r.pd;
        TechPanel p = PanelWith(em, pd);
        TechFrame f;
        p.Compose(kWork, f);
        SCOPED_TRACE(testing::Message() << int(r.em) << "/" << int(r.pd));
        EXPECT_EQ(f.dials[0].lines[3].text, r.left);
        EXPECT_EQ(f.dials[1].lines[3].text, r.right);
        EXPECT_EQ(f.dials[0].lines[3].colour, r.em ? colour::kRed : colour::kGreen);
        EXPECT_EQ(f.dials[1].lines[3].colour, r.pd ? colour::kRed : colour::kGreen);
    }
}

TEST(TechModeText, LastBitThatHoldsWins) {
    const struct {
        std::uint8_t mode;
        std::string_view text;
    } rows[] = {
        {0x00, text::kNoLink},
        {0x80, text::kNoLink},
        {0xF0, text::kNoLink},
        {kStart, text::kStart},
        {kStab, text::kStabilisation},
        {kWork, text::kWork},
        {kAdjust, text::kAdjustment},
        {kWork | 0x80, text::kWork},
        {kStab | kAdjust, text::kAdjustment},
        {kStart | kStab, text::kStabilisation},
        {kStart | kWork, text::kWork},
        {0x0F, text::kAdjustment},
    };
    for (const auto& r : rows)
        EXPECT_EQ(core::TechModeText(r.mode), r.text) << int(r.mode);
    // The panel's own spelling, unlike the main window's "Нет связи".
    EXPECT_EQ(core::TechModeText(0), "Нет сязи");
}

TEST(TechModeText, CentredOnThePictureAtRowTen) {
    TechPanel p;
    TechFrame f;
    p.Compose(kStab | kAdjust, f);
    EXPECT_EQ(f.mode.text, "Юстировка");
    EXPECT_EQ(f.mode.colour, colour::kWhite);
    EXPECT_EQ(f.mode.y, 10);
    EXPECT_TRUE(f.mode.centred);
    EXPECT_EQ(f.mode.Left(101), 265 - 50);
}

// After the watchdog the status area still holds the last work frame: none of it is shown.
TEST(TechPanel, ALostLinkShowsNoLinkAndNoValuesUntilTheNextFrame) {
    BlockStatus em, pd;
    em.rmsCode = 8191;
    em.peakCode = 8191;
    em.thirdLevel = 2.5f;
    em.kt = 1.5f;
    em.attenuatorStep = 3;
    pd.rmsCode = 4096;
    pd.faults = 0x01;
    const StatusArea s = AreaWith(em, pd);
    TechPanel p;
    p.Update(s);
    for (int i = 0; i < 20; ++i)
        p.Step();
    TechFrame f;
    p.Compose(kWork, f);
    ASSERT_EQ(f.mode.text, text::kWork);
    ASSERT_TRUE(f.dials[0].hasThirdLevel);
    const float rms = p.Left().SmoothedRms();

    EXPECT_FALSE(p.IsLinkLost());
    p.LinkLost();
    EXPECT_TRUE(p.IsLinkLost());
    p.Compose(kWork, f);
    EXPECT_EQ(f.mode.text, text::kNoLink);
    EXPECT_EQ(f.mode.x, 265);
    for (const core::DialFrame& dial : f.dials) {
        for (const core::TechText& line : dial.lines)
            EXPECT_EQ(line.text, "");
        EXPECT_EQ(dial.att.text, "");
        EXPECT_EQ(dial.kt.text, "");
        EXPECT_FALSE(dial.hasThirdLevel);
    }
    // The pointers stay where they were and fall back to 0 from there.
    EXPECT_EQ(f.dials[0].rms.segment, core::PointerSegment(rms, 134, 190, 100, 15));
    p.Step();
    EXPECT_NEAR(p.Left().SmoothedRms(), rms * 0.8f, 1e-5);
    for (int i = 0; i < 60; ++i)
        p.Step();
    EXPECT_NEAR(p.Left().SmoothedRms(), 0.0f, 1e-4);
    EXPECT_NEAR(p.Right().SmoothedPeak(), 0.0f, 1e-4);

    // The next frame brings the link back: its values and its mode line at once.
    p.Update(s);
    EXPECT_FALSE(p.IsLinkLost());
    p.Compose(kStab, f);
    EXPECT_EQ(f.mode.text, text::kStabilisation);
    EXPECT_EQ(f.dials[0].lines[0].text, "Urms=10,000В");
    EXPECT_EQ(f.dials[0].att.text, "Атт=3");
    EXPECT_EQ(f.dials[1].lines[3].text, text::kAlarm);
    EXPECT_TRUE(f.dials[0].hasThirdLevel);
}

TEST(Smoothing, ClosesAFifthOfTheGapEachFrame) {
    const float target = 5.0f;
    float p = 0;
    for (int frame = 1; frame <= 10; ++frame) {
        p = core::SmoothStep(p, target);
        EXPECT_NEAR(p, target * (1 - std::pow(0.8, frame)), 1e-5) << frame;
    }
    // About 67 % after 1 s (5 frames) and about 89 % after 2 s (10 frames).
    float q = 0;
    for (int i = 0; i < 5; ++i)
        q = core::SmoothStep(q, 1.0f);
    EXPECT_NEAR(q, 0.67232, 1e-6);
    for (int i = 0; i < 5; ++i)
        q = core::SmoothStep(q, 1.0f);
    EXPECT_NEAR(q, 0.8926258, 1e-6);
    // Downwards the same way, never overshooting.
    EXPECT_NEAR(core::SmoothStep(10.0f, 0.0f), 8.0f, 1e-6);
    EXPECT_EQ(core::SmoothStep(3.0f, 3.0f), 3.0f);
}

TEST(Smoothing, PointersStartAtZeroAndTextsFollowAtOnce) {
    StatusArea s;
    BlockStatus em;
    em.rmsCode = 8191; // 10 V
    em.peakCode = 4095;
    s.SetEmitter(em);
    TechPanel p;
    p.Update(s);
    EXPECT_EQ(p.Left().SmoothedRms(), 0.0f);
    TechFrame f;
    p.Compose(kWork, f);
    EXPECT_EQ(f.dials[0].lines[0].text, "Urms=10,000В");
    // Before the first frame the pointer still points at 0.
    EXPECT_EQ(f.dials[0].rms.segment, core::PointerSegment(0, 134, 190, 100, 15));
    for (int i = 0; i < 5; ++i)
        p.Step();
    EXPECT_NEAR(p.Left().SmoothedRms(), 6.7232, 1e-5);
    EXPECT_NEAR(p.Left().SmoothedPeak(), 0.67232 * core::TechVolts(4095), 1e-5);
    EXPECT_EQ(p.Right().SmoothedRms(), 0.0f); // the right block reads 0 V
    p.Compose(kWork, f);
    EXPECT_EQ(f.dials[0].rms.segment,
              core::PointerSegment(p.Left().SmoothedRms(), 134, 190, 100, 15));
    // A new frame with a lower value: the pointer turns back from where it is.
    em.rmsCode = 0;
    s.SetEmitter(em);
    p.Update(s);
    p.Step();
    EXPECT_NEAR(p.Left().SmoothedRms(), 6.7232 * 0.8, 1e-5);
}

TEST(PointerGeometry, AnglesRoundTheScale) {
    const struct {
        double value, deg;
    } rows[] = {{0, 120}, {5, 270}, {10, 420}, {-1, 90}, {12, 480}, {0.2, 126}};
    for (const auto& r : rows) {
        EXPECT_DOUBLE_EQ(core::PointerAngleDeg(r.value), r.deg) << r.value;
        EXPECT_NEAR(core::PointerAngle(r.value), r.deg * std::numbers::pi / 180, 1e-12);
    }
}

TEST(PointerGeometry, TenVoltsPointsLowerRightAtSixtyDegrees) {
    const Segment s = core::PointerSegment(10, 134, 190, 100, 15);
    EXPECT_GT(s.x1, 134);
    EXPECT_GT(s.y1, 190);
    EXPECT_NEAR(DirectionDeg(s), 60, 1.5);
    // cos 60 deg comes out a hair below 0,5: 133,99... + 50 truncates to 183.
    EXPECT_EQ(s, (Segment{183, 276, 141, 202}));
    EXPECT_EQ(core::PointerSegment(0, 134, 190, 100, 15), (Segment{84, 276, 126, 202}));
}

TEST(PointerGeometry, ValuesBeyondTheScaleGoOnRound) {
    // 12 lands on 0, 11 and -1 point straight down (90 deg), 13 beyond 0 towards 9 o'clock.
    EXPECT_EQ(core::PointerSegment(12, 396, 190, 105, 65),
              core::PointerSegment(0, 396, 190, 105, 65));
    for (double v : {-1.0, 11.0}) {
        const Segment s = core::PointerSegment(v, 134, 190, 100, 15);
        EXPECT_EQ(s.x1, 134) << v;
        EXPECT_EQ(s.x2, 134) << v;
        EXPECT_EQ(s.y1, 290) << v;
    }
    EXPECT_NEAR(DirectionDeg(core::PointerSegment(13, 134, 190, 100, 15)), 150, 1.5);
    EXPECT_NEAR(DirectionDeg(core::PointerSegment(-2, 134, 190, 100, 15)), 60, 1.5);
}

TEST(PointerGeometry, EndsAreTruncatedTowardsZero) {
    // Straight up, cos is -1,8e-16: 134 - 1,8e-14 truncates to 133, while 134 - 2,8e-15 at
    // radius 15 rounds back to 134 in double precision first.
    EXPECT_EQ(core::PointerSegment(5, 134, 190, 100, 15), (Segment{133, 90, 134, 175}));
    // A negative coordinate truncates up, towards zero: -86,6 gives -86, not -87.
    const Segment up = core::PointerSegment(4, 0, 0, 100, 100);
    EXPECT_EQ(up.y1, -86);
    EXPECT_EQ(up.x1, -50); // -50,00000000000004
}

TEST(ThirdLevel, MarkedOnlyAboveOne) {
    const struct {
        float level;
        bool marked;
    } rows[] = {{1.0f, false},
                {1.01f, true},
                {std::nextafter(1.0f, 2.0f), true},
                {0.5f, false},
                {-3.0f, false},
                {12.0f, true},
                {std::numeric_limits<float>::quiet_NaN(), false},
                {std::numeric_limits<float>::infinity(), false},
                {-std::numeric_limits<float>::infinity(), false}};
    for (const auto& r : rows) {
        StatusArea s;
        BlockStatus pd;
        pd.thirdLevel = r.level;
        s.SetPhotodetector(pd);
        TechPanel p;
        p.Update(s);
        TechFrame f;
        p.Compose(0, f);
        EXPECT_EQ(f.dials[1].hasThirdLevel, r.marked) << r.level;
        EXPECT_FALSE(f.dials[0].hasThirdLevel) << r.level;
        if (r.marked) {
            EXPECT_EQ(f.dials[1].thirdLevel.segment,
                      core::PointerSegment(r.level, 396, 190, 110, 85));
            EXPECT_EQ(f.dials[1].thirdLevel.colour, colour::kWhite);
            EXPECT_EQ(f.dials[1].thirdLevel.width, 1);
        }
    }
}

TEST(TechTexts, LinesFormatsColoursAndAnchors) {
    BlockStatus em, pd;
    em.rmsCode = 65535;
    em.peakCode = 4096;
    em.tempCode = -256;
    em.kt = 12345.678f;
    em.attenuatorStep = 255;
    pd.rmsCode = 1;
    pd.tempCode = 32767;
    pd.kt = 1.02134f;
    pd.attenuatorStep = 0;
    TechPanel p = PanelWith(em, pd);
    TechFrame f;
    p.Compose(kWork, f);
    const core::DialFrame& l = f.dials[0];
    const core::DialFrame& r = f.dials[1];
    EXPECT_EQ(l.lines[0].text, "Urms=80,009В");
    EXPECT_EQ(l.lines[1].text, "Up=5,001В");
    EXPECT_EQ(l.lines[2].text, "-1,000°C");
    EXPECT_EQ(l.kt.text, "Kt=12\u00A0346,0000"); // grouped, 5 significant digits
    EXPECT_EQ(l.att.text, "Атт=255");
    EXPECT_EQ(r.lines[0].text, "Urms=0,001В");
    EXPECT_EQ(r.lines[2].text, "128,000°C");
    EXPECT_EQ(r.kt.text, "Kt=1,0213");
    EXPECT_EQ(r.att.text, "Атт=0");
    const std::uint32_t colours[] = {colour::kYellow, colour::kGreen, colour::kRed, colour::kGreen};
    for (int d = 0; d < 2; ++d) {
        const int cx = d == 0 ? 134 : 396;
        for (int i = 0; i < 4; ++i) {
            const core::TechText& t = f.dials[d].lines[i];
            EXPECT_TRUE(t.centred);
            EXPECT_EQ(t.x, cx);
            EXPECT_EQ(t.y, 230 + 20 * i);
            EXPECT_EQ(t.colour, colours[i]);
        }
        EXPECT_EQ(f.dials[d].lines[0].Left(81), cx - 40);
        for (const core::TechText* t : {&f.dials[d].att, &f.dials[d].kt}) {
            EXPECT_FALSE(t->centred);
            EXPECT_EQ(t->y, 326);
            EXPECT_EQ(t->colour, colour::kWhite);
            EXPECT_EQ(t->Left(50), t->x);
        }
    }
    EXPECT_EQ(l.att.x, 150);
    EXPECT_EQ(l.kt.x, 10);
    EXPECT_EQ(r.att.x, 412);
    EXPECT_EQ(r.kt.x, 274);
    EXPECT_EQ(l.rms.colour, colour::kYellow);
    EXPECT_EQ(l.rms.width, 3);
    EXPECT_EQ(r.peak.colour, colour::kGreen);
    EXPECT_EQ(r.peak.width, 1);
}

TEST(DialScale, FiftyOneTicksSixDegreesApartWithElevenMajors) {
    const auto ticks = core::ScaleTicks();
    int majors = 0;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const core::ScaleTick& t = ticks[i];
        SCOPED_TRACE(i);
        EXPECT_NEAR(t.angleDeg, 120 + 6.0 * static_cast<double>(i), 1e-9);
        EXPECT_NEAR(t.value, 0.2 * static_cast<double>(i), 1e-12);
        EXPECT_EQ(t.major, i % 5 == 0);
        EXPECT_EQ(t.r1, core::dial_scale::kRingInner);
        EXPECT_EQ(t.r2, t.major ? core::dial_scale::kMajorOuter : core::dial_scale::kRingOuter);
        majors += t.major;
        if (t.major) {
            EXPECT_EQ(t.value, static_cast<double>(i / 5)); // whole values exactly
        }
    }
    EXPECT_EQ(majors, 11);
    EXPECT_EQ(ticks.front().angleDeg, 120);
    EXPECT_EQ(ticks.back().angleDeg, 420);
}

// Every numeral box lies on its value's ray, clear of the ticks by the same gap.
TEST(DialScale, NumeralsKeepAnEvenGapOutsideTheTicks) {
    const double w = 14, h = 13;
    for (int v = 0; v <= 10; ++v) {
        const core::PointF c = core::NumeralCentre(v, v == 10 ? 2 * w : w, h);
        const double width = v == 10 ? 2 * w : w;
        SCOPED_TRACE(v);
        const double a = core::PointerAngle(v);
        // On the ray: the centre's direction is the value's angle.
        EXPECT_NEAR(c.x * std::sin(a) - c.y * std::cos(a), 0, 1e-9);
        EXPECT_GT(c.x * std::cos(a) + c.y * std::sin(a), 0);
        // The box's nearest extent along the ray is the ticks' end plus the gap ...
        const double along = c.x * std::cos(a) + c.y * std::sin(a) -
                             (std::abs(std::cos(a)) * width + std::abs(std::sin(a)) * h) / 2;
        EXPECT_NEAR(along, core::dial_scale::kMajorOuter + core::dial_scale::kNumeralGap, 1e-9);
        // ... so no corner of it reaches into the tick ring.
        const double nx = std::clamp(0.0, c.x - width / 2, c.x + width / 2);
        const double ny = std::clamp(0.0, c.y - h / 2, c.y + h / 2);
        EXPECT_GE(std::hypot(nx, ny), core::dial_scale::kMajorOuter);
    }
}

} // namespace
