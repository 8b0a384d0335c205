// The graph's scale tables, plotted values and label texts.
#include "core/graph/graph_scale.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using core::ScaleRow;
using core::ScaleRows;

struct RowCase {
    int unit;
    int row;
    float yMin, yMax;
    int divisions;
    int decimals; // of the value labels
};

// Every row of the three tables, with the decimals its value labels get.
const RowCase kRows[] = {
    {0, 0, 0.0f, 0.05f, 10, 3}, {0, 1, 0.0f, 0.1f, 10, 2},  {0, 2, 0.0f, 0.25f, 10, 3},
    {0, 3, 0.0f, 0.5f, 10, 2},  {0, 4, 0.0f, 2.0f, 10, 1},  {0, 5, 0.0f, 3.0f, 12, 2},
    {0, 6, 0.0f, 5.0f, 10, 1},  {0, 7, 0.0f, 10.0f, 10, 0}, {0, 8, 0.0f, 20.0f, 10, 0},
    {0, 9, 0.0f, 50.0f, 10, 0}, {1, 0, 0.0f, 5.0f, 10, 1},  {1, 1, 0.0f, 10.0f, 10, 0},
    {1, 2, 0.0f, 25.0f, 10, 1}, {1, 3, 0.0f, 50.0f, 10, 0}, {1, 4, 0.0f, 100.0f, 10, 0},
    {2, 0, 4.0f, 5.0f, 10, 1},  {2, 1, 2.5f, 5.0f, 10, 2},  {2, 2, 0.0f, 5.0f, 10, 1},
};

TEST(GraphScale, TablesHoldEveryRowAsFloat32) {
    EXPECT_EQ(ScaleRows(0).size(), 10u);
    EXPECT_EQ(ScaleRows(1).size(), 5u);
    EXPECT_EQ(ScaleRows(2).size(), 3u);
    EXPECT_TRUE(ScaleRows(3).empty());
    EXPECT_TRUE(ScaleRows(255).empty());
    EXPECT_EQ(core::ScaleRowLimit(0), 9);
    EXPECT_EQ(core::ScaleRowLimit(1), 4);
    EXPECT_EQ(core::ScaleRowLimit(2), 2);
    EXPECT_EQ(core::ScaleRowLimit(7), -1);
    for (const RowCase& c : kRows) {
        SCOPED_TRACE(testing::Message() << "unit " << c.unit << " row " << c.row);
        const ScaleRow& r = ScaleRows(c.unit)[static_cast<std::size_t>(c.row)];
        EXPECT_EQ(r.yMin, c.yMin);
        EXPECT_EQ(r.yMax, c.yMax);
        EXPECT_EQ(r.divisions, c.divisions);
    }
}

TEST(GraphScale, ValueLabelDecimalsFollowTheStepOfEachRow) {
    for (const RowCase& c : kRows) {
        SCOPED_TRACE(testing::Message() << "unit " << c.unit << " row " << c.row);
        EXPECT_EQ(core::ValueLabelDecimals(c.yMax, c.yMin, c.divisions), c.decimals);
    }
    // The fractional tests are strict: row 1's step 0.01f gives 0.99999997 for x 100, which
    // is not below 0.99, so it has 2 decimals, not 3.
    EXPECT_EQ(core::ValueLabelDecimals(0.1f, 0.0f, 10), 2);
    EXPECT_EQ(core::ValueLabelDecimals(0.5f, 0.0f, 0), 0); // no divisions: no division by zero
}

std::vector<std::string> Labels(int unit, int row) {
    const ScaleRow& r = ScaleRows(unit)[static_cast<std::size_t>(row)];
    const int d = core::ValueLabelDecimals(r.yMax, r.yMin, r.divisions);
    std::vector<std::string> labels;
    for (int u = r.divisions; u >= 1; --u)
        labels.push_back(core::ValueLabel(r.yMin, r.yMax, r.divisions, u, d, unit));
    return labels;
}

