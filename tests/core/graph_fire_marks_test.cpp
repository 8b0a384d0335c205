// The fire test on the graph: the band anchored at the fire start, the mark lines and the
// stretches of the curve outside the band, and dragging the band to move the fire start.
#include "core/graph/graph_mouse.h"
#include "core/graph/graph_plot.h"
#include "tests/core/fixed_text_measure.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using core::PaintItem;
using core::PaintPoint;
using core::PaintRole;

constexpr int kW = 1064, kH = 394; // plot from x 75 (989 wide) and y 0 to 369

struct TestPicture {
    core::GraphView view;
    std::vector<core::MeasurementRecord> records;
    std::vector<core::TemplatePoint> templ;
    core::TestMarks marks;
    std::vector<core::BandViolation> violations;
    core::GraphPlot plot;
    core::PaintList list;
    test::FixedTextMeasure measure;
    bool withTest = true;

    explicit TestPicture(int count, float m = 0.01f) {
        for (int t = 0; t < count; ++t) {
            core::MeasurementRecord r;
            r.T = static_cast<std::uint16_t>(t);
            r.m = m;
            r.Ui = 4.9f;
            records.push_back(r);
        }
        marks.fireId = 1;
        view.bVeiwTP = 1; // the graph shows the test's fire
    }
    void Draw() {
        core::GraphTest test;
        test.fire = core::FindTestFire(marks.fireId);
        test.fireStartT = marks.fireStartT;
        test.detectors = marks.detectors;
        test.violations = violations;
        test.gaps = marks.gaps;
        core::GraphInput input;
        input.width = kW;
        input.height = kH;
        input.records = records;
        input.templatePoints = templ;
        input.test = withTest ? &test : nullptr;
        plot.Redraw(view, input, measure, list);
    }
    core::GraphMaps Maps() const { return core::GraphMaps(kW, kH, view, 1, 0.0f, 0.25f); }
    std::vector<const PaintItem*> Items(PaintRole role) const {
        std::vector<const PaintItem*> found;
        for (const PaintItem& item : list.Items())
            if (item.role == role)
                found.push_back(&item);
        return found;
    }
    std::vector<PaintPoint> Points(const PaintItem* item) const {
        const auto span = list.PointsOf(*item);
        return {span.begin(), span.end()};
    }
    std::vector<std::string> Texts(PaintRole role) const {
        std::vector<std::string> texts;
        for (const PaintItem* item : Items(role))
            texts.emplace_back(list.TextOf(*item));
        return texts;
    }
    // Index of the first item of `role` in drawing order, or -1.
    int Order(PaintRole role) const {
        const auto items = list.Items();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].role == role)
                return static_cast<int>(i);
        return -1;
    }
};

TEST(GraphTestBand, IsAnchoredAtTheFireStartInSecondsAndFollowsZoomAndPan) {
    TestPicture p(100);
    p.marks.fireStartT = 50.5;
    p.Draw();
    ASSERT_EQ(p.Items(PaintRole::TestBand).size(), 2u);
    const auto upper = p.Points(p.Items(PaintRole::TestBand)[0]);
    // ТП1's upper corners at 0, 130 and 270 s after the start, 200 s across 989 pixels.
    ASSERT_EQ(upper.size(), 3u); // the last corner lies right of the picture: no extension
    EXPECT_EQ(upper[0], (PaintPoint{75 + static_cast<int>(50.5 * 989 / 200), 295}));
    EXPECT_EQ(upper[1].x, 75 + static_cast<int>(180.5 * 989 / 200));
    EXPECT_EQ(upper[2].y, p.Maps().ValueToY(0.75f));

    p.view.NumPoint = 400; // "Сжать": twice the seconds across
    p.Draw();
    EXPECT_EQ(p.Points(p.Items(PaintRole::TestBand)[0])[0].x,
              75 + static_cast<int>(50.5 * 989 / 400));

    // 300 records, 200 across: the plot starts at 100 s, so the start lies left of the plot.
    TestPicture panned(300);
    panned.marks.fireStartT = 50.5;
    panned.Draw();
    EXPECT_EQ(panned.Points(panned.Items(PaintRole::TestBand)[0])[0].x,
              75 + static_cast<int>((50.5 - 100) * 989 / 200));
}

