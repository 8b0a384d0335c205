// The test report's texts from a table of records and marks; the distance and period in the
// marks file; the log's start from the records and a journal file name.
#include "core/common/cp1251.h"
#include "core/common/date_time.h"
#include "core/files/table_file.h"
#include "core/fire/fire_report.h"
#include "core/fire/fire_test.h"
#include "core/fire/fire_view.h"

#include <gtest/gtest.h>
#include <limits>

namespace core {
namespace {

// Rows of the table: T 0 to 219 s, so that with the fire start at 10 s the check ends before
// ТП1's lower limit begins (220 s from the start).
constexpr int kRows = 220;

// A table file of `n` rows one second apart from T = 0, starting at 12:00:00, m = 0,01.
std::string TableBytes(int n) {
    std::string text;
    for (int t = 0; t < n; ++t) {
        char row[96];
        std::snprintf(row, sizeof row, "12:%02d:%02d;%5d;   4,985;    4,500;    0,010\r\n",
                      t / 60 % 60, t % 60, t);
        text += row;
    }
    return text;
}

std::string Fact(const TestReport& report, std::string_view label) {
    for (const ReportFact& f : report.facts)
        if (f.label == label)
            return f.value;
    return "(missing)";
}

TestMarks Tp1Marks() {
    TestMarks marks;
    marks.fireId = 1;
    marks.fireStartT = 10;
    marks.detectors = {{"И1", 150.2, 0.25f}, {"ИП-2", 160.0, 0.5f}, {"И3", std::nullopt, 0}};
    marks.distanceM = 5.0f;
    marks.periodSec = 2;
    return marks;
}

class ReportOfTable : public testing::Test {
protected:
    void SetUp() override {
        load = ReadTableFile(TableBytes(kRows), ";", false);
        ASSERT_TRUE(load);
        records = load.records;
    }
    TestReport Build(const TestMarks& marks) {
        ReportSource source;
        source.records = records;
        source.rows = RowsOfRecords(records);
        source.marks = marks;
        source.start = LogStartOf(records, EncodeDateTime({2026, 3, 4, 0, 0, 0, 0}));
        return BuildTestReport(source);
    }
    TableFileLoad load;
    std::vector<MeasurementRecord> records;
};

TEST_F(ReportOfTable, HeaderFactsInTheProgramsNumberFormat) {
    const TestReport r = Build(Tp1Marks());
    EXPECT_EQ(r.title, "Протокол испытания");
    EXPECT_EQ(Fact(r, "Дата"), "04.03.2026");
    EXPECT_EQ(Fact(r, "Начало записи"), "12:00:00");
    EXPECT_EQ(Fact(r, "Продолжительность записи"), "00:03:39");
    EXPECT_EQ(Fact(r, "Записей"), "220");
    EXPECT_EQ(Fact(r, "Тестовый пожар"), "ТП1");
    EXPECT_EQ(Fact(r, "База"), "5,0 м");
    EXPECT_EQ(Fact(r, "Период записи"), "2 с");
    EXPECT_EQ(Fact(r, "Пуск пожара"), "10,0 с");
    EXPECT_EQ(r.facts.size(), 8u);
}

TEST_F(ReportOfTable, VerdictAndIntervalsAreThoseOfTheTestWindow) {
    // Above ТП1's upper limit (0,05 dB/m until 130 s) from 40 to 44 s after the start, and
    // a single record later.
    for (int i = 50; i <= 54; ++i)
        records[static_cast<std::size_t>(i)].m = 0.2f + 0.01f * static_cast<float>(i - 50);
    records[100].m = 0.3f;
    const TestMarks marks = Tp1Marks();
    const TestReport r = Build(marks);
    FireTest window;
    window.Load(marks);
    window.Update(records);
    EXPECT_EQ(r.verdict, ViewOfTest(window).verdict);
    EXPECT_EQ(r.verdict, "ТП1: выше границы с 40 по 44 с (макс. 0,240 дБ/м); выше границы с 90 "
                         "по 90 с (макс. 0,300 дБ/м)");
    ASSERT_EQ(r.intervals.size(), 2u);
    EXPECT_EQ(r.intervals[0], "выше границы с 40 по 44 с (макс. 0,240 дБ/м)");
    EXPECT_EQ(r.intervals[1], "выше границы с 90 по 90 с (макс. 0,300 дБ/м)");
    // Every detector has not alarmed and m never reached 0,75: checked to the last record.
    EXPECT_EQ(r.checked, "Проверено записей: 210 (до 209 с от пуска)");
    EXPECT_EQ(r.end, "Испытание не завершено");
}

TEST_F(ReportOfTable, RecordsWithoutAValueAreListedAsTheWindowSaysThem) {
    for (int i = 150; i <= 152; ++i)
        records[static_cast<std::size_t>(i)].m = std::numeric_limits<float>::quiet_NaN();
    const TestMarks marks = Tp1Marks();
    const TestReport r = Build(marks);
    FireTest window;
    window.Load(marks);
    window.Update(records);
    EXPECT_EQ(r.verdict, ViewOfTest(window).verdict);
    EXPECT_EQ(r.verdict, "ТП1: нет данных с 140 по 142 с; в остальном в допуске до 209 с, "
                         "испытание не завершено");
    EXPECT_EQ(r.intervals, std::vector<std::string>{"нет данных с 140 по 142 с"});
    EXPECT_EQ(r.checked, "Проверено записей: 207 (до 209 с от пуска)");
}

TEST_F(ReportOfTable, DetectorRowsAndTheRatio) {
    TestMarks marks = Tp1Marks();
    TestReport r = Build(marks);
    ASSERT_EQ(r.detectors.size(), 3u);
    EXPECT_EQ(r.detectors[0], (DetectorRow{"И1", "150,2", "0,250"}));
    EXPECT_EQ(r.detectors[1], (DetectorRow{"ИП-2", "160,0", "0,500"}));
    EXPECT_EQ(r.detectors[2], (DetectorRow{"И3", "—", "—"})) << "not alarmed";
    EXPECT_EQ(r.ratio, "Отношение порогов: 2,00");
    EXPECT_EQ(r.verdict, "ТП1: в допуске до 209 с, испытание не завершено");
    // The last alarm ends the test once every detector has alarmed.
    marks.detectors[2].alarmT = 170.0;
    marks.detectors[2].thresholdDbPerM = 0.4f;
    r = Build(marks);
    EXPECT_EQ(r.end, "Испытание завершено: сработали все извещатели");
    EXPECT_EQ(r.checked, "Проверено записей: 161 (до 160 с от пуска)");
    marks.detectors.resize(1);
    EXPECT_EQ(Build(marks).ratio, "Отношение порогов: —") << "one alarm gives no ratio";
}

TEST_F(ReportOfTable, UnknownsAreDashes) {
    ReportSource source;
    source.records = records;
    const TestReport r = BuildTestReport(source);
    EXPECT_EQ(Fact(r, "Дата"), "—");
    EXPECT_EQ(Fact(r, "Начало записи"), "—");
    EXPECT_EQ(Fact(r, "Тестовый пожар"), "—");
    EXPECT_EQ(Fact(r, "База"), "—");
    EXPECT_EQ(Fact(r, "Период записи"), "—");
    EXPECT_EQ(Fact(r, "Пуск пожара"), "—");
    EXPECT_EQ(r.verdict, "Тестовый пожар не выбран");
    EXPECT_TRUE(r.intervals.empty());
    EXPECT_TRUE(r.checked.empty());
    EXPECT_TRUE(r.detectors.empty());
    // A start known as a time of day only has no date.
    source.start = LogStartOf(records);
    EXPECT_EQ(Fact(BuildTestReport(source), "Дата"), "—");
    EXPECT_EQ(Fact(BuildTestReport(source), "Начало записи"), "12:00:00");
    ReportSource empty;
    EXPECT_EQ(Fact(BuildTestReport(empty), "Продолжительность записи"), "—");
    EXPECT_EQ(Fact(BuildTestReport(empty), "Записей"), "0");
}

TEST_F(ReportOfTable, AppendixRowsAreTheTableFileRows) {
    const TestReport r = Build(Tp1Marks());
    const std::string bytes = TableBytes(kRows);
    const std::vector<std::string_view> lines = SplitFileLines(bytes);
    ASSERT_EQ(r.appendix.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(r.appendix[i], lines[i]) << "row " << i;
    // A table file written from the rows of a log reads back to the same rows.
    EXPECT_EQ(ReadTableFile(FormatTableFile(r.appendix), ";", false).rows, r.appendix);
}

TEST(ReportStart, FromTheFirstRecordAndAFileName) {
    MeasurementRecord first;
    first.T = 5;
    first.Time = EncodeDateTime({2026, 1, 31, 14, 5, 14, 0});
    std::vector<MeasurementRecord> records{first};
    EXPECT_EQ(FormatTimeOfDay(*LogStartOf(records)), "14:05:09");
    EXPECT_EQ(DecodeDateTime(*LogStartOf(records)).day, 31) << "a full date-time keeps its date";
    // A time of day only, just after midnight: the start was the evening before.
    records[0].Time = 3.0 / kSecondsPerDay;
    const double start = *LogStartOf(records, EncodeDateTime({2026, 2, 1, 0, 0, 0, 0}));
    EXPECT_EQ(FormatTimeOfDay(start), "23:59:58");
    EXPECT_FALSE(LogStartOf({}));

    const std::optional<double> named = DateTimeFromFileName("/a/b/2026-01-31_14-05-09-2.txt");
    ASSERT_TRUE(named);
    const DateTimeFields f = DecodeDateTime(*named);
    EXPECT_EQ(f.year * 10000 + f.month * 100 + f.day, 20260131);
    EXPECT_EQ(FormatTimeOfDay(*named), "14:05:09");
    for (const char* name : {"опыт.txt", "2026-02-30_10-00-00.txt", "2026-01-31_24-00-00.txt",
                             "2026-1-31_14-05-09.txt", "2026-01-31 14-05-09.txt", ""})
        EXPECT_FALSE(DateTimeFromFileName(name)) << name;
}

TEST(ReportGraph, TheWholeLogAcrossAndARangeThatHoldsIt) {
    std::vector<MeasurementRecord> records(300);
    records[7].m = 0.3f;
    TestMarks marks;
    GraphView view = ReportGraphView(records, marks);
    EXPECT_EQ(view.NumPoint, 400);
    EXPECT_EQ(view.wQx, 8);
    EXPECT_EQ(view.Unit, 0);
    EXPECT_EQ(view.NScaleDB, 3) << "0 to 0,5 dB/m holds 0,3";
    marks.fireId = 2; // ТП2 ends at 2 dB/m
    EXPECT_EQ(ReportGraphView(records, marks).NScaleDB, 4);
    records[8].m = 80.0f;
    EXPECT_EQ(ReportGraphView(records, marks).NScaleDB, 9) << "beyond every range: the largest";
    records.resize(20);
    view = ReportGraphView(records, {});
    EXPECT_EQ(view.NumPoint, 25);
    EXPECT_EQ(view.wQx, 10);
    records.resize(10'000);
    EXPECT_EQ(ReportGraphView(records, {}).NumPoint, 3200);
}

TEST(MarksFileSetup, DistanceAndPeriodRoundTripAndAreChecked) {
    TestMarks marks;
    marks.fireId = 2;
    marks.distanceM = 2.5f;
    marks.periodSec = 30;
    const std::string bytes = FormatMarksFile(marks);
    EXPECT_NE(bytes.find(Utf8ToCp1251("База=2,500\r\nПериод=30\r\n")), std::string::npos);
    ASSERT_TRUE(ParseMarksFile(bytes));
    EXPECT_EQ(*ParseMarksFile(bytes).marks, marks);
    // Absent keys stay unknown; the file written without them has no such lines.
    marks.distanceM.reset();
    marks.periodSec.reset();
    EXPECT_EQ(FormatMarksFile(marks).find(Utf8ToCp1251("База")), std::string::npos);
    EXPECT_EQ(*ParseMarksFile(FormatMarksFile(marks)).marks, marks);
    for (const char* line :
         {"База=0,2", "База=10,5", "База=5.0", "База=", "Период=0", "Период=31", "Период=2,5"}) {
        const MarksLoad load =
            ParseMarksFile(Utf8ToCp1251(std::string("ВЕЛС-5 испытание\r\n") + line + "\r\n"));
        EXPECT_FALSE(load) << line;
        EXPECT_EQ(load.line, 2) << line;
    }
}

} // namespace
} // namespace core
