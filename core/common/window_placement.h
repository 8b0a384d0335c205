// Where a window goes so that the whole of it can be seen: its stored or initial position,
// moved as little as needed to lie on one of the screens.
#pragma once

#include <span>

namespace core {

/// A rectangle in desktop pixels: left and top edge, width and height. For a window, the
/// outer rectangle (frame and title bar included); for a screen, its available area (without
/// panels and task bars).
struct PlaceRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PlaceRect&) const = default;
};

/// True when `inner` lies wholly inside `outer`.
bool Contains(const PlaceRect& outer, const PlaceRect& inner);

/// Where `window` goes among `screens`:
/// - lying wholly inside one screen, it stays exactly where it is;
/// - otherwise it moves by the least distance that puts it wholly inside one screen; of
///   several screens the one needing the shortest move wins, the first of equals (list the
///   primary screen first);
/// - along an axis on which the window is larger than a screen, its left (top) edge goes to
///   that screen's left (top) edge: its top left corner, where the title bar is, lies on the
///   screen and as much of it as fits is shown.
/// The size never changes. Without screens (or only empty ones) nothing moves.
PlaceRect PlaceOnScreen(const PlaceRect& window, std::span<const PlaceRect> screens);

} // namespace core
