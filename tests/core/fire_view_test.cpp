// The texts of the window "Испытание" for a test in each of its states.
#include "core/fire/fire_view.h"

#include <gtest/gtest.h>

namespace core {
namespace {

TEST(TestView, BeforeAnythingIsMarked) {
    FireTest test;
    const TestView v = ViewOfTest(test);
    EXPECT_EQ(v.fireId, 0);
    EXPECT_EQ(v.start, "Пуск: не отмечен");
    EXPECT_TRUE(v.rows.empty());
    EXPECT_EQ(v.ratio, "Отношение порогов: —");
    EXPECT_EQ(v.verdict, "Тестовый пожар не выбран");
    EXPECT_EQ(v.end, "");
    EXPECT_FALSE(v.canUndo);
}

TEST(TestView, RowsThresholdsRatioAndTheEnd) {
    FireTest test;
    test.SetFire(2);
    test.AddDetector("И1");
    test.AddDetector("Дым-2");
    test.StartFire(1234.56);
    test.MarkAlarm(1, 1300.04, 0.2f);
    std::vector<MeasurementRecord> records(1400);
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i].T = static_cast<std::uint16_t>(i);
    test.Update(records);
    TestView v = ViewOfTest(test);
    EXPECT_EQ(v.fireId, 2);
    EXPECT_EQ(v.start, "Пуск: 1\u00A0234,6 с");
    ASSERT_EQ(v.rows.size(), 2u);
    EXPECT_EQ(v.rows[0], (DetectorRow{"И1", "", ""}));
    EXPECT_EQ(v.rows[1], (DetectorRow{"Дым-2", "1\u00A0300,0", "0,200"}));
    EXPECT_EQ(v.ratio, "Отношение порогов: —") << "one alarm";
    EXPECT_EQ(v.verdict, "ТП2: в допуске до 164 с, испытание не завершено");
    EXPECT_TRUE(v.canUndo);
    test.MarkAlarm(0, 1310, 0.15f);
    test.Update(records);
    v = ViewOfTest(test);
    EXPECT_EQ(v.ratio, "Отношение порогов: 1,33");
    EXPECT_EQ(v.end, "Испытание завершено: сработали все извещатели");
}

TEST(TestView, NewDetectorsTakeTheFirstFreeNumber) {
    TestMarks marks;
    EXPECT_EQ(NextDetectorName(marks), "И1");
    marks.detectors = {{"И1", {}, 0}, {"И3", {}, 0}, {"и2", {}, 0}};
    EXPECT_EQ(NextDetectorName(marks), "И2");
    marks.detectors.push_back({"И2", {}, 0});
    EXPECT_EQ(NextDetectorName(marks), "И4");
}

} // namespace
} // namespace core
