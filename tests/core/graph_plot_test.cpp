// The graph picture as primitives: maps, choice of records, grid, labels, overlay and curve.
#include "core/graph/graph_controls.h"
#include "core/graph/graph_plot.h"
#include "tests/core/fixed_text_measure.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

using core::PaintItem;
using core::PaintKind;
using core::PaintPoint;
using core::PaintRole;
using core::RecordRange;

constexpr int kW = 1064, kH = 394; // the default picture: plot bottom 369, plot width 989

core::GraphInput Sized(int width, int height) {
    core::GraphInput input;
    input.width = width;
    input.height = height;
    return input;
}

// One redraw's inputs and result.
struct Picture {
    core::GraphView view;
    std::vector<core::MeasurementRecord> records;
    std::vector<core::TemplatePoint> templ;
    core::GraphInput input = Sized(kW, kH);
    core::GraphPlot plot;
    core::PaintList list;
    test::FixedTextMeasure measure;

    void Add(int t, float m, float ui = 4.0f) {
        core::MeasurementRecord r;
        r.T = static_cast<std::uint16_t>(t);
        r.m = m;
        r.Ui = ui;
        records.push_back(r);
    }
    RecordRange Draw() {
        input.records = records;
        input.templatePoints = templ;
        return plot.Redraw(view, input, measure, list);
    }
    std::vector<const PaintItem*> Items(PaintRole role) const {
        std::vector<const PaintItem*> found;
        for (const PaintItem& item : list.Items())
            if (item.role == role)
                found.push_back(&item);
        return found;
    }
    std::vector<std::string> Texts(PaintRole role) const {
        std::vector<std::string> texts;
        for (const PaintItem* item : Items(role))
            texts.emplace_back(list.TextOf(*item));
        return texts;
    }
    std::vector<PaintPoint> Points(const PaintItem* item) const {
        const auto span = list.PointsOf(*item);
        return {span.begin(), span.end()};
    }
    std::vector<PaintPoint> Curve() const {
        const auto curve = Items(PaintRole::Curve);
        return curve.empty() ? std::vector<PaintPoint>{} : Points(curve.front());
    }
};

TEST(GraphMaps, ValueToYTruncatesTowardsZero) {
    const core::GraphView view;
    const core::GraphMaps maps(kW, kH, view, 1, 0.0f, 0.25f);
    EXPECT_EQ(maps.PlotBottom(), 369);
    EXPECT_EQ(maps.ValueToY(0.0f), 369);
    EXPECT_EQ(maps.ValueToY(0.25f), 0);
    EXPECT_EQ(maps.ValueToY(0.125f), 184); // 184.5
    EXPECT_EQ(maps.ValueToY(0.025f), 332); // 332.0999...
    EXPECT_EQ(maps.ValueToY(0.3f), -73);   // -73.8: towards zero, not down
    EXPECT_EQ(maps.ValueToY(-0.1f), 516);  // below the scale: below the plot
    EXPECT_EQ(maps.ValueToY(1e30f), -core::kPaintCoordLimit);
    EXPECT_EQ(maps.ValueToY(std::numeric_limits<float>::quiet_NaN()), core::kPaintCoordLimit);
}

TEST(GraphMaps, TimeToXUsesIntegerDivisionTowardsZero) {
    core::GraphView view; // NumPoint 200
    const core::GraphMaps maps(kW, kH, view, 1, 0.0f, 0.25f);
    EXPECT_EQ(maps.TimeToX(0), 75);
    EXPECT_EQ(maps.TimeToX(200), kW);
    EXPECT_EQ(maps.TimeToX(100), 569); // 494.5
    EXPECT_EQ(maps.TimeToX(-1), 71);   // -4.945 truncates to -4
    view.NumPoint = 3200;
    const core::GraphMaps slow(kW, kH, view, 30, 0.0f, 0.25f);
    EXPECT_EQ(slow.SpanSec(), 96000);
    EXPECT_EQ(slow.TimeToX(40000), 75 + 40000 * 989 / 96000); // past 32,767 s, no wrap
    EXPECT_EQ(slow.TimeToX(65535), 75 + 65535 * 989 / 96000);
}

