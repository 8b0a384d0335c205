// Pan and overlay drag, hover cursor and cursor watch of the graph window.
#include "core/graph/graph_mouse.h"
#include "core/graph/graph_plot.h"

#include <gtest/gtest.h>

namespace {

using core::GraphMouse;
using core::MouseContext;
using core::MouseOutcome;
using core::ScreenCursor;

// The default picture 1064 x 394 with margins 75 and 25: plot area x > 75, y < 369.
MouseContext Context(int count = 0, int overlay = 0, int unit = 0) {
    MouseContext c;
    c.width = 1064;
    c.height = 394;
    c.leftMargin = 75;
    c.bottomMargin = 25;
    c.count = count;
    c.numPoint = 200;
    c.timeStepSec = 1;
    c.overlay = overlay;
    c.unit = unit;
    return c;
}

TEST(GraphPan, StartsOnlyWhenRecordsDoNotFit) {
    GraphMouse m;
    EXPECT_EQ(m.Down(500, 100, true, Context(200)), MouseOutcome{}); // n - 1 < NumPoint
    EXPECT_FALSE(m.bPan);
    const MouseOutcome started = m.Down(500, 100, true, Context(201));
    EXPECT_TRUE(m.bPan);
    EXPECT_EQ(started.cursor, ScreenCursor::ClosedHand);
    EXPECT_EQ(m.AnchorPan, 500);
    EXPECT_FALSE(m.bDragTP); // Shift never drags the overlay
}

TEST(GraphPan, PressInAMarginStartsNoDrag) {
    for (const auto& [x, y] :
         {std::pair{75, 100}, std::pair{10, 100}, std::pair{500, 369}, std::pair{500, 390}}) {
        SCOPED_TRACE(testing::Message() << x << "," << y);
        GraphMouse m;
        m.Down(x, y, true, Context(1000, 1));
        m.Down(x, y, false, Context(1000, 1));
        EXPECT_FALSE(m.bPan);
        EXPECT_FALSE(m.bDragTP);
    }
    GraphMouse m;
    m.Down(76, 368, false, Context(1000, 1)); // just inside
    EXPECT_TRUE(m.bDragTP);
}

TEST(GraphPan, DraggingRightShowsOlderRecordsAndStopsAtTheOldest) {
    GraphMouse m;
    const MouseContext c = Context(300); // 100 records more than fit
    m.Down(100, 100, true, c);
    EXPECT_EQ(m.Move(199, 100, c), (MouseOutcome{std::nullopt, std::nullopt, true}));
    EXPECT_EQ(m.PanX, 99);
    EXPECT_EQ(m.PanDrag, 20); // 99 / 989 x 200 = 20.02
    for (int x = 200; x <= 1000; x += 10) {
        m.Move(x, 100, c);
        ASSERT_LE(m.Pan(), 300 - 200);
    }
    // 490 pixels were the last move inside the log (99 records); further moves keep it.
    EXPECT_EQ(m.PanX, 490);
    EXPECT_EQ(m.PanDrag, 99);
    EXPECT_EQ(core::ChooseRecords(300, 200, m.Pan()).first, 1);
    m.Up();
    EXPECT_FALSE(m.bPan);
    EXPECT_EQ(m.PanPoints, 99); // the release keeps the view
    EXPECT_EQ(m.PanDrag, 0);
    EXPECT_EQ(m.PanX, 0);
    // A second drag continues from the committed pan: further right changes nothing.
    m.Down(100, 100, true, c);
    m.Move(400, 100, c);
    EXPECT_EQ(m.PanX, 0);
    EXPECT_EQ(m.Pan(), 99);
    // Back to the left undoes it.
    m.Move(0, 100, c);
    EXPECT_EQ(m.Pan(), 99 - 20);
}

TEST(GraphPan, DraggingLeftIsNotLimitedAtTheNewEnd) {
    GraphMouse m;
    const MouseContext c = Context(1000);
    m.Down(900, 100, true, c);
    m.Move(100, 100, c);
    EXPECT_EQ(m.PanX, -800);
    EXPECT_EQ(m.PanDrag, -161); // -800 / 989 x 200 = -161.77, towards zero
    m.Up();
    EXPECT_EQ(m.PanPoints, -161);
}

TEST(GraphPan, TheCurveFollowsTheMouseAtEveryPeriod) {
    // One record per period: 200 records across the plot whatever the period, so 99 pixels
    // are 99 / 989 x 200 = 20.02 records, and the curve moves by the pixels dragged.
    for (const int period : {1, 2, 5, 30}) {
        SCOPED_TRACE(period);
        GraphMouse m;
        MouseContext c = Context(2000);
        c.timeStepSec = period;
        m.Down(100, 100, true, c);
        m.Move(199, 100, c);
        EXPECT_EQ(m.PanDrag, 20);
        m.Move(100 + 989, 100, c); // the full width: the 200 records shown
        EXPECT_EQ(m.PanDrag, 200);
        // The newest record, drawn at the right edge before the drag, lies a plot width on.
        core::GraphView view;
        const core::GraphMaps maps(1064, 394, view, period, 0.0f, 0.25f);
        const core::RecordRange before = core::ChooseRecords(2000, 200, 0);
        const core::RecordRange after = core::ChooseRecords(2000, 200, m.Pan());
        const std::int64_t moved = (before.first - after.first) * std::int64_t{period};
        EXPECT_EQ(maps.TimeToX(moved) - 75, 989);
    }
}

TEST(GraphPan, PlotWithoutWidthMovesNothing) {
    GraphMouse m;
    MouseContext c = Context(1000);
    c.width = 80;
    m.Down(78, 100, true, c);
    ASSERT_TRUE(m.bPan);
    c.width = 75; // the window shrank during the drag
    m.Move(500, 100, c);
    EXPECT_EQ(m.PanDrag, 0);
}

TEST(GraphOverlayDrag, ShiftFollowsTheMouseAndNeverGoesNegative) {
    GraphMouse m;
    EXPECT_EQ(m.Down(300, 100, false, Context(0, 0)), MouseOutcome{}); // no overlay chosen
    EXPECT_FALSE(m.bDragTP);
    const MouseContext c = Context(0, 2);
    EXPECT_EQ(m.Down(300, 100, false, c).cursor, ScreenCursor::ClosedHand);
    EXPECT_EQ(m.AnchorTP, 300);
    EXPECT_TRUE(m.Move(350, 100, c).redraw);
    EXPECT_EQ(m.ShiftTP, 50);
    EXPECT_FALSE(m.Move(299, 100, c).redraw); // would be -1: nothing changes
    EXPECT_EQ(m.ShiftTP, 50);
    m.Move(300, 100, c);
    EXPECT_EQ(m.ShiftTP, 0);
    EXPECT_EQ(m.Up().cursor, ScreenCursor::Default);
    EXPECT_FALSE(m.bDragTP);
    // The next drag starts from the current shift.
    m.Move(500, 100, c);
    m.ShiftTP = 120;
    m.Down(400, 50, false, c);
    EXPECT_EQ(m.AnchorTP, 280);
    m.Move(100, 50, c);
    EXPECT_EQ(m.ShiftTP, 120);
}

TEST(GraphOverlayDrag, WorksInEveryScaleButHoverOnlyInDb) {
    GraphMouse m;
    const MouseContext percent = Context(0, 4, 1);
    EXPECT_EQ(m.Move(500, 100, percent),
              (MouseOutcome{ScreenCursor::Default, false, false})); // no hover cursor
    m.Down(500, 100, false, percent);
    m.Move(530, 100, percent);
    EXPECT_EQ(m.ShiftTP, 30);
}

struct HoverCase {
    const char* name;
    int x, y, overlay, unit;
    bool hand;
};

TEST(GraphHover, OpenHandInsideThePlotWithAnOverlay) {
    const HoverCase cases[] = {
        {"inside", 500, 100, 1, 0, true},        {"template", 500, 100, 10, 0, true},
        {"no overlay", 500, 100, 0, 0, false},   {"percent", 500, 100, 1, 1, false},
        {"left margin", 75, 100, 1, 0, false},   {"bottom margin", 500, 369, 1, 0, false},
        {"right strip", 1044, 100, 1, 0, false}, {"left of the right strip", 1043, 100, 1, 0, true},
        {"top strip", 500, 5, 1, 0, false},      {"below the top strip", 500, 6, 1, 0, true},
    };
    for (const HoverCase& c : cases) {
        SCOPED_TRACE(c.name);
        GraphMouse m;
        const MouseOutcome out = m.Move(c.x, c.y, Context(0, c.overlay, c.unit));
        EXPECT_EQ(out.cursor, c.hand ? ScreenCursor::OpenHand : ScreenCursor::Default);
        EXPECT_EQ(out.timerEnabled, c.hand);
        EXPECT_FALSE(out.redraw);
    }
}

TEST(GraphHover, CursorWatchIncludesItsBounds) {
    GraphMouse m;
    const MouseContext c = Context(0, 1);
    EXPECT_TRUE(m.KeepWatching(75, 0, c));
    EXPECT_TRUE(m.KeepWatching(1064, 369, c));
    EXPECT_FALSE(m.KeepWatching(74, 100, c));
    EXPECT_FALSE(m.KeepWatching(1065, 100, c));
    EXPECT_FALSE(m.KeepWatching(500, -1, c)); // over the toolbar or the title bar
    EXPECT_FALSE(m.KeepWatching(500, 370, c));
    m.Down(500, 100, false, c);
    EXPECT_TRUE(m.KeepWatching(-300, -300, c)); // an overlay drag keeps the timer alive
}

} // namespace