TEST(GraphScale, ValueLabelsOfSampleRows) {
    EXPECT_EQ(Labels(0, 2), (std::vector<std::string>{
                                "0,000дБ/м", "0,025дБ/м", "0,050дБ/м", "0,075дБ/м", "0,100дБ/м",
                                "0,125дБ/м", "0,150дБ/м", "0,175дБ/м", "0,200дБ/м", "0,225дБ/м"}));
    EXPECT_EQ(Labels(0, 5),
              (std::vector<std::string>{"0,00дБ/м", "0,25дБ/м", "0,50дБ/м", "0,75дБ/м", "1,00дБ/м",
                                        "1,25дБ/м", "1,50дБ/м", "1,75дБ/м", "2,00дБ/м", "2,25дБ/м",
                                        "2,50дБ/м", "2,75дБ/м"}));
    EXPECT_EQ(Labels(0, 7),
              (std::vector<std::string>{"0дБ/м", "1дБ/м", "2дБ/м", "3дБ/м", "4дБ/м", "5дБ/м",
                                        "6дБ/м", "7дБ/м", "8дБ/м", "9дБ/м"}));
    EXPECT_EQ(Labels(2, 0), (std::vector<std::string>{"4,0В", "4,1В", "4,2В", "4,3В", "4,4В",
                                                      "4,5В", "4,6В", "4,7В", "4,8В", "4,9В"}));
    EXPECT_EQ(Labels(0, 0)[9], "0,045дБ/м");
    EXPECT_EQ(Labels(0, 1)[9], "0,09дБ/м");
    EXPECT_EQ(Labels(1, 2)[1], "2,5%");
    EXPECT_EQ(Labels(2, 1)[1], "2,75В");
}

TEST(GraphScale, ValueLabelsKeepThreeSignificantDigits) {
    // 3 significant digits: further digits are written as zeros.
    EXPECT_EQ(core::ValueLabel(0.0f, 1.2345f, 1, 0, 3, 0), "1,230дБ/м");
    // An unknown unit writes the number alone.
    EXPECT_EQ(core::ValueLabel(0.0f, 5.0f, 10, 9, 1, 9), "0,5");
}

TEST(GraphScale, PlottedValueByUnit) {
    core::MeasurementRecord r;
    r.Ui = 2.4925f;
    r.m = 0.123f;
    EXPECT_EQ(core::PlottedValue(r, 0), 0.123f);
    EXPECT_NEAR(core::PlottedValue(r, 1), 50.0f, 1e-5);
    EXPECT_EQ(core::PlottedValue(r, 2), 2.4925f);
    EXPECT_EQ(core::PlottedValue(r, 3), 0.0f);
    EXPECT_EQ(core::PlottedValue(r, 255), 0.0f);
    r.Ui = 0.0f;
    EXPECT_EQ(core::PlottedValue(r, 1), 100.0f);
    // The nominal level itself is no attenuation; the float 4.985f lies a hair above 4.985.
    r.Ui = 4.985f;
    EXPECT_LT(core::PlottedValue(r, 1), 0.0f);
    EXPECT_GT(core::PlottedValue(r, 1), -1e-5f);
    r.Ui = 5.5f; // above the nominal level: negative attenuation, drawn below the scale
    EXPECT_NEAR(core::PlottedValue(r, 1), -10.33099f, 1e-4);
}

TEST(GraphScale, AxisUnitAndReadoutTexts) {
    EXPECT_EQ(core::AxisName(0), "m");
    EXPECT_EQ(core::AxisName(1), "k");
    EXPECT_EQ(core::AxisName(2), "U");
    EXPECT_EQ(core::AxisName(3), "");
    EXPECT_EQ(core::UnitText(0), "дБ/м");
    EXPECT_EQ(core::UnitText(1), "%");
    EXPECT_EQ(core::UnitText(2), "В");
    EXPECT_EQ(core::UnitText(-1), "");
    EXPECT_EQ(core::ReadoutText(0, 0.123f), "m=0,123 дБ/м");
    EXPECT_EQ(core::ReadoutText(1, 50.0f), "k=50,000 %");
    EXPECT_EQ(core::ReadoutText(2, 4.0f), "U=4,000 В");
    EXPECT_EQ(core::ReadoutText(2, 12345.678f), "U=12\u00A0346,000 В");
    EXPECT_EQ(core::ReadoutText(5, 1.5f), "1,500");
}

TEST(GraphScale, TimeLabelsFirstBareOthersWithSeconds) {
    EXPECT_EQ(core::TimeLabel(0, true), "0");
    EXPECT_EQ(core::TimeLabel(25, false), "25 с");
    EXPECT_EQ(core::TimeLabel(40000, false), "40000 с"); // no grouping, no 16-bit wrap
    EXPECT_EQ(core::TimeLabel(-3, true), "-3");
}

} // namespace
