// The least move that puts a window wholly on a screen.
#include "core/common/window_placement.h"

#include <climits>
#include <gtest/gtest.h>
#include <vector>

namespace {

using core::PlaceOnScreen;
using core::PlaceRect;

// A laptop screen of 1366 x 768 with a 32-pixel panel at the bottom.
constexpr PlaceRect kLaptop{0, 0, 1366, 736};
// The main window's outer size and its first position.
constexpr int kMainWidth = 466, kMainHeight = 292;

PlaceRect Place(const PlaceRect& window, std::vector<PlaceRect> screens) {
    return PlaceOnScreen(window, screens);
}

TEST(PlaceOnScreen, AWindowAlreadyOnAScreenStaysExactly) {
    const PlaceRect rows[] = {{194, 200, kMainWidth, kMainHeight},
                              {0, 0, kMainWidth, kMainHeight},                  // top left corner
                              {1366 - 466, 736 - 292, kMainWidth, kMainHeight}, // bottom right
                              {0, 0, 1366, 736}};                               // the whole area
    for (const PlaceRect& w : rows)
        EXPECT_EQ(Place(w, {kLaptop}), w) << w.left << "," << w.top;
}

TEST(PlaceOnScreen, TheFirstPositionOnALaptopMovesUpJustEnough) {
    // 194, 656: the status bar with the port selector would lie below the screen's edge.
    EXPECT_EQ(Place({194, 656, kMainWidth, kMainHeight}, {kLaptop}),
              (PlaceRect{194, 736 - 292, kMainWidth, kMainHeight}));
}

TEST(PlaceOnScreen, EachEdgeIsPulledInByTheLeastMove) {
    const struct {
        const char* name;
        PlaceRect window;
        PlaceRect placed;
    } rows[] = {
        {"left", {-100, 300, 549, 358}, {0, 300, 549, 358}},
        {"above", {300, -5000, 549, 358}, {300, 0, 549, 358}},
        {"right", {9000, 300, 549, 358}, {1366 - 549, 300, 549, 358}},
        {"below", {300, 5000, 549, 358}, {300, 736 - 358, 549, 358}},
        {"corner", {1300, 700, 549, 358}, {1366 - 549, 736 - 358, 549, 358}},
        {"one pixel over", {1366 - 548, 0, 549, 358}, {1366 - 549, 0, 549, 358}},
        {"far out", {INT_MIN, INT_MAX, 549, 358}, {0, 736 - 358, 549, 358}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(Place(r.window, {kLaptop}), r.placed) << r.name;
}

TEST(PlaceOnScreen, AWindowLargerThanTheScreenShowsItsTopLeftCorner) {
    // Wider and taller: the corner goes to the screen's corner, whichever side it came from.
    EXPECT_EQ(Place({300, 200, 1600, 900}, {kLaptop}), (PlaceRect{0, 0, 1600, 900}));
    EXPECT_EQ(Place({-300, -200, 1600, 900}, {kLaptop}), (PlaceRect{0, 0, 1600, 900}));
    // Taller only: it keeps its column where that fits, its top goes to the screen's top.
    EXPECT_EQ(Place({1000, 50, 549, 800}, {kLaptop}), (PlaceRect{1366 - 549, 0, 549, 800}));
    EXPECT_EQ(Place({100, 50, 549, 800}, {kLaptop}), (PlaceRect{100, 0, 549, 800}));
    // Exactly the screen's size fits.
    EXPECT_EQ(Place({5, 5, 1366, 736}, {kLaptop}), (PlaceRect{0, 0, 1366, 736}));
}

TEST(PlaceOnScreen, TwoScreensTheNearerOneTakesTheWindow) {
    // The laptop on the left, a 1920 x 1080 monitor on its right, tops aligned.
    const std::vector<PlaceRect> screens{kLaptop, {1366, 0, 1920, 1080}};
    // Wholly on the second screen, also where the first has no room: stays.
    EXPECT_EQ(Place({2000, 900, 549, 100}, screens), (PlaceRect{2000, 900, 549, 100}));
    // Across the border: the short move onto the monitor rather than the long one back.
    EXPECT_EQ(Place({1300, 100, 549, 358}, screens), (PlaceRect{1366, 100, 549, 358}));
    EXPECT_EQ(Place({1000, 100, 549, 358}, screens), (PlaceRect{1366 - 549, 100, 549, 358}));
    // Below the laptop but beside the monitor's lower part: onto the monitor.
    EXPECT_EQ(Place({1200, 800, 549, 200}, screens), (PlaceRect{1366, 800, 549, 200}));
    // Beyond the monitor's right edge: back onto it.
    EXPECT_EQ(Place({4000, 100, 549, 358}, screens), (PlaceRect{3286 - 549, 100, 549, 358}));
    // Left of the laptop: onto the laptop.
    EXPECT_EQ(Place({-2000, 100, 549, 358}, screens), (PlaceRect{0, 100, 549, 358}));
    // Too tall for the laptop, not for the monitor: on the monitor in full.
    EXPECT_EQ(Place({1100, 100, 549, 900}, screens), (PlaceRect{1366, 100, 549, 900}));
}

TEST(PlaceOnScreen, OfEquallyNearScreensTheFirstWins) {
    // Two screens of one size side by side, the window centred on their border.
    const std::vector<PlaceRect> screens{{0, 0, 1000, 700}, {1000, 0, 1000, 700}};
    EXPECT_EQ(Place({900, 100, 200, 100}, screens), (PlaceRect{800, 100, 200, 100}));
    const std::vector<PlaceRect> swapped{screens[1], screens[0]};
    EXPECT_EQ(Place({900, 100, 200, 100}, swapped), (PlaceRect{1000, 100, 200, 100}));
}

TEST(PlaceOnScreen, AScreenAboveAndLeftOfTheOrigin) {
    // A second screen placed to the upper left has negative coordinates.
    const std::vector<PlaceRect> screens{{0, 0, 1366, 736}, {-1280, -1024, 1280, 1024}};
    EXPECT_EQ(Place({-300, -300, 200, 100}, screens), (PlaceRect{-300, -300, 200, 100}));
    EXPECT_EQ(Place({-1400, -1100, 200, 100}, screens), (PlaceRect{-1280, -1024, 200, 100}));
}

TEST(PlaceOnScreen, WithoutScreensNothingMoves) {
    const PlaceRect w{194, 656, kMainWidth, kMainHeight};
    EXPECT_EQ(Place(w, {}), w);
    EXPECT_EQ(Place(w, {{0, 0, 0, 0}}), w);
}

} // namespace