// Below 32,768 s, wherever a 16-bit position would not wrap, the pixels are those of 16-bit
// arithmetic (a 16-bit time, 32-bit product and divisor, integer division, a 16-bit result).
TEST(GraphMaps, TimeToXMatchesSixteenBitArithmeticWhereItFits) {
    for (int numPoint : {25, 200, 3200})
        for (int step : {1, 7, 30}) {
            core::GraphView view;
            view.NumPoint = static_cast<std::int16_t>(numPoint);
            const core::GraphMaps maps(kW, kH, view, step, 0.0f, 1.0f);
            for (int t = -5000; t <= 32767; t += 37) {
                const std::int32_t wide =
                    75 + (static_cast<std::int16_t>(t) * 989) / (numPoint * step);
                if (wide != static_cast<std::int16_t>(wide))
                    continue;
                ASSERT_EQ(maps.TimeToX(t), wide) << numPoint << " " << step << " t=" << t;
            }
        }
}

struct ChoiceCase {
    const char* name;
    int count, numPoint, pan;
    RecordRange expected;
};

TEST(GraphRecords, ChoiceOfFirstAndLast) {
    const ChoiceCase cases[] = {
        {"empty log", 0, 200, 0, {0, 199}},
        {"fewer than fit", 150, 200, 0, {0, 199}},
        {"exactly NumPoint + 1", 201, 200, 0, {0, 200}},
        {"pan ignored while all fit", 201, 200, 50, {0, 200}},
        {"one more: the newest at the edge", 202, 200, 0, {2, 201}},
        {"pan back two", 202, 200, 2, {0, 199}},
        {"pan beyond the oldest", 202, 200, 5, {0, 199}},
        {"long log", 1000, 200, 0, {800, 999}},
        {"long log panned", 1000, 200, 300, {500, 699}},
        {"pan towards the future", 1000, 200, -50, {850, 1049}},
        {"no further than the newest", 1000, 200, -5000, {999, 1198}},
        {"huge pan", 1000, 25, std::numeric_limits<int>::min() / 2, {999, 1023}},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(core::ChooseRecords(c.count, c.numPoint, c.pan), c.expected);
    }
}

TEST(GraphPlot, EmptyLogDrawsBackgroundsGridAndLabelsOnly) {
    Picture p;
    p.view.cMargin = 0x808080;
    p.view.cBack = 0x000000;
    p.Draw();
    const auto fills = p.Items(PaintRole::Margin);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(std::vector<int>({fills[0]->x1, fills[0]->y1, fills[0]->x2, fills[0]->y2}),
              std::vector<int>({0, 0, kW, kH}));
    const auto area = p.Items(PaintRole::PlotArea);
    ASSERT_EQ(area.size(), 1u);
    EXPECT_EQ(std::vector<int>({area[0]->x1, area[0]->y1, area[0]->x2, area[0]->y2}),
              std::vector<int>({75, 0, kW, 369}));
    EXPECT_EQ(p.list.Items()[0].role, PaintRole::Margin); // painted first
    EXPECT_EQ(p.Texts(PaintRole::TimeLabel),
              (std::vector<std::string>{"0", "25 с", "50 с", "75 с", "100 с", "125 с", "150 с",
                                        "175 с"}));
    EXPECT_EQ(p.Texts(PaintRole::AxisName), std::vector<std::string>{"m"});
    EXPECT_EQ(p.Texts(PaintRole::ValueLabel).size(), 10u);
    EXPECT_TRUE(p.Items(PaintRole::Curve).empty());
    EXPECT_TRUE(p.Items(PaintRole::Overlay).empty());
}

TEST(GraphPlot, GridLinesSkipTheEdges) {
    Picture p;
    p.Draw();
    std::vector<int> columns, rows;
    for (const PaintItem* line : p.Items(PaintRole::Grid)) {
        EXPECT_EQ(line->kind, PaintKind::Line);
        EXPECT_EQ(line->pen.colour, p.view.cGrid);
        EXPECT_EQ(line->pen.width, 1);
        if (line->x1 == line->x2) {
            columns.push_back(line->x1);
            EXPECT_EQ(line->y1, 0);
            EXPECT_EQ(line->y2, 369);
        } else {
            rows.push_back(line->y1);
            EXPECT_EQ(line->x1, 75);
            EXPECT_EQ(line->x2, kW);
        }
    }
    EXPECT_EQ(columns, (std::vector<int>{198, 322, 445, 569, 693, 816, 940}));
    EXPECT_EQ(rows, (std::vector<int>{369, 332, 295, 258, 221, 184, 147, 110, 73, 36}));
}

