// Zoom limits, each scale's own row, and the overlay choice rules of the graph window.
#include "core/graph/graph_controls.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using core::GraphView;
using core::OverlayChoice;
using core::ZoomStep;

TEST(GraphZoom, TimeExpandReachesTwentyFiveInThreeClicks) {
    GraphView v; // 200 across, wQx 8
    std::vector<int> numPoints, divisions;
    ZoomStep last;
    for (int i = 0; i < 3; ++i) {
        last = core::ExpandTime(v);
        EXPECT_TRUE(last.redraw);
        EXPECT_EQ(last.contractEnabled, true);
        numPoints.push_back(v.NumPoint);
        divisions.push_back(v.wQx);
    }
    EXPECT_EQ(numPoints, (std::vector<int>{100, 50, 25}));
    EXPECT_EQ(divisions, (std::vector<int>{10, 10, 10}));
    EXPECT_EQ(last.expandEnabled, false); // the third click disables "Растянуть"
    // A fourth click changes nothing and does not redraw.
    EXPECT_EQ(core::ExpandTime(v), (ZoomStep{false, std::nullopt, false}));
    EXPECT_EQ(v.NumPoint, 25);
}

TEST(GraphZoom, TimeContractReachesThirtyTwoHundredInFourClicks) {
    GraphView v;
    v.NumPoint = 50;
    v.wQx = 10;
    EXPECT_EQ(core::ContractTime(v), (ZoomStep{true, std::nullopt, true}));
    EXPECT_EQ(v.NumPoint, 100);
    EXPECT_EQ(v.wQx, 10); // up to 100 records across: 10 divisions
    core::ContractTime(v);
    EXPECT_EQ(v.wQx, 8);
    v.NumPoint = 200;
    std::vector<int> numPoints;
    ZoomStep last;
    for (int i = 0; i < 4; ++i) {
        last = core::ContractTime(v);
        numPoints.push_back(v.NumPoint);
    }
    EXPECT_EQ(numPoints, (std::vector<int>{400, 800, 1600, 3200}));
    EXPECT_EQ(last, (ZoomStep{true, false, true}));
    EXPECT_EQ(v.wQx, 8);
    EXPECT_EQ(core::ContractTime(v), (ZoomStep{std::nullopt, false, false}));
    EXPECT_EQ(v.NumPoint, 3200);
}

TEST(GraphZoom, StoredNumPointOffTheLadderStillStopsAtTheLimits) {
    GraphView v;
    v.NumPoint = 30;
    core::ExpandTime(v);
    EXPECT_EQ(v.NumPoint, 15);
    EXPECT_EQ(core::ExpandTime(v), (ZoomStep{std::nullopt, std::nullopt, false}));
    v.NumPoint = 3000;
    core::ContractTime(v);
    EXPECT_EQ(v.NumPoint, 6000); // doubled once from below the limit, then no further
    EXPECT_EQ(core::ContractTime(v), (ZoomStep{std::nullopt, std::nullopt, false}));
}

TEST(GraphZoom, ValueZoomWalksTheRowsAndStopsAtBothEnds) {
    GraphView v; // dB/m row 2
    EXPECT_EQ(core::ExpandValue(v), (ZoomStep{std::nullopt, true, true}));
    EXPECT_EQ(v.NScaleDB, 1);
    EXPECT_EQ(core::ExpandValue(v), (ZoomStep{false, true, true}));
    EXPECT_EQ(v.NScaleDB, 0);
    EXPECT_EQ(core::ExpandValue(v), (ZoomStep{false, std::nullopt, true})); // still redraws
    EXPECT_EQ(v.NScaleDB, 0);
    for (int i = 0; i < 8; ++i)
        core::ContractValue(v);
    EXPECT_EQ(v.NScaleDB, 8);
    EXPECT_EQ(core::ContractValue(v), (ZoomStep{true, false, true}));
    EXPECT_EQ(v.NScaleDB, 9);
    EXPECT_EQ(core::ContractValue(v), (ZoomStep{std::nullopt, false, true}));
    EXPECT_EQ(v.NScaleDB, 9);
}

TEST(GraphZoom, EachScaleKeepsItsOwnRow) {
    GraphView v;
    core::ExpandValue(v); // dB/m 2 -> 1
    EXPECT_EQ(core::SelectScale(v, 1), (core::ScaleChoice{true, true}));
    EXPECT_EQ(v.NScalePER, 3);
    core::ContractValue(v); // percent 3 -> 4, its last row
    EXPECT_EQ(v.NScalePER, 4);
    EXPECT_EQ(core::SelectScale(v, 2), (core::ScaleChoice{true, false})); // volts row 2
    core::ExpandValue(v);
    core::ExpandValue(v);
    EXPECT_EQ(v.NScaleV, 0);
    EXPECT_EQ(core::SelectScale(v, 0), (core::ScaleChoice{true, true}));
    EXPECT_EQ(v.NScaleDB, 1);
    EXPECT_EQ(v.Unit, 0);
    EXPECT_EQ(core::SelectScale(v, 1), (core::ScaleChoice{true, false}));
    EXPECT_EQ(core::SelectScale(v, 2), (core::ScaleChoice{false, true}));
}

TEST(GraphZoom, UnitWithoutTableOnlyRedraws) {
    GraphView v;
    v.Unit = 255;
    EXPECT_EQ(core::ScaleRowIndex(v), nullptr);
    EXPECT_EQ(core::ExpandValue(v), (ZoomStep{std::nullopt, std::nullopt, true}));
    EXPECT_EQ(core::ContractValue(v), (ZoomStep{std::nullopt, std::nullopt, true}));
    EXPECT_EQ(v.NScaleDB, 2);
    EXPECT_EQ(v.NScalePER, 3);
    EXPECT_EQ(v.NScaleV, 2);
}

struct OverlayCase {
    const char* name;
    bool button; // a speed button (else a menu item)
    int tag;
    bool down; // the button's position after the click
    OverlayChoice expected;
};

TEST(GraphOverlay, MenuItemsAndSpeedButtons) {
    const OverlayCase cases[] = {
        {"menu ТП1", false, 1, false, {1, 1, 1}},
        {"menu ТП5Б", false, 12, false, {12, 12, 12}},
        {"menu template", false, 10, false, {10, 10, 10}},
        {"menu Убрать ТП", false, 0, false, {0, 0, 0}},
        {"button pressed ТП2А", true, 6, true, {6, 6, 6}},
        {"button pressed template", true, 10, true, {10, 10, 10}},
        {"button released", true, 6, false, {0, 0, 0}},
        {"template button released", true, 10, false, {0, 0, 0}},
    };
    for (const OverlayCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.button ? core::OverlayButtonClicked(c.tag, c.down) : core::ChooseOverlay(c.tag),
                  c.expected);
    }
}

} // namespace