TEST(GraphTestBand, LimitsRunOnAtTheirLastValueToTheRightEdge) {
    TestPicture p(10);
    p.view.NumPoint = 3200;
    p.marks.fireStartT = 0;
    p.Draw();
    const auto band = p.Items(PaintRole::TestBand);
    ASSERT_EQ(band.size(), 2u);
    for (const PaintItem* limit : band) {
        const auto points = p.Points(limit);
        ASSERT_GE(points.size(), 3u);
        EXPECT_EQ(points.back().x, kW);
        EXPECT_EQ(points.back().y, points[points.size() - 2].y);
    }
    // The lower limit begins at its first corner, 220 s: no bound before it.
    EXPECT_EQ(p.Points(band[1]).front().x, 75 + 220 * 989 / 3200);
}

TEST(GraphTestBand, IsShownOnlyWithTheTestsFireChosen) {
    TestPicture p(100);
    p.marks.fireStartT = 10;
    p.Draw();
    EXPECT_TRUE(p.Items(PaintRole::Overlay).empty()) << "the band replaces the fire's overlay";
    EXPECT_EQ(p.Items(PaintRole::TestBand).size(), 2u);
    EXPECT_LT(p.Order(PaintRole::TestBand), p.Order(PaintRole::Curve));
    // "Убрать ТП": neither the band nor an overlay; the marks stay.
    p.view.bVeiwTP = 0;
    p.Draw();
    EXPECT_TRUE(p.Items(PaintRole::TestBand).empty());
    EXPECT_TRUE(p.Items(PaintRole::Overlay).empty());
    EXPECT_EQ(p.Texts(PaintRole::TestLabel), std::vector<std::string>{"Пуск"});
    // The template alone.
    p.view.bVeiwTP = 10;
    p.templ = {{0, 0.1f}, {50, 0.2f}};
    p.Draw();
    EXPECT_EQ(p.Items(PaintRole::Overlay).size(), 1u);
    EXPECT_TRUE(p.Items(PaintRole::TestBand).empty());
    // Another fire is drawn as chosen, never the test's band in its place.
    p.view.bVeiwTP = 2;
    p.Draw();
    EXPECT_EQ(p.Items(PaintRole::Overlay).size(), 2u);
    EXPECT_TRUE(p.Items(PaintRole::TestBand).empty());
}

TEST(GraphTestBand, WithoutAFireStartTheOverlayIsDrawnAsBefore) {
    TestPicture plain(100);
    plain.view.bVeiwTP = 1;
    plain.withTest = false;
    plain.Draw();
    TestPicture p(100);
    p.view.bVeiwTP = 1;
    p.Draw(); // a fire chosen, no start
    EXPECT_TRUE(p.Items(PaintRole::TestBand).empty());
    ASSERT_EQ(p.list.Items().size(), plain.list.Items().size());
    const auto a = p.Items(PaintRole::Overlay), b = plain.Items(PaintRole::Overlay);
    ASSERT_EQ(a.size(), 2u);
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(p.Points(a[i]), plain.Points(b[i]));
}

TEST(GraphTestBand, OnlyInTheDbScale) {
    TestPicture p(100);
    p.marks.fireStartT = 10;
    p.violations = {{core::BandSide::Upper, 5, 8, 0.3f}};
    p.view.Unit = 1;
    p.Draw();
    EXPECT_TRUE(p.Items(PaintRole::TestBand).empty());
    EXPECT_TRUE(p.Items(PaintRole::Violation).empty());
    EXPECT_EQ(p.Texts(PaintRole::TestLabel), std::vector<std::string>{"Пуск"})
        << "marks in every scale";
}

TEST(GraphTestMarks, LinesAtTheStartAndEachAlarmWithStaggeredLabels) {
    TestPicture p(100);
    p.marks.fireStartT = 20.3;
    p.marks.detectors = {{"И2", 61.5, 0.1f}, {"И1", 40.0, 0.08f}, {"И3", std::nullopt, 0},
                         {"И4", 70.0, 0.1f}, {"И5", 80.0, 0.1f},  {"И6", 90.0, 0.1f}};
    p.Draw();
    // Drawn in list order; the label rows follow the order in time.
    EXPECT_EQ(p.Texts(PaintRole::TestLabel),
              (std::vector<std::string>{"Пуск", "И2", "И1", "И4", "И5", "И6"}));
    const auto lines = p.Items(PaintRole::TestMark);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0]->x1, 75 + static_cast<int>(20.3 * 989 / 200));
    EXPECT_EQ(lines[0]->x2, lines[0]->x1);
    EXPECT_EQ(lines[0]->y1, 0);
    EXPECT_EQ(lines[0]->y2, 369);
    EXPECT_EQ(lines[0]->pen.colour, core::kFireStartColour);
    EXPECT_EQ(lines[1]->x1, 75 + static_cast<int>(61.5 * 989 / 200));
    EXPECT_EQ(lines[2]->x1, 75 + 40 * 989 / 200);
    EXPECT_EQ(lines[1]->pen.colour, core::kAlarmColour);
    const auto labels = p.Items(PaintRole::TestLabel);
    // Each label right of its line; row 0 for the start, the alarms by time 1, 2, 3, 1, 2.
    const int rows[] = {0, 2, 1, 3, 1, 2};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i]->x1, lines[i]->x1 + 3);
        EXPECT_EQ(labels[i]->y1, 3 + rows[i] * test::FixedTextMeasure::kHeight) << i;
    }
}

