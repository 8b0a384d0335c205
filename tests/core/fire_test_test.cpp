// The fire test of a log: marks, thresholds, undo, verdict, the end notice and the marks file.
#include "core/common/cp1251.h"
#include "core/common/date_time.h"
#include "core/fire/fire_test.h"

#include <gtest/gtest.h>
#include <limits>

namespace core {
namespace {

std::vector<MeasurementRecord> Ramp(int count, float step) {
    std::vector<MeasurementRecord> records;
    for (int i = 0; i < count; ++i) {
        MeasurementRecord r;
        r.T = static_cast<std::uint16_t>(i);
        r.m = step * static_cast<float>(i);
        records.push_back(r);
    }
    return records;
}

TEST(FireTestMarks, ThresholdsAndTheirRatio) {
    FireTest test;
    for (const char* name : {"И1", "И2", "И3"})
        ASSERT_TRUE(test.AddDetector(name));
    EXPECT_FALSE(ThresholdRatio(test.Marks()));
    test.MarkAlarm(0, 120.3, 0.2f);
    EXPECT_FALSE(ThresholdRatio(test.Marks())) << "one alarm gives no ratio";
    test.MarkAlarm(2, 150.0, 0.5f);
    ASSERT_TRUE(ThresholdRatio(test.Marks()));
    EXPECT_NEAR(*ThresholdRatio(test.Marks()), 2.5, 1e-6);
    EXPECT_FALSE(test.Marks().AllAlarmed());
    EXPECT_DOUBLE_EQ(*test.Marks().LastAlarmT(), 150.0);
    test.MarkAlarm(1, 140.0, 0.0f);
    EXPECT_TRUE(test.Marks().AllAlarmed());
    EXPECT_FALSE(ThresholdRatio(test.Marks())) << "a zero threshold makes the ratio meaningless";
}

TEST(FireTestMarks, NamesAreCleanedAndEmptyOnesRefused) {
    FireTest test;
    EXPECT_FALSE(test.AddDetector("  \t "));
    EXPECT_TRUE(test.AddDetector("  И;1=\r "));
    EXPECT_EQ(test.Marks().detectors[0].name, "И1");
    EXPECT_FALSE(test.RenameDetector(0, ";;"));
    EXPECT_TRUE(test.RenameDetector(0, "ИП-212"));
    EXPECT_EQ(test.Marks().detectors[0].name, "ИП-212");
    EXPECT_FALSE(test.RenameDetector(3, "x"));
    // A character the marks file cannot keep is '?' at once, so a save changes nothing.
    EXPECT_TRUE(test.RenameDetector(0, "Дым\u2116\u20ac\U0001F525 5"));
    EXPECT_EQ(test.Marks().detectors[0].name, "Дым\u2116\u20ac? 5");
    EXPECT_EQ(ParseMarksFile(FormatMarksFile(test.Marks())).marks->detectors[0].name,
              test.Marks().detectors[0].name);
}

TEST(FireTestUndo, TakesBackMarksInReverseOrder) {
    FireTest test;
    test.AddDetector("И1");
    test.AddDetector("И2");
    test.StartFire(10);
    test.MarkAlarm(0, 100, 0.1f);
    test.MarkAlarm(0, 105, 0.15f); // marked again: undo returns to the first mark
    test.MarkAlarm(1, 110, 0.2f);
    ASSERT_TRUE(test.Undo());
    EXPECT_FALSE(test.Marks().detectors[1].alarmT);
    ASSERT_TRUE(test.Undo());
    EXPECT_DOUBLE_EQ(*test.Marks().detectors[0].alarmT, 100);
    EXPECT_FLOAT_EQ(test.Marks().detectors[0].thresholdDbPerM, 0.1f);
    ASSERT_TRUE(test.Undo());
    EXPECT_FALSE(test.Marks().detectors[0].alarmT);
    ASSERT_TRUE(test.Undo());
    EXPECT_FALSE(test.Marks().fireStartT);
    EXPECT_FALSE(test.Undo());
}

TEST(FireTestUndo, SkipsTheMarksOfARemovedDetector) {
    FireTest test;
    test.AddDetector("И1");
    test.AddDetector("И2");
    test.MarkAlarm(0, 100, 0.1f);
    test.MarkAlarm(1, 110, 0.2f);
    test.RemoveDetector(1);
    ASSERT_TRUE(test.Undo());
    EXPECT_FALSE(test.Marks().detectors[0].alarmT);
    EXPECT_FALSE(test.CanUndo());
}

TEST(FireTestVerdict, FollowsTheRecordsAndTheMarks) {
    FireTest test;
    EXPECT_EQ(test.VerdictLine(), "Тестовый пожар не выбран");
    test.SetFire(1);
    EXPECT_EQ(test.VerdictLine(), "ТП1: пуск пожара не отмечен");
    test.StartFire(0);
    std::vector<MeasurementRecord> records = Ramp(200, 0.0f);
    test.Update(records);
    EXPECT_EQ(test.VerdictLine(), "ТП1: в допуске до 199 с, испытание не завершено");
    records[150].m = 0.9f;
    test.Update(records);
    EXPECT_EQ(test.VerdictLine(), "ТП1: выше границы с 150 по 150 с (макс. 0,900 дБ/м)");
    // The test ended when m reached 0,75 dB/m at 150 s: nothing after it is checked.
    records[160].m = 5.0f;
    test.Update(records);
    EXPECT_EQ(test.Verdict()->violations.size(), 1u);
    EXPECT_TRUE(test.Ended());
}

TEST(FireTestVerdict, MovingTheStartMovesTheCheckedStretch) {
    FireTest test;
    test.SetFire(1);
    // Clean air to 239 s: inside as long as the lower limit has not started.
    std::vector<MeasurementRecord> records = Ramp(200, 0.0f);
    records[30].m = 0.3f; // above the band only 30 s after a start at 0 s
    test.StartFire(0);
    test.Update(records);
    EXPECT_FALSE(test.Verdict()->inside);
    test.MoveFireStart(31);
    test.Update(records);
    EXPECT_TRUE(test.Verdict()->inside);
    test.MoveFireStart(-5);
    EXPECT_DOUBLE_EQ(*test.Marks().fireStartT, 0);
}

TEST(FireTestNotice, ComesOnceWhenEveryDetectorHasAlarmed) {
    FireTest test;
    test.SetFire(2);
    test.AddDetector("И1");
    test.AddDetector("И2");
    test.StartFire(0);
    const auto records = Ramp(100, 0.001f);
    test.MarkAlarm(0, 50, 0.05f);
    test.Update(records);
    EXPECT_FALSE(test.TakeEndNotice());
    test.MarkAlarm(1, 60, 0.06f);
    test.Update(records);
    EXPECT_TRUE(test.TakeEndNotice());
    test.Update(records);
    EXPECT_FALSE(test.TakeEndNotice());
    // Taken back and marked again: a new end, a new notice.
    test.Undo();
    test.Update(records);
    EXPECT_FALSE(test.Ended());
    test.MarkAlarm(1, 61, 0.06f);
    test.Update(records);
    EXPECT_TRUE(test.TakeEndNotice());
}

TEST(FireTestNotice, ComesWhenMReachesTheEndValueAfterTheStart) {
    FireTest test;
    test.SetFire(1);
    auto records = Ramp(100, 0.01f); // 0.75 at 75 s
    test.Update(records);
    EXPECT_FALSE(test.TakeEndNotice()) << "no fire start yet";
    test.StartFire(80);
    test.Update(records);
    EXPECT_TRUE(test.Ended()) << "m stays at or above m_E after the start";
    test.NewTest();
    EXPECT_FALSE(test.Ended());
    EXPECT_FALSE(test.Marks().fireStartT);
}

TEST(FireTestNotice, SaysWhyTheTestEnded) {
    FireTest test;
    test.SetFire(1);
    test.AddDetector("И1");
    test.AddDetector("И2");
    test.StartFire(0);
    auto records = Ramp(100, 0.001f);
    test.Update(records);
    EXPECT_EQ(test.End(), TestEnd::Running);
    EXPECT_EQ(test.EndText(), "");
    // One of two detectors alarmed, then m reached 0,75 dB/m: the end by m_E, and the test
    // was checked up to that record, not only to the one alarm.
    test.MarkAlarm(0, 20, 0.02f);
    records[90].m = 0.75f;
    test.Update(records);
    EXPECT_EQ(test.End(), TestEnd::EndValue);
    EXPECT_EQ(test.EndText(), "Испытание завершено: m достигло 0,75 дБ/м");
    EXPECT_DOUBLE_EQ(test.Verdict()->endSec, 90);
    // The second alarm came before m_E was reached: the test ended there.
    test.MarkAlarm(1, 60, 0.06f);
    test.Update(records);
    EXPECT_EQ(test.End(), TestEnd::AllAlarmed);
    EXPECT_EQ(test.EndText(), "Испытание завершено: сработали все извещатели");
    EXPECT_DOUBLE_EQ(test.Verdict()->endSec, 60);
}

TEST(FireTestMarks, AThresholdFromADamagedFrameIsKeptAsZero) {
    FireTest test;
    test.AddDetector("И1");
    test.AddDetector("И2");
    test.MarkAlarm(0, 10, std::numeric_limits<float>::quiet_NaN());
    test.MarkAlarm(1, 11, std::numeric_limits<float>::infinity());
    EXPECT_EQ(test.Marks().detectors[0].thresholdDbPerM, 0.0f);
    EXPECT_EQ(test.Marks().detectors[1].thresholdDbPerM, 0.0f);
    // ... so that the marks file stays readable.
    EXPECT_TRUE(ParseMarksFile(FormatMarksFile(test.Marks())));
}

TEST(FireTestLifecycle, ANewTestKeepsTheFireAndTheNames) {
    FireTest test;
    test.SetFire(6);
    test.AddDetector("И1");
    test.StartFire(3);
    test.MarkAlarm(0, 9, 0.01f);
    test.NewTest();
    EXPECT_EQ(test.Marks().fireId, 6);
    ASSERT_EQ(test.Marks().detectors.size(), 1u);
    EXPECT_EQ(test.Marks().detectors[0].name, "И1");
    EXPECT_FALSE(test.Marks().detectors[0].alarmT);
    EXPECT_FALSE(test.CanUndo());
}

TEST(LogSecondsAt, CountsTenthsFromTheFirstRecord) {
    RecordLog log;
    log.Accumulate(SteadyAt(EncodeDateTime({2026, 12, 8, 9, 59, 59, 0})), 4.9f, 0);
    // Before the first record the log has no time base yet.
    EXPECT_DOUBLE_EQ(LogSecondsAt(log, SteadyAt(EncodeDateTime({2026, 12, 8, 10, 0, 0, 500}))), 0);
    ASSERT_EQ(log.Tick(SteadyAt(EncodeDateTime({2026, 12, 8, 10, 0, 0, 0})), 1, false).outcome,
              TickOutcome::Written);
    EXPECT_DOUBLE_EQ(LogSecondsAt(log, SteadyAt(EncodeDateTime({2026, 12, 8, 10, 5, 12, 340}))),
                     312.3);
    EXPECT_DOUBLE_EQ(LogSecondsAt(log, SteadyAt(EncodeDateTime({2026, 12, 8, 10, 5, 12, 350}))),
                     312.4);
    EXPECT_DOUBLE_EQ(LogSecondsAt(log, SteadyAt(EncodeDateTime({2026, 12, 8, 9, 59, 0, 0}))), 0);
    EXPECT_DOUBLE_EQ(LogSecondsAt(log, SteadyAt(EncodeDateTime({2026, 12, 9, 10, 0, 0, 0}))),
                     65'535);
}

TEST(MarksFile, RoundTripsEveryField) {
    TestMarks marks;
    marks.fireId = 7;
    marks.fireStartT = 1234.5;
    marks.detectors = {{"И1", 1312.4, 0.123f}, {"Дым 2", std::nullopt, 0}, {"И3", 0, -0.002f}};
    const std::string bytes = FormatMarksFile(marks);
    EXPECT_EQ(Cp1251ToUtf8(bytes), "ВЕЛС-5 испытание\r\nПожар=ТП2Б\r\nПуск=1234,5\r\n"
                                   "Извещатель=И1;1312,4;0,123\r\nИзвещатель=Дым 2\r\n"
                                   "Извещатель=И3;0,0;-0,002\r\n");
    const MarksLoad load = ParseMarksFile(bytes);
    ASSERT_TRUE(load) << load.error;
    EXPECT_EQ(*load.marks, marks);
    core::JournalMarks journal;
    journal.closed = true;
    const MarksLoad closed = ParseMarksFile(FormatMarksFile(marks, journal));
    EXPECT_EQ(*closed.marks, marks);
    EXPECT_EQ(closed.journal, journal);
    marks.copied = {{21, 25}, {4000, 4000}};
    EXPECT_NE(Cp1251ToUtf8(FormatMarksFile(marks)).find("Повтор=21;25\r\nПовтор=4000;4000\r\n"),
              std::string::npos);
    EXPECT_EQ(*ParseMarksFile(FormatMarksFile(marks)).marks, marks);
    // Breaks of the link follow the copies; a file without them keeps its bytes.
    const std::string withoutGaps = FormatMarksFile(marks);
    marks.gaps = {{123, 131}, {400, 460}};
    const std::string withGaps = FormatMarksFile(marks);
    EXPECT_EQ(Cp1251ToUtf8(withGaps),
              Cp1251ToUtf8(withoutGaps) + "Разрыв=123;131\r\nРазрыв=400;460\r\n");
    EXPECT_EQ(*ParseMarksFile(withGaps).marks, marks);
    core::TestMarks onlyGap;
    onlyGap.gaps = {{5, 9}};
    EXPECT_TRUE(HasMarks(onlyGap)) << "a gap alone is worth a marks file";
}

TEST(MarksFile, ReadsAnyLineEndAndSkipsUnknownKeys) {
    const std::string bytes =
        Utf8ToCp1251("ВЕЛС-5 испытание\nПожар=TP1\rОператор=Иванов\n\nПуск=5\r\n");
    const MarksLoad load = ParseMarksFile(bytes);
    ASSERT_TRUE(load) << load.error;
    EXPECT_EQ(load.marks->fireId, 1);
    EXPECT_DOUBLE_EQ(*load.marks->fireStartT, 5);
}

struct DamagedRow {
    const char* name;
    const char* text;
    int line;
};

class MarksFileDamaged : public testing::TestWithParam<DamagedRow> {};

TEST_P(MarksFileDamaged, IsRefusedAtItsLine) {
    const MarksLoad load = ParseMarksFile(Utf8ToCp1251(GetParam().text));
    EXPECT_FALSE(load);
    EXPECT_EQ(load.line, GetParam().line);
    EXPECT_EQ(load.error, "Файл испытания повреждён");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MarksFileDamaged,
    testing::Values(DamagedRow{"Empty", "", 1}, DamagedRow{"NoHeader", "Пожар=ТП1\r\n", 1},
                    DamagedRow{"UnknownFire", "ВЕЛС-5 испытание\r\nПожар=ТП9\r\n", 2},
                    DamagedRow{"PointInStart", "ВЕЛС-5 испытание\r\nПуск=1.5\r\n", 2},
                    DamagedRow{"StartTooLate", "ВЕЛС-5 испытание\r\nПуск=65536\r\n", 2},
                    DamagedRow{"NegativeStart", "ВЕЛС-5 испытание\r\nПуск=-1\r\n", 2},
                    DamagedRow{"NoName", "ВЕЛС-5 испытание\r\n\r\nИзвещатель=;1;2\r\n", 3},
                    DamagedRow{"NoThreshold", "ВЕЛС-5 испытание\r\nИзвещатель=И1;1\r\n", 2},
                    DamagedRow{"BadThreshold", "ВЕЛС-5 испытание\r\nИзвещатель=И1;1;x\r\n", 2},
                    DamagedRow{"CopiesBackwards", "ВЕЛС-5 испытание\r\nПовтор=25;21\r\n", 2},
                    DamagedRow{"CopiesOneT", "ВЕЛС-5 испытание\r\nПовтор=25\r\n", 2},
                    DamagedRow{"CopiesTooLate", "ВЕЛС-5 испытание\r\nПовтор=1;65536\r\n", 2},
                    DamagedRow{"GapBackwards", "ВЕЛС-5 испытание\r\nРазрыв=131;123\r\n", 2},
                    DamagedRow{"GapOneT", "ВЕЛС-5 испытание\r\nРазрыв=131\r\n", 2}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace core
