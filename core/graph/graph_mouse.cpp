// Pan, overlay drag, hover and cursor watch of the graph window.
#include "core/graph/graph_mouse.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace core {
namespace {

constexpr int kHoverRightStrip = 20; ///< pixels at the right edge without the hover cursor
constexpr int kHoverTopStrip = 5;    ///< pixels at the top edge without the hover cursor
/// Pans are held within +-kPanLimit records, far beyond any log, so sums never overflow.
constexpr int kPanLimit = 1 << 28;
constexpr int kMaxLogT = 65'535; ///< a fire start stays on the records' time scale

// trunc(pixels / plotWidth x NumPoint) in extended precision, in that order; a plot without
// width moves nothing. The plot spans NumPoint x wTimeStep seconds, one record per period:
// NumPoint records across whatever the period, so the curve follows the mouse.
int PixelsToRecords(int pixels, const MouseContext& c) {
    const int plotWidth = c.width - c.leftMargin;
    if (plotWidth <= 0)
        return 0;
    const long double records =
        static_cast<long double>(pixels) / plotWidth * static_cast<long double>(c.numPoint);
    if (!(records < kPanLimit))
        return kPanLimit;
    if (!(records > -kPanLimit))
        return -kPanLimit;
    return static_cast<int>(records);
}

} // namespace

bool GraphMouse::InPlot(int x, int y, const MouseContext& c) {
    return x > c.leftMargin && y < c.height - c.bottomMargin;
}

MouseOutcome GraphMouse::Down(int x, int y, bool shift, const MouseContext& c) {
    MouseOutcome out;
    if (!InPlot(x, y, c))
        return out;
    if (shift) {
        if (c.count - 1 < c.numPoint)
            return out;
        bPan = true;
        AnchorPan = x - PanX;
    } else if (c.testBand) {
        bDragStart = true;
        AnchorStart = x;
        StartAtPress = c.fireStartT;
    } else {
        if (c.overlay <= 0)
            return out;
        bDragTP = true;
        AnchorTP = x - ShiftTP;
    }
    out.cursor = ScreenCursor::ClosedHand;
    return out;
}

void GraphMouse::MovePan(int x, const MouseContext& c) {
    const int dx = x - AnchorPan;
    PanDrag = PixelsToRecords(dx, c);
    const std::int64_t left = std::int64_t{c.count} - c.numPoint - PanPoints - PanDrag;
    if (left >= 0)
        PanX = dx;
    PanDrag = PixelsToRecords(PanX, c);
}

MouseOutcome GraphMouse::Move(int x, int y, const MouseContext& c) {
    MouseOutcome out;
    if (bPan) {
        MovePan(x, c);
        out.redraw = true;
        return out;
    }
    if (bDragStart) {
        out.fireStartT = DraggedStart(x, c);
        out.redraw = true;
        return out;
    }
    if (bDragTP) {
        const int shift = x - AnchorTP;
        if (shift >= 0 && shift <= std::numeric_limits<std::int16_t>::max()) {
            ShiftTP = static_cast<std::int16_t>(shift);
            out.redraw = true;
        }
        return out;
    }
    const bool hover = (c.overlay > 0 || c.testBand) && c.unit == 0 && InPlot(x, y, c) &&
                       x < c.width - kHoverRightStrip && y > kHoverTopStrip;
    out.cursor = hover ? ScreenCursor::OpenHand : ScreenCursor::Default;
    out.timerEnabled = hover;
    return out;
}

MouseOutcome GraphMouse::Up() {
    PanPoints = std::clamp(PanPoints + PanDrag, -kPanLimit, kPanLimit);
    PanDrag = 0;
    PanX = 0;
    bPan = false;
    bDragTP = false;
    bDragStart = false;
    MouseOutcome out;
    out.cursor = ScreenCursor::Default;
    return out;
}

void GraphMouse::ResetPan() {
    PanPoints = 0;
    PanDrag = 0;
    PanX = 0;
    bPan = false;
}

bool GraphMouse::KeepWatching(int x, int y, const MouseContext& c) const {
    const bool inside =
        x >= c.leftMargin && x <= c.width && y >= 0 && y <= c.height - c.bottomMargin;
    return inside || bDragTP || bDragStart;
}

double GraphMouse::DraggedStart(int x, const MouseContext& c) const {
    const int plotWidth = c.width - c.leftMargin;
    if (plotWidth <= 0)
        return StartAtPress;
    const long double span = static_cast<long double>(c.numPoint) * c.timeStepSec;
    const long double t =
        StartAtPress + static_cast<long double>(x - AnchorStart) * span / plotWidth;
    const long double tenths =
        std::round(std::clamp(t, 0.0L, static_cast<long double>(kMaxLogT)) * 10);
    return static_cast<double>(tenths / 10);
}

} // namespace core
