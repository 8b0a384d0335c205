// The primitive list: text placement by anchor, dropped empty primitives, reused storage.
#include "core/graph/graph_plot.h"
#include "core/graph/paint_list.h"
#include "tests/core/fixed_text_measure.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using core::PaintItem;
using core::PaintKind;
using core::PaintList;
using core::PaintRole;
using core::TextAnchor;

TEST(PaintList, TextIsPlacedByItsAnchor) {
    const test::FixedTextMeasure measure;
    PaintList list;
    list.Text(PaintRole::AxisName, "m", TextAnchor::TopLeft, 5, 5, 1, 2, measure);
    list.Text(PaintRole::TimeLabel, "125 с", TextAnchor::TopCentre, 100, 374, 1, 2, measure);
    list.Text(PaintRole::ValueLabel, "0,025дБ/м", TextAnchor::MiddleRight, 70, 332, 1, 2, measure);
    const auto items = list.Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(std::vector<int>({items[0].x1, items[0].y1, items[0].x2, items[0].y2}),
              std::vector<int>({5, 5, 12, 20}));
    EXPECT_EQ(items[1].x1, 100 - 35 / 2); // an odd width: halving truncates
    EXPECT_EQ(items[1].y1, 374);
    EXPECT_EQ(items[2].x1, 70 - 63);
    EXPECT_EQ(items[2].y1, 332 - 15 / 2); // an odd height too
    EXPECT_EQ(items[2].x2, 70);
    EXPECT_EQ(list.TextOf(items[2]), "0,025дБ/м");
    EXPECT_EQ(items[2].anchor, TextAnchor::MiddleRight);
    EXPECT_EQ(items[2].ax, 70);
    EXPECT_EQ(items[2].colour, 1u);
    EXPECT_EQ(items[2].background, 2u);
    EXPECT_TRUE(list.PointsOf(items[2]).empty());
}

TEST(PaintList, EmptyRectanglesAndSinglePointPolylinesAreDropped) {
    PaintList list;
    list.FillRect(PaintRole::PlotArea, 0, 75, 0, 75, 300);  // no width
    list.FillRect(PaintRole::PlotArea, 0, 75, 300, 500, 0); // inverted
    list.BeginPolyline(PaintRole::Curve, {});
    list.AddPoint(75, 100);
    list.EndPolyline(); // a move without a line
    list.BeginPolyline(PaintRole::Curve, {});
    list.AddPoint(1, 2);
    list.AddPoint(3, 4);
    list.BeginPolyline(PaintRole::Overlay, {});        // ends the previous one
    list.FillRect(PaintRole::Margin, 7, 0, 0, 10, 10); // drops the empty overlay
    ASSERT_EQ(list.Items().size(), 2u);
    const PaintItem& curve = list.Items()[0];
    EXPECT_EQ(curve.kind, PaintKind::Polyline);
    EXPECT_EQ(
        std::vector<core::PaintPoint>(list.PointsOf(curve).begin(), list.PointsOf(curve).end()),
        (std::vector<core::PaintPoint>{{1, 2}, {3, 4}}));
    EXPECT_EQ(list.Items()[1].kind, PaintKind::FillRect);
    EXPECT_TRUE(list.TextOf(curve).empty());
}

// A picture redrawn with no more points than before reuses the storage of the last redraw.
TEST(PaintList, RedrawReusesItsStorage) {
    const test::FixedTextMeasure measure;
    core::GraphView view;
    view.NumPoint = 3200;
    view.bVeiwTP = 2;
    std::vector<core::MeasurementRecord> records(3201);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].T = static_cast<std::uint16_t>(i);
        records[i].m = 0.0001f * static_cast<float>(i);
    }
    core::GraphInput input;
    input.width = 1072;
    input.height = 469;
    input.records = records;
    core::GraphPlot plot;
    PaintList list;
    plot.Redraw(view, input, measure, list);
    const PaintItem* items = list.Items().data();
    const core::PaintPoint* points = list.PointsOf(list.Items().back()).data();
    const std::size_t count = list.Items().size();
    for (int i = 0; i < 3; ++i)
        plot.Redraw(view, input, measure, list);
    EXPECT_EQ(list.Items().data(), items);
    EXPECT_EQ(list.PointsOf(list.Items().back()).data(), points);
    EXPECT_EQ(list.Items().size(), count);
    EXPECT_EQ(list.PointsOf(list.Items().back()).size(), 3201u);
}

} // namespace
