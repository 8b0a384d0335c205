// The least move that puts a window on a screen.
#include "core/common/window_placement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace core {
namespace {

// One axis: the window's edge `pos` of extent `size` within [start, start + length).
int Clamp(int pos, int size, int start, int length) {
    if (size >= length)
        return start;
    return std::clamp(pos, start, start + length - size);
}

} // namespace

bool Contains(const PlaceRect& outer, const PlaceRect& inner) {
    // 64-bit sums: coordinates read from a settings file may lie anywhere in the int range.
    const auto right = [](const PlaceRect& r) { return std::int64_t{r.left} + r.width; };
    const auto bottom = [](const PlaceRect& r) { return std::int64_t{r.top} + r.height; };
    return inner.left >= outer.left && inner.top >= outer.top && right(inner) <= right(outer) &&
           bottom(inner) <= bottom(outer);
}

PlaceRect PlaceOnScreen(const PlaceRect& window, std::span<const PlaceRect> screens) {
    PlaceRect best = window;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const PlaceRect& screen : screens) {
        if (screen.width <= 0 || screen.height <= 0)
            continue;
        if (Contains(screen, window))
            return window;
        PlaceRect placed = window;
        placed.left = Clamp(window.left, window.width, screen.left, screen.width);
        placed.top = Clamp(window.top, window.height, screen.top, screen.height);
        // In double: a move may span the whole int range, and its square far more.
        const double dx = static_cast<double>(placed.left) - window.left;
        const double dy = static_cast<double>(placed.top) - window.top;
        const double distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = placed;
        }
    }
    return best;
}

} // namespace core