TEST(GraphTestMarks, MarksOutsideThePlotAreLeftOut) {
    TestPicture p(300); // the plot shows 100 to 300 s
    p.marks.fireStartT = 50;
    p.marks.detectors = {{"И1", 150.0, 0.1f}, {"И2", 301.0, 0.1f}};
    p.Draw();
    EXPECT_EQ(p.Texts(PaintRole::TestLabel), std::vector<std::string>{"И1"});
}

TEST(GraphViolations, RedrawTheCurveOutsideTheBand) {
    TestPicture p(100);
    p.marks.fireStartT = 10;
    p.violations = {{core::BandSide::Upper, 20, 23, 0.2f}, {core::BandSide::Lower, 40, 40, 0.0f}};
    for (int t = 30; t <= 33; ++t)
        p.records[static_cast<std::size_t>(t)].m = 0.2f;
    p.Draw();
    const auto marked = p.Items(PaintRole::Violation);
    ASSERT_EQ(marked.size(), 2u);
    ASSERT_EQ(marked[0]->kind, core::PaintKind::Polyline);
    EXPECT_EQ(marked[0]->pen.width, 3);
    EXPECT_EQ(marked[0]->pen.colour, core::kViolationColour);
    const auto run = p.Points(marked[0]);
    const auto curve = p.Points(p.Items(PaintRole::Curve)[0]);
    EXPECT_EQ(run, std::vector<PaintPoint>(curve.begin() + 30, curve.begin() + 34));
    // One record: a square centred on it.
    ASSERT_EQ(marked[1]->kind, core::PaintKind::FillRect);
    EXPECT_EQ(marked[1]->x1, curve[50].x - 3);
    EXPECT_EQ(marked[1]->x2, curve[50].x + 4);
    EXPECT_EQ(marked[1]->y1, curve[50].y - 3);
    EXPECT_GT(p.Order(PaintRole::Violation), p.Order(PaintRole::Curve));
}

TEST(GraphViolations, AdjacentStretchesStayApartAndOnlyTheVisiblePartIsDrawn) {
    TestPicture p(300); // the plot shows 100 to 300 s
    p.marks.fireStartT = 0;
    p.violations = {{core::BandSide::Upper, 90, 104, 0.2f},
                    {core::BandSide::Lower, 105, 106, 0.0f},
                    {core::BandSide::Upper, 107, 107, 0.2f}};
    p.Draw();
    const auto marked = p.Items(PaintRole::Violation);
    ASSERT_EQ(marked.size(), 3u);
    const auto curve = p.Points(p.Items(PaintRole::Curve)[0]); // records 100 ... 299
    EXPECT_EQ(p.Points(marked[0]), std::vector<PaintPoint>(curve.begin(), curve.begin() + 5));
    EXPECT_EQ(p.Points(marked[1]), std::vector<PaintPoint>(curve.begin() + 5, curve.begin() + 7));
    EXPECT_EQ(marked[2]->kind, core::PaintKind::FillRect);
    EXPECT_EQ(marked[2]->x1, curve[7].x - 3);
}