TEST(GraphPlot, LabelsArePlacedByTheirMeasuredSize) {
    Picture p;
    p.Draw();
    const auto time = p.Items(PaintRole::TimeLabel);
    EXPECT_EQ(time[0]->x1, 75 - 7 / 2); // "0" centred on the left edge
    EXPECT_EQ(time[0]->y1, 369 + 5);
    EXPECT_EQ(time[1]->x1, 198 - 28 / 2 + 5); // "25 с": 4 characters
    const auto values = p.Items(PaintRole::ValueLabel);
    EXPECT_EQ(p.list.TextOf(*values[0]), "0,000дБ/м");
    EXPECT_EQ(values[0]->x1, 75 - 63 - 5);
    EXPECT_EQ(values[0]->y1, 369 - 15 / 2);
    EXPECT_EQ(values[9]->y1, 36 - 15 / 2);
    for (const PaintItem* label : values) {
        EXPECT_EQ(label->x2, 70); // right-aligned 5 pixels left of the plot
        EXPECT_EQ(label->colour, p.view.cFont);
        EXPECT_EQ(label->background, p.view.cMargin);
    }
    const auto axis = p.Items(PaintRole::AxisName);
    EXPECT_EQ(axis[0]->x1, 5);
    EXPECT_EQ(axis[0]->y1, 5);
}

TEST(GraphPlot, TimeLabelsFollowTheRecordPeriodAndDivisions) {
    Picture p;
    p.input.timeStepSec = 2; // 400 s across, wQx 8: steps of 50 s
    p.Draw();
    EXPECT_EQ(p.Texts(PaintRole::TimeLabel),
              (std::vector<std::string>{"0", "50 с", "100 с", "150 с", "200 с", "250 с", "300 с",
                                        "350 с"}));
    p.view.wQx = 10;
    p.view.NumPoint = 100;
    p.input.timeStepSec = 1;
    p.Add(7, 0.0f);
    p.Draw();
    EXPECT_EQ(p.Texts(PaintRole::TimeLabel).front(), "7"); // t0 is the first record's time
    EXPECT_EQ(p.Texts(PaintRole::TimeLabel).back(), "97 с");
    EXPECT_EQ(p.Texts(PaintRole::TimeLabel).size(), 10u);
}

TEST(GraphPlot, CurveClipsBelowTheScaleAndLeavesAboveIt) {
    Picture p;
    p.Add(1, 0.025f);
    p.Add(2, 0.3f);  // above YMax
    p.Add(3, -0.1f); // below YMin
    EXPECT_EQ(p.Draw(), (RecordRange{0, 199}));
    EXPECT_EQ(p.Curve(), (std::vector<PaintPoint>{{75, 332}, {79, -73}, {84, 369}}));
    const PaintItem* curve = p.Items(PaintRole::Curve)[0];
    EXPECT_EQ(curve->pen.colour, p.view.cGrap);
    EXPECT_EQ(curve->pen.width, 3);
    EXPECT_EQ(curve->pen.style, core::PenStyle::Solid);
    // The time axis still spans NumPoint x wTimeStep seconds.
    EXPECT_EQ(p.Texts(PaintRole::TimeLabel).back(), "176 с");
}

TEST(GraphPlot, CurveShowsTheLastNumPointPeriodsAndTheChosenUnit) {
    Picture p;
    p.view.NumPoint = 25;
    for (int i = 0; i < 100; ++i)
        p.Add(i, 0.001f * i, 4.985f * (1.0f - 0.001f * i));
    EXPECT_EQ(p.Draw(), (RecordRange{75, 99}));
    const auto curve = p.Curve();
    ASSERT_EQ(curve.size(), 25u);
    EXPECT_EQ(curve.front().x, 75);
    EXPECT_EQ(curve.back().x, 75 + 24 * 989 / 25);
    p.view.Unit = 2; // volts, row 2: 0..5 V
    p.Draw();
    EXPECT_EQ(p.Curve().back().y, static_cast<int>(369.0L * (5.0L - p.records[99].Ui) / 5.0L));
    p.view.Unit = 1; // percent, row 3: 0..50 %
    p.Draw();
    EXPECT_EQ(p.Texts(PaintRole::AxisName), std::vector<std::string>{"k"});
    EXPECT_EQ(p.Texts(PaintRole::ValueLabel)[1], "5%");
}

