// "Авто" on the value axis: the row chosen for rising and falling curves in each unit, no
// switching to and fro about a row's edge, and the band in view.
#include "core/fire/fire_test.h"
#include "core/graph/graph_auto_scale.h"
#include "core/graph/graph_controls.h"
#include "core/graph/graph_scale.h"
#include "tests/core/fixed_text_measure.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

core::ShownValues Span(float lo, float hi) {
    core::ShownValues v;
    v.Add(lo);
    v.Add(hi);
    return v;
}

// A window's redraws as records arrive one at a time, with "Авто" on.
struct Recording {
    core::GraphView view;
    std::vector<core::MeasurementRecord> records;
    core::GraphPlot plot;
    core::PaintList list;
    test::FixedTextMeasure measure;
    std::vector<int> rows; ///< the row after each redraw

    Recording(int unit, int numPoint) {
        view.AutoY = true;
        view.Unit = static_cast<std::uint8_t>(unit);
        view.NumPoint = static_cast<std::int16_t>(numPoint);
    }
    void Add(float m, float ui) {
        core::MeasurementRecord r;
        r.T = static_cast<std::uint16_t>(records.size());
        r.m = m;
        r.Ui = ui;
        records.push_back(r);
        core::GraphInput in;
        in.width = 1064;
        in.height = 394;
        in.records = records;
        const core::RecordRange range = plot.Redraw(view, in, measure, list);
        rows.push_back(*core::ScaleRowIndex(view));
        // Whatever the row, every value drawn lies inside it.
        const core::ShownValues shown = core::ValuesInView(view, in, range);
        EXPECT_LE(std::min(shown.hi, view.Unit == core::kUnitVolts ? 5.0f : 50.0f), plot.YMax())
            << "record " << records.size();
        EXPECT_GE(std::max(shown.lo, 0.0f), plot.YMin()) << "record " << records.size();
    }
};

TEST(AutoScale, RisingCurveClimbsTheRowsOfEachUnit) {
    Recording db(core::kUnitDbPerM, 200);
    for (int i = 0; i <= 400; ++i)
        db.Add(0.0025f * static_cast<float>(i), 4.0f); // 0 to 1 dB/m
    EXPECT_EQ(db.rows[10], 0);                         // 0,025
    EXPECT_EQ(db.rows[30], 1);                         // 0,075
    EXPECT_EQ(db.rows[90], 2);                         // 0,225
    EXPECT_EQ(db.rows[150], 3);                        // 0,375
    EXPECT_EQ(db.rows[400], 4);                        // 1,0
    EXPECT_TRUE(std::is_sorted(db.rows.begin(), db.rows.end()));
    // Percent: the attenuation grows as Ui falls from 4,985 V.
    Recording per(core::kUnitPercent, 200);
    for (int i = 0; i <= 100; ++i)
        per.Add(0, 4.985f * (1 - 0.006f * static_cast<float>(i))); // k 0 to 60 %
    EXPECT_EQ(per.rows[5], 0);                                     // 3 %
    EXPECT_EQ(per.rows[12], 1);                                    // 7,2 %
    EXPECT_EQ(per.rows[40], 2);                                    // 24 %
    EXPECT_EQ(per.rows[100], 4);                                   // 60 %
    // Volts: a falling Ui needs the rows that reach lower.
    Recording volts(core::kUnitVolts, 200);
    for (int i = 0; i <= 40; ++i)
        volts.Add(0, 4.9f - 0.1f * static_cast<float>(i)); // 4,9 V to 0,9 V
    EXPECT_EQ(volts.rows[5], 0);                           // 4,4 V
    EXPECT_EQ(volts.rows[15], 1);                          // 3,4 V
    EXPECT_EQ(volts.rows[40], 2);
}

TEST(AutoScale, FallingCurveComesBackDownAsOldValuesLeaveTheView) {
    // 25 periods across: the high values of the start scroll out to the left.
    Recording db(core::kUnitDbPerM, 25);
    for (int i = 0; i <= 200; ++i)
        db.Add(1.0f * std::exp(-static_cast<float>(i) / 20.0f), 4.0f);
    EXPECT_EQ(db.rows[0], 4);
    EXPECT_EQ(db.rows[200], 0);
    EXPECT_TRUE(std::is_sorted(db.rows.rbegin(), db.rows.rend()));
    Recording volts(core::kUnitVolts, 25);
    for (int i = 0; i <= 120; ++i) // clearing smoke: 1 V up to 4,9 V
        volts.Add(0, std::min(4.9f, 1.0f + 0.05f * static_cast<float>(i)));
    EXPECT_EQ(volts.rows[0], 2);
    EXPECT_EQ(volts.rows[120], 0);
    EXPECT_TRUE(std::is_sorted(volts.rows.rbegin(), volts.rows.rend()));
}