TEST(GraphLinkGaps, AGreyBandOverTheBreakAndTheCurveIsNotJoinedAcrossIt) {
    TestPicture p(100);
    // No record from 41 to 47 s: the link was broken between the records at 40 and 48 s.
    p.records.erase(p.records.begin() + 41, p.records.begin() + 48);
    p.Draw();
    ASSERT_EQ(p.Items(PaintRole::Curve).size(), 1u) << "without the mark: one line across";
    p.marks.gaps = {{40, 48}};
    p.Draw();
    const auto bands = p.Items(PaintRole::LinkGap);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0]->kind, core::PaintKind::FillRect);
    EXPECT_EQ(bands[0]->colour, core::kLinkGapColour);
    EXPECT_EQ(bands[0]->x1, 75 + 40 * 989 / 200);
    EXPECT_EQ(bands[0]->x2, 75 + 48 * 989 / 200);
    EXPECT_EQ(bands[0]->y1, 0);
    EXPECT_EQ(bands[0]->y2, 369);
    EXPECT_LT(p.Order(PaintRole::LinkGap), p.Order(PaintRole::Curve)) << "behind the curve";
    const auto curves = p.Items(PaintRole::Curve);
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_EQ(p.Points(curves[0]).size(), 41u);
    EXPECT_EQ(p.Points(curves[0]).back().x, bands[0]->x1);
    EXPECT_EQ(p.Points(curves[1]).front().x, bands[0]->x2);
    EXPECT_EQ(p.Points(curves[0]).size() + p.Points(curves[1]).size(), p.records.size());
    // A lone record between two breaks stays visible: a dot, its point twice.
    TestPicture lone(100);
    std::erase_if(lone.records, [](const core::MeasurementRecord& r) {
        return (r.T > 40 && r.T < 60) || (r.T > 60 && r.T < 70);
    });
    lone.marks.gaps = {{40, 60}, {60, 70}};
    lone.Draw();
    const auto pieces = lone.Items(PaintRole::Curve);
    ASSERT_EQ(pieces.size(), 3u);
    const auto dot = lone.Points(pieces[1]);
    ASSERT_EQ(dot.size(), 2u);
    EXPECT_EQ(dot[0], dot[1]);
    EXPECT_EQ(dot[0].x, 75 + 60 * 989 / 200);
    // A break left of the plot draws nothing.
    TestPicture late(300); // the plot shows 100 to 300 s
    late.marks.gaps = {{20, 30}};
    late.Draw();
    EXPECT_TRUE(late.Items(PaintRole::LinkGap).empty());
    EXPECT_EQ(late.Items(PaintRole::Curve).size(), 1u);
}

core::MouseContext BandContext(double fireStartT) {
    core::MouseContext c;
    c.width = kW;
    c.height = kH;
    c.leftMargin = 75;
    c.bottomMargin = 25;
    c.count = 300;
    c.numPoint = 200;
    c.timeStepSec = 1;
    c.testBand = true;
    c.fireStartT = fireStartT;
    return c;
}

TEST(GraphFireStartDrag, MovesTheStartByTheSecondsDraggedAcross) {
    core::GraphMouse m;
    const core::MouseContext c = BandContext(50);
    EXPECT_EQ(m.Down(500, 100, false, c).cursor, core::ScreenCursor::ClosedHand);
    EXPECT_TRUE(m.bDragStart);
    EXPECT_FALSE(m.bDragTP);
    const core::MouseOutcome moved = m.Move(600, 120, c);
    ASSERT_TRUE(moved.fireStartT);
    EXPECT_DOUBLE_EQ(*moved.fireStartT, 70.2); // 100 px of 989 for 200 s: 20,22 s
    EXPECT_TRUE(moved.redraw);
    EXPECT_DOUBLE_EQ(*m.Move(-5000, 100, c).fireStartT, 0) << "never before the log";
    EXPECT_TRUE(m.KeepWatching(5000, 5000, c));
    m.Up();
    EXPECT_FALSE(m.bDragStart);
    EXPECT_EQ(m.ShiftTP, 0);
    EXPECT_FALSE(m.Move(700, 100, c).fireStartT);
}

TEST(GraphFireStartDrag, StopsAtTheEndOfTheTimeScale) {
    core::GraphMouse m;
    core::MouseContext c = BandContext(65'500);
    c.numPoint = 3200;
    m.Down(100, 100, false, c);
    EXPECT_DOUBLE_EQ(*m.Move(1000, 100, c).fireStartT, 65'535);
}

TEST(GraphFireStartDrag, ShiftStillPansAndAMarginPressDoesNothing) {
    core::GraphMouse m;
    m.Down(500, 100, true, BandContext(50));
    EXPECT_TRUE(m.bPan);
    EXPECT_FALSE(m.bDragStart);
    m.Up();
    m.Down(70, 100, false, BandContext(50));
    EXPECT_FALSE(m.bDragStart);
}

TEST(GraphFireStartDrag, TheAnchoredBandShowsTheOpenHand) {
    core::GraphMouse m;
    const core::MouseOutcome hover = m.Move(500, 100, BandContext(50));
    EXPECT_EQ(hover.cursor, core::ScreenCursor::OpenHand);
    EXPECT_EQ(hover.timerEnabled, true);
}

} // namespace