TEST(GraphPlot, ScaleRowIsReloadedAtEveryRedraw) {
    Picture p;
    p.view.wQy = 99;
    p.view.NScaleDB = 5;
    p.Draw();
    EXPECT_EQ(p.view.wQy, 12);
    EXPECT_EQ(p.plot.YMax(), 3.0f);
    EXPECT_EQ(p.Texts(PaintRole::ValueLabel).size(), 12u);
    // A unit without a table keeps the range, writes no unit text and plots 0.
    p.Add(0, 2.0f);
    p.Add(1, 2.0f);
    p.view.Unit = 9;
    p.Draw();
    EXPECT_EQ(p.view.wQy, 12);
    EXPECT_EQ(p.plot.YMax(), 3.0f);
    EXPECT_TRUE(p.Texts(PaintRole::AxisName).empty());
    EXPECT_EQ(p.Texts(PaintRole::ValueLabel)[1], "0,25");
    EXPECT_EQ(p.Curve().front().y, 369);
    // A stored row outside its table is used as the nearest row.
    p.view.Unit = 2;
    p.view.NScaleV = 40;
    p.Draw();
    EXPECT_EQ(p.plot.YMin(), 0.0f);
    EXPECT_EQ(p.plot.YMax(), 5.0f);
}

TEST(GraphPlot, TenHourLogPlotsAndLabelsBeyondSixteenBits) {
    Picture p;
    p.view.NumPoint = 200;
    p.input.timeStepSec = 30;
    for (int i = 0; i < 1200; ++i)
        p.Add(30 * (i + 1), 0.1f);
    EXPECT_EQ(p.Draw(), (RecordRange{1000, 1199}));
    const auto labels = p.Texts(PaintRole::TimeLabel);
    EXPECT_EQ(labels.front(), "30030");
    EXPECT_EQ(labels.back(), "35280 с");
    const auto curve = p.Curve();
    ASSERT_EQ(curve.size(), 200u);
    for (std::size_t i = 1; i < curve.size(); ++i)
        ASSERT_GE(curve[i].x, curve[i - 1].x);
    EXPECT_EQ(curve.back().x, 75 + 5970 * 989 / 6000);
    p.input.pan = 600; // back to the middle of the log
    p.Draw();
    EXPECT_EQ(p.Texts(PaintRole::TimeLabel).front(), "12030");
}

TEST(GraphPlot, OverlayOnlyInTheDbScaleBeforeTheCurve) {
    Picture p;
    p.Add(0, 0.0f);
    p.Add(1, 0.01f);
    p.view.bVeiwTP = 1; // ТП1
    p.Draw();
    const auto overlay = p.Items(PaintRole::Overlay);
    ASSERT_EQ(overlay.size(), 2u);
    EXPECT_EQ(p.Points(overlay[0]), (std::vector<PaintPoint>{{75, 295}, {717, 295}, {1410, -738}}));
    EXPECT_EQ(p.Points(overlay[1]), (std::vector<PaintPoint>{{1162, 369}, {1904, -738}}));
    const core::PaintPen& pen = overlay[0]->pen;
    EXPECT_EQ(pen.colour, 0x0000FFu);
    EXPECT_EQ(pen.width, 1);
    EXPECT_EQ(pen.style, core::PenStyle::Dash);
    EXPECT_TRUE(pen.opaqueGaps);
    EXPECT_EQ(pen.gapColour, p.view.cBack);
    EXPECT_LT(overlay[1], p.Items(PaintRole::Curve)[0]); // the curve lies on top
    for (int unit : {1, 2}) {
        p.view.Unit = static_cast<std::uint8_t>(unit);
        p.Draw();
        EXPECT_TRUE(p.Items(PaintRole::Overlay).empty());
    }
    p.view.Unit = 0;
    p.input.shiftTP = 40; // the shift moves every corner
    p.Draw();
    EXPECT_EQ(p.Points(p.Items(PaintRole::Overlay)[0]).front(), (PaintPoint{115, 295}));
}

TEST(GraphPlot, Tp2BandFitsAfterThreeContractions) {
    Picture p;
    p.view.bVeiwTP = 2;
    const auto rightmost = [&p] {
        p.Draw();
        int x = std::numeric_limits<int>::min();
        for (const PaintItem* line : p.Items(PaintRole::Overlay))
            for (const PaintPoint& pt : p.Points(line))
                x = std::max(x, pt.x);
        return x;
    };
    EXPECT_GT(rightmost(), 3 * kW); // 200 s across, the band reaches 840 s
    core::ContractTime(p.view);
    core::ContractTime(p.view);
    EXPECT_EQ(p.view.NumPoint, 800);
    EXPECT_EQ(rightmost(), 75 + 840 * 989 / 800); // 40 s beyond the right edge
    EXPECT_GT(rightmost(), kW);
    core::ContractTime(p.view);
    EXPECT_LE(rightmost(), kW);
}