TEST(AutoScale, ValuesAboutAnEdgeDoNotSwitchRowsToAndFro) {
    using core::AutoScaleRow;
    // Past 0,25 dB/m at once to row 3; back to row 2 only with a tenth of it to spare.
    EXPECT_EQ(AutoScaleRow(0, 2, Span(0, 0.249f)), 2);
    EXPECT_EQ(AutoScaleRow(0, 2, Span(0, 0.251f)), 3);
    EXPECT_EQ(AutoScaleRow(0, 3, Span(0, 0.249f)), 3);
    EXPECT_EQ(AutoScaleRow(0, 3, Span(0, 0.230f)), 3);
    EXPECT_EQ(AutoScaleRow(0, 3, Span(0, 0.220f)), 2);
    EXPECT_EQ(AutoScaleRow(0, 9, Span(0, 0.004f)), 0); // all the way down in one step
    // The same values again (a redraw between two records) keep the row.
    EXPECT_EQ(AutoScaleRow(0, 3, Span(0, 0.249f)), 3);
    // Just under the edge with a spike over it every 30 records, 25 records across: the spike
    // comes into view and leaves it again, the row goes up once and stays.
    Recording db(core::kUnitDbPerM, 25);
    for (int i = 0; i < 150; ++i)
        db.Add(i % 30 == 0 ? 0.252f : 0.24f, 4.0f);
    int switches = 0;
    for (std::size_t i = 1; i < db.rows.size(); ++i)
        switches += db.rows[i] != db.rows[i - 1];
    EXPECT_LE(switches, 1);
    // Beyond the table's outer bounds: at the bound. Volts: the bottom edge moves too.
    EXPECT_EQ(core::FittingRow(0, Span(-0.02f, 0.04f)), 0);
    EXPECT_EQ(core::FittingRow(0, Span(0, 80.0f)), 9);
    EXPECT_EQ(core::FittingRow(2, Span(4.2f, 5.03f)), 0);
    EXPECT_EQ(AutoScaleRow(2, 2, Span(2.6f, 4.9f)), 2); // 2,5 + 0,25 not cleared
    EXPECT_EQ(AutoScaleRow(2, 2, Span(2.8f, 4.9f)), 1);
    // Nothing to show, or no table: the row stays.
    EXPECT_EQ(AutoScaleRow(0, 5, core::ShownValues{}), 5);
    EXPECT_EQ(AutoScaleRow(7, 1, Span(0, 1)), 1);
    core::ShownValues nan;
    nan.Add(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(nan.empty);
}

TEST(AutoScale, TheBandInViewCountsUpToItsEndOfTestValue) {
    // ТП4 (upper (0 0,05) (40 0,2) (140 1,73)) anchored at 50 s; the curve stays low.
    std::vector<core::MeasurementRecord> records(201);
    for (int i = 0; i <= 200; ++i) {
        records[static_cast<std::size_t>(i)].T = static_cast<std::uint16_t>(i);
        records[static_cast<std::size_t>(i)].m = 0.03f;
        records[static_cast<std::size_t>(i)].Ui = 4.985f; // no attenuation
    }
    core::FireTest fire;
    fire.SetFire(4);
    fire.StartFire(50);
    fire.Update(records);
    const core::GraphTest test = core::GraphTestOf(fire);
    core::GraphView view;
    view.bVeiwTP = 4;
    core::GraphInput in;
    in.width = 1064;
    in.records = records;
    in.test = &test;
    const core::RecordRange range = core::ChooseRecords(201, 200, 0);
    EXPECT_FLOAT_EQ(core::ValuesInView(view, in, range).hi, 1.73f); // 150 s in view
    view.NumPoint = 50;                                             // 25 s of the band in view
    EXPECT_FLOAT_EQ(core::ValuesInView(view, in, core::ChooseRecords(201, 50, 0)).hi,
                    1.73f); // records 151 to 200: 101 s to 150 s of the fire
    // The plain overlay, shifted right past the view: only the curve counts.
    in.test = nullptr;
    view.NumPoint = 200;
    in.shiftTP = 2000;
    EXPECT_FLOAT_EQ(core::ValuesInView(view, in, range).hi, 0.03f);
    in.shiftTP = 0; // ТП4 from the left edge: 200 s covers it to its last corner
    EXPECT_FLOAT_EQ(core::ValuesInView(view, in, range).hi, 1.73f);
    // In percent no band counts.
    view.Unit = core::kUnitPercent;
    EXPECT_LT(core::ValuesInView(view, in, range).hi, 0.5f);
    // The limit's top within a stretch, and past the last corner only for the anchored band.
    const core::TestFireEnvelope& tp4 = *core::FindTestFire(4);
    EXPECT_FLOAT_EQ(*core::BandTop(tp4, 0, 40, false), 0.2f);
    EXPECT_FLOAT_EQ(*core::BandTop(tp4, -30, 10, false), 0.05f + 0.15f * 10 / 40);
    EXPECT_EQ(core::BandTop(tp4, 150, 300, false), std::nullopt);
    EXPECT_FLOAT_EQ(*core::BandTop(tp4, 150, 300, true), 1.73f);
    EXPECT_EQ(core::BandTop(tp4, -90, -10, true), std::nullopt);
}

} // namespace
