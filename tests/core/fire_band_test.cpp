// The band functions of the test fires and the envelope check of a recorded curve.
#include "core/fire/fire_band.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace core {
namespace {

const TestFireEnvelope& Fire(std::string_view name) {
    const TestFireEnvelope* fire = FindTestFire(name);
    EXPECT_NE(fire, nullptr) << name;
    return *fire;
}

struct LimitRow {
    const char* fire;
    double t;
    float upper;
    float lower;
    bool hasLower;
};

class BandLimits : public testing::TestWithParam<LimitRow> {};

TEST_P(BandLimits, FollowThePolylinesAndKeepTheirEnds) {
    const LimitRow& row = GetParam();
    const TestFireEnvelope& fire = Fire(row.fire);
    EXPECT_FLOAT_EQ(UpperLimitAt(fire, row.t), row.upper);
    EXPECT_FLOAT_EQ(LowerLimitAt(fire, row.t), row.lower);
    EXPECT_EQ(HasLowerLimit(fire, row.t), row.hasLower);
}

INSTANTIATE_TEST_SUITE_P(
    Joints, BandLimits,
    testing::Values(
        // ТП1: upper (0; 0.05) (130; 0.05) (270; 0.75), lower (220; 0) (370; 0.75).
        LimitRow{"ТП1", 0, 0.05f, 0, false}, LimitRow{"ТП1", 130, 0.05f, 0, false},
        LimitRow{"ТП1", 200, 0.4f, 0, false}, LimitRow{"ТП1", 219.9, 0.4995f, 0, false},
        LimitRow{"ТП1", 220, 0.75f * 90 / 140 + 0.05f * 50 / 140, 0, true},
        LimitRow{"ТП1", 270, 0.75f, 0.25f, true}, LimitRow{"ТП1", 295, 0.75f, 0.375f, true},
        LimitRow{"ТП1", 370, 0.75f, 0.75f, true}, LimitRow{"ТП1", 5000, 0.75f, 0.75f, true},
        // ТП4 has a middle joint on its upper polyline.
        LimitRow{"ТП4", 20, 0.125f, 0, false}, LimitRow{"ТП4", 40, 0.2f, 0, false},
        LimitRow{"ТП4", 90, 0.965f, 0.173f, true},
        // ТП5's lower polyline starts 5 s after the fire start.
        LimitRow{"ТП5", 4, 0.2f + 1.04f * 4 / 120, 0, false},
        LimitRow{"ТП5", 5, 0.2f + 1.04f * 5 / 120, 0, true}));

TEST(EndOfTestValue, IsTheLastMOfTheBand) {
    EXPECT_FLOAT_EQ(EndOfTestValue(Fire("ТП1")), 0.75f);
    EXPECT_FLOAT_EQ(EndOfTestValue(Fire("ТП2")), 2.0f);
    EXPECT_FLOAT_EQ(EndOfTestValue(Fire("ТП4")), 1.73f);
    EXPECT_FLOAT_EQ(EndOfTestValue(Fire("ТП5")), 1.24f);
    EXPECT_FLOAT_EQ(EndOfTestValue(Fire("ТП2Б")), 0.15f);
    EXPECT_FLOAT_EQ(EndOfTestValue(Fire("ТП5Б")), 0.3f);
}

// Records one per second from log second `from`, m from `values`.
std::vector<MeasurementRecord> Curve(int from, const std::vector<float>& values) {
    std::vector<MeasurementRecord> records;
    for (std::size_t i = 0; i < values.size(); ++i) {
        MeasurementRecord r;
        r.T = static_cast<std::uint16_t>(from + static_cast<int>(i));
        r.m = values[i];
        records.push_back(r);
    }
    return records;
}

// A ТП1 curve running along the middle of its band, sampled each second to 370 s.
std::vector<float> MiddleOfTp1() {
    const TestFireEnvelope& fire = Fire("ТП1");
    std::vector<float> m;
    for (int t = 0; t <= 370; ++t)
        m.push_back((UpperLimitAt(fire, t) + LowerLimitAt(fire, t)) / 2);
    return m;
}

TEST(CheckTestFire, ACurveInsideTheBandPasses) {
    const auto records = Curve(100, MiddleOfTp1());
    const BandVerdict v = CheckTestFire(Fire("ТП1"), records, 100, 470);
    EXPECT_TRUE(v.inside);
    EXPECT_TRUE(v.violations.empty());
    EXPECT_EQ(v.checked, 371);
    EXPECT_DOUBLE_EQ(v.endSec, 370);
    EXPECT_EQ(VerdictText(Fire("ТП1"), v), "ТП1: в допуске");
}

TEST(CheckTestFire, TouchingEitherLimitCountsAsInside) {
    const TestFireEnvelope& fire = Fire("ТП1");
    std::vector<float> m;
    for (int t = 0; t <= 370; ++t)
        m.push_back(t % 2 ? UpperLimitAt(fire, t) : LowerLimitAt(fire, t));
    const BandVerdict v = CheckTestFire(fire, Curve(0, m), 0, 370);
    EXPECT_TRUE(v.inside);
}

TEST(CheckTestFire, LeavingAboveGivesOneIntervalWithItsMaximum) {
    std::vector<float> m = MiddleOfTp1();
    m[140] = 0.2f; // upper at 140 s: 0.1
    m[141] = 0.31f;
    m[142] = 0.25f;
    const BandVerdict v = CheckTestFire(Fire("ТП1"), Curve(10, m), 10, 380);
    ASSERT_FALSE(v.inside);
    ASSERT_EQ(v.violations.size(), 1u);
    EXPECT_EQ(v.violations[0], (BandViolation{BandSide::Upper, 140, 142, 0.31f}));
    EXPECT_EQ(VerdictText(Fire("ТП1"), v), "ТП1: выше границы с 140 по 142 с (макс. 0,310 дБ/м)");
}

TEST(CheckTestFire, LeavingBelowAfterTheLowerLimitStarts) {
    std::vector<float> m = MiddleOfTp1();
    m[300] = 0.3f; // lower at 300 s: 0.39
    m[301] = 0.2f;
    const BandVerdict v = CheckTestFire(Fire("ТП1"), Curve(0, m), 0, 370);
    ASSERT_EQ(v.violations.size(), 1u);
    EXPECT_EQ(v.violations[0], (BandViolation{BandSide::Lower, 300, 301, 0.2f}));
    EXPECT_EQ(VerdictText(Fire("ТП1"), v), "ТП1: ниже границы с 300 по 301 с (мин. 0,200 дБ/м)");
}

TEST(CheckTestFire, CleanAirBelowZeroBeforeTheLowerLimitIsInside) {
    std::vector<float> m = MiddleOfTp1();
    m[3] = -0.004f;
    EXPECT_TRUE(CheckTestFire(Fire("ТП1"), Curve(0, m), 0, 370).inside);
}

TEST(CheckTestFire, SeparateIntervalsOnBothSidesAreListedInOrder) {
    std::vector<float> m = MiddleOfTp1();
    m[50] = 0.06f;
    m[52] = 0.07f; // a record inside between them ends the first interval
    m[320] = 0.1f;
    const BandVerdict v = CheckTestFire(Fire("ТП1"), Curve(0, m), 0, 370);
    ASSERT_EQ(v.violations.size(), 3u);
    EXPECT_EQ(v.violations[0].fromSec, 50);
    EXPECT_EQ(v.violations[1].fromSec, 52);
    EXPECT_EQ(v.violations[2].side, BandSide::Lower);
    EXPECT_EQ(VerdictText(Fire("ТП1"), v),
              "ТП1: выше границы с 50 по 50 с (макс. 0,060 дБ/м); выше границы с 52 по 52 с "
              "(макс. 0,070 дБ/м); ниже границы с 320 по 320 с (мин. 0,100 дБ/м)");
}

// A break of the link between the records with T 120 and 128 of a curve in the band, whose
// last record has T 370.
std::vector<MeasurementRecord> BrokenCurve(std::vector<float> m) {
    m.erase(m.begin() + 121, m.begin() + 128);
    std::vector<MeasurementRecord> records = Curve(0, m);
    for (std::size_t i = 121; i < records.size(); ++i)
        records[i].T = static_cast<std::uint16_t>(records[i].T + 7);
    return records;
}

TEST(CheckTestFire, ABreakOfTheLinkIsNamedAndNoViolationRunsAcrossIt) {
    const TestFireEnvelope& fire = Fire("ТП1");
    const std::vector<LinkGap> gaps{{120, 128}};
    BandVerdict v = CheckTestFire(fire, BrokenCurve(MiddleOfTp1()), 0, 370, gaps);
    EXPECT_TRUE(v.inside) << "every record measured lay in the band";
    ASSERT_EQ(v.linkGaps.size(), 1u);
    EXPECT_EQ(v.linkGaps[0], (BandGap{120, 128}));
    EXPECT_EQ(VerdictText(fire, v), "ТП1: в допуске; разрыв связи 120–128 с");
    // From a fire start after the break began: counted from the start, never before it.
    v = CheckTestFire(fire, BrokenCurve(MiddleOfTp1()), 124, 370, gaps);
    ASSERT_EQ(v.linkGaps.size(), 1u);
    EXPECT_EQ(v.linkGaps[0], (BandGap{0, 4}));
    // A break before the checked stretch is not its business.
    EXPECT_TRUE(CheckTestFire(fire, BrokenCurve(MiddleOfTp1()), 130, 370, gaps).linkGaps.empty());

    // Above the band on both sides of the break: two intervals, none inside the break.
    std::vector<float> m = MiddleOfTp1();
    m[119] = m[120] = 0.4f;
    m[128] = m[129] = 0.5f;
    v = CheckTestFire(fire, BrokenCurve(m), 0, 370, gaps);
    ASSERT_EQ(v.violations.size(), 2u);
    EXPECT_EQ(v.violations[0], (BandViolation{BandSide::Upper, 119, 120, 0.4f}));
    EXPECT_EQ(v.violations[1], (BandViolation{BandSide::Upper, 128, 129, 0.5f}));
    EXPECT_EQ(VerdictText(fire, v),
              "ТП1: выше границы с 119 по 120 с (макс. 0,400 дБ/м); разрыв связи 120–128 с; "
              "выше границы с 128 по 129 с (макс. 0,500 дБ/м)");
    // Without the break the same records make one interval across it.
    EXPECT_EQ(CheckTestFire(fire, BrokenCurve(m), 0, 370).violations.size(), 1u);
}

TEST(CheckTestFire, OnlyTheStretchFromTheStartToTheEndIsChecked) {
    std::vector<float> m(400, 5.0f); // far above everywhere
    const auto records = Curve(0, m);
    const BandVerdict v = CheckTestFire(Fire("ТП1"), records, 100.5, 110);
    EXPECT_EQ(v.checked, 10); // 101 ... 110
    ASSERT_EQ(v.violations.size(), 1u);
    EXPECT_DOUBLE_EQ(v.violations[0].fromSec, 0.5);
    EXPECT_DOUBLE_EQ(v.violations[0].toSec, 9.5);
    // A stretch past the records checks nothing, so it is not inside the band either.
    const BandVerdict none = CheckTestFire(Fire("ТП1"), records, 500, 600);
    EXPECT_FALSE(none.inside);
    EXPECT_EQ(none.checked, 0);
    EXPECT_EQ(VerdictText(Fire("ТП1"), none), "ТП1: нет данных");
}

TEST(CheckTestFire, TheRecordReachingTheEndValueEndsTheTestInsideTheBand) {
    // ТП1's upper limit is m_E = 0,75 from 270 s on; the record that crosses it ends the test.
    std::vector<float> m = MiddleOfTp1();
    m[320] = 0.78f;
    const auto records = Curve(0, m);
    const double end = TestEndT(Fire("ТП1"), records, 0, std::nullopt);
    EXPECT_DOUBLE_EQ(end, 320);
    EXPECT_TRUE(CheckTestFire(Fire("ТП1"), records, 0, end).inside);
    // Checked past the end on purpose, a later record above m_E does leave the band.
    m[330] = 0.8f;
    const BandVerdict past = CheckTestFire(Fire("ТП1"), Curve(0, m), 0, 370);
    ASSERT_EQ(past.violations.size(), 1u);
    EXPECT_EQ(past.violations[0], (BandViolation{BandSide::Upper, 330, 330, 0.8f}));
}

TEST(CheckTestFire, AFireReachingTheEndValueTooEarlyLeavesTheBand) {
    // At 200 s ТП1's upper limit is 0,4: reaching 0,75 there is a fire growing too fast.
    std::vector<float> m = MiddleOfTp1();
    m[200] = 0.9f;
    const auto records = Curve(0, m);
    const double end = TestEndT(Fire("ТП1"), records, 0, std::nullopt);
    EXPECT_DOUBLE_EQ(end, 200);
    const BandVerdict v = CheckTestFire(Fire("ТП1"), records, 0, end);
    ASSERT_EQ(v.violations.size(), 1u);
    EXPECT_EQ(v.violations[0], (BandViolation{BandSide::Upper, 200, 200, 0.9f}));
}

TEST(CheckTestFire, RecordsWithoutAValueAreNotCheckedButReported) {
    // 395 of 400 records without a value: NaN passes every comparison with the band.
    std::vector<float> m(400, std::numeric_limits<float>::quiet_NaN());
    for (std::size_t i = 0; i < 5; ++i)
        m[i] = 0.01f;
    m[200] = std::numeric_limits<float>::infinity(); // not a measured value either
    const BandVerdict v = CheckTestFire(Fire("ТП1"), Curve(0, m), 0, 399);
    EXPECT_FALSE(v.inside);
    EXPECT_EQ(v.checked, 5);
    EXPECT_TRUE(v.violations.empty());
    EXPECT_EQ(v.gaps, (std::vector<BandGap>{{5, 399}}));
    EXPECT_EQ(VerdictText(Fire("ТП1"), v), "ТП1: нет данных с 5 по 399 с; в остальном в допуске");
    EXPECT_DOUBLE_EQ(TestEndT(Fire("ТП1"), Curve(0, m), 0, std::nullopt), 399)
        << "a value that is not a number does not end the test";
    // Every value missing: nothing was checked.
    const BandVerdict none =
        CheckTestFire(Fire("ТП1"), Curve(0, std::vector<float>(60, m[10])), 0, 59);
    EXPECT_EQ(none.checked, 0);
    EXPECT_EQ(VerdictText(Fire("ТП1"), none), "ТП1: нет данных");
    // Gaps and intervals outside the band are listed in time order.
    std::vector<float> mixed = MiddleOfTp1();
    mixed[10] = mixed[11] = m[10];
    mixed[50] = 0.3f;
    mixed[300] = m[10];
    const BandVerdict both = CheckTestFire(Fire("ТП1"), Curve(0, mixed), 0, 370);
    EXPECT_EQ(VerdictText(Fire("ТП1"), both),
              "ТП1: нет данных с 10 по 11 с; выше границы с 50 по 50 с (макс. 0,300 дБ/м); "
              "нет данных с 300 по 300 с");
}

TEST(CheckTest, ARunningTestIsInsideOnlyUpToItsLastRecord) {
    // m has not reached 0,75 and no detector list ended the test: it is still running.
    const auto records = Curve(0, std::vector<float>(121, 0.01f));
    BandVerdict v = CheckTest(Fire("ТП1"), records, 0, std::nullopt);
    EXPECT_TRUE(v.inside);
    EXPECT_FALSE(v.ended);
    EXPECT_EQ(VerdictText(Fire("ТП1"), v), "ТП1: в допуске до 120 с, испытание не завершено");
    // Every detector has alarmed: the test is over.
    v = CheckTest(Fire("ТП1"), records, 0, 100.0);
    EXPECT_TRUE(v.ended);
    EXPECT_EQ(VerdictText(Fire("ТП1"), v), "ТП1: в допуске");
    // An end given that the records reach, and one they do not.
    EXPECT_TRUE(CheckTest(Fire("ТП1"), records, 0, std::nullopt, 110.0).ended);
    v = CheckTest(Fire("ТП1"), records, 0, std::nullopt, 300.0);
    EXPECT_FALSE(v.ended);
    EXPECT_EQ(VerdictText(Fire("ТП1"), v), "ТП1: в допуске до 120 с, испытание не завершено");
    // A fire start after the last record checks nothing.
    v = CheckTest(Fire("ТП1"), Curve(0, std::vector<float>(60, 0.01f)), 200, std::nullopt);
    EXPECT_EQ(v.checked, 0);
    EXPECT_EQ(VerdictText(Fire("ТП1"), v), "ТП1: нет данных");
}

TEST(TestEndT, TheEarlierOfTheLastAlarmAndTheEndValue) {
    std::vector<float> m = MiddleOfTp1();
    m[333] = 0.75f;
    const auto records = Curve(0, m);
    EXPECT_DOUBLE_EQ(TestEndT(Fire("ТП1"), records, 0, 123.4), 123.4);
    // Every detector alarmed only after m had reached m_E: the test ended at m_E.
    EXPECT_DOUBLE_EQ(TestEndT(Fire("ТП1"), records, 0, 340.0), 333);
    // An alarm marked before the fire start cannot end the test before it began.
    EXPECT_DOUBLE_EQ(TestEndT(Fire("ТП1"), records, 50, 20.0), 50);
}

TEST(TestEndT, WithoutAlarmsTheFirstRecordReachingTheEndValue) {
    std::vector<float> m = MiddleOfTp1();
    m[333] = 0.75f;
    m[350] = 0.8f;
    EXPECT_DOUBLE_EQ(TestEndT(Fire("ТП1"), Curve(0, m), 0, std::nullopt), 333);
    // Before the fire start a high value does not end the test.
    m[333] = 0.5f;
    std::vector<float> early(20, 0.9f);
    early.insert(early.end(), m.begin(), m.end());
    EXPECT_DOUBLE_EQ(TestEndT(Fire("ТП1"), Curve(0, early), 20, std::nullopt), 370);
}

TEST(TestEndT, OtherwiseTheLastRecord) {
    EXPECT_DOUBLE_EQ(TestEndT(Fire("ТП2"), Curve(5, std::vector<float>(50, 0.01f)), 7, {}), 54);
    EXPECT_DOUBLE_EQ(TestEndT(Fire("ТП2"), {}, 7, {}), 7);
}

} // namespace
} // namespace core