TEST(GraphPlot, UpperLimitsLeaveTheTopOfTheSmallestScale) {
    Picture p;
    p.view.NScaleDB = 0; // 0 to 0.05 dB/m
    p.view.NumPoint = 800;
    for (int id = 1; id <= 5; ++id) {
        SCOPED_TRACE(id);
        p.view.bVeiwTP = static_cast<std::int8_t>(id);
        p.Draw();
        EXPECT_LT(p.Points(p.Items(PaintRole::Overlay)[0]).back().y, 0);
    }
}

TEST(GraphPlot, LargeShiftKeepsTheBandRightOfItsTimeZero) {
    Picture p;
    p.view.bVeiwTP = 6; // ТП2А, to 1440 s
    p.input.shiftTP = 32000;
    p.Draw();
    for (const PaintItem* line : p.Items(PaintRole::Overlay))
        for (const PaintPoint& pt : p.Points(line))
            EXPECT_GE(pt.x, 32000 + 75);
    EXPECT_EQ(p.Points(p.Items(PaintRole::Overlay)[1]).back().x, 32000 + 75 + 1440 * 989 / 200);
}

TEST(GraphPlot, TemplateIsClippedAtTheBottomAndShifted) {
    Picture p;
    p.view.bVeiwTP = 10;
    p.templ = {{5, 0.1f}};
    p.Draw();
    EXPECT_TRUE(p.Items(PaintRole::Overlay).empty()); // one point draws nothing
    p.templ = {{5, 0.1f}, {15, 0.3f}, {25, -1.0f}};
    p.input.shiftTP = 10;
    p.Draw();
    const auto overlay = p.Items(PaintRole::Overlay);
    ASSERT_EQ(overlay.size(), 1u);
    EXPECT_EQ(p.Points(overlay[0]), (std::vector<PaintPoint>{{109, 221}, {159, -73}, {208, 369}}));
    EXPECT_EQ(overlay[0]->pen.style, core::PenStyle::Dash);
    p.view.bVeiwTP = 0;
    p.Draw();
    EXPECT_TRUE(p.Items(PaintRole::Overlay).empty());
}

struct OddView {
    const char* name;
    int width, height, left, bottom, wQx;
};

// Stored margins larger than the picture, a window at its minimum, an empty plot area: the
// redraw draws what fits and never divides by zero or overflows.
TEST(GraphPlot, AnyStoredViewDrawsWhatFits) {
    const OddView views[] = {
        {"margins wider than the picture", 1064, 394, 2000, 0, 8},
        {"bottom margin taller than the picture", 1064, 394, 75, 1000, 8},
        {"no picture", 0, 0, 75, 25, 8},
        {"zero-height plot area", 1064, 25, 75, 25, 8},
        {"zero-width plot area", 75, 394, 75, 25, 8},
        {"one time division", 1064, 394, 75, 25, 1},
        {"no time division", 1064, 394, 75, 25, 0},
        {"minimum window", 1042, 1, 75, 25, 8},
    };
    for (const OddView& v : views) {
        SCOPED_TRACE(v.name);
        Picture p;
        p.input.width = v.width;
        p.input.height = v.height;
        p.view.LeftMargin = static_cast<std::int16_t>(v.left);
        p.view.BottomMargin = static_cast<std::int16_t>(v.bottom);
        p.view.wQx = static_cast<std::int16_t>(v.wQx);
        p.view.bVeiwTP = 3;
        p.view.NumPoint = 25;
        for (int i = 0; i < 40; ++i)
            p.Add(i, i % 2 ? 1e30f : std::numeric_limits<float>::quiet_NaN());
        p.Draw();
        for (const PaintItem& item : p.list.Items()) {
            if (item.kind == PaintKind::FillRect) {
                EXPECT_LT(item.x1, item.x2);
                EXPECT_LT(item.y1, item.y2);
            }
            for (int c : {item.x1, item.y1, item.x2, item.y2})
                EXPECT_LE(std::abs(c), core::kPaintCoordLimit);
        }
        for (const PaintPoint& pt : p.Curve())
            EXPECT_LE(pt.y, v.height - v.bottom);
    }
}

} // namespace
