// The graph window's mouse rules: panning back through the log with Shift held, dragging the
// overlay along the time axis, the hover cursor and the cursor watch.
#pragma once

#include <cstdint>
#include <optional>

namespace core {

/// The application's screen cursor: the default arrow, the open hand (a drag is possible
/// here) or the closed hand (a drag is in progress).
enum class ScreenCursor : std::uint8_t { Default, OpenHand, ClosedHand };

/// What the mouse rules read of the window: the picture, the margins, the log and the view.
struct MouseContext {
    int width = 0;        ///< picture width W
    int height = 0;       ///< picture height H
    int leftMargin = 0;   ///< LeftMargin
    int bottomMargin = 0; ///< BottomMargin
    int count = 0;        ///< records in the log, n
    int numPoint = 1;     ///< NumPoint
    int timeStepSec = 1;  ///< wTimeStep
    int overlay = 0;      ///< bVeiwTP
    int unit = 0;         ///< Unit
    /// The fire test's band is drawn anchored at its fire start (the overlay is the test's
    /// fire, its start is set, the dB/m scale): a plain drag then moves the fire start instead
    /// of the overlay. With the template or no overlay chosen it is false.
    bool testBand = false;
    double fireStartT = 0; ///< the fire start, log seconds (with testBand)
};

/// What a mouse event asks of the window; nullopt leaves a thing as it is.
struct MouseOutcome {
    std::optional<ScreenCursor> cursor;
    std::optional<bool> timerEnabled; ///< the 500 ms cursor timer
    bool redraw = false;
    std::optional<double> fireStartT{}; ///< the fire start dragged to, log seconds to 0,1 s
    bool operator==(const MouseOutcome&) const = default;
};

/// The drag state of the graph window. X and Y are picture pixels. A pan moves the view by
/// whole records: dragging right by the plot width moves it back by NumPoint records (the
/// records across the plot at any recording period, so the curve follows the mouse), and the
/// view stops when the oldest record reaches the left edge. The overlay
/// shift never becomes negative. Neither is stored in the settings file.
class GraphMouse {
public:
    int PanPoints = 0; ///< committed pan, records back from the newest
    int PanDrag = 0;   ///< pan of the drag in progress, records
    int PanX = 0;      ///< pixels of the pan drag in progress
    int AnchorPan = 0; ///< mouse X minus PanX when the pan began
    bool bPan = false;
    std::int16_t ShiftTP = 0; ///< overlay shift, pixels, >= 0 after any drag
    int AnchorTP = 0;         ///< mouse X minus ShiftTP when the overlay drag began
    bool bDragTP = false;
    bool bDragStart = false; ///< the test's anchored band is being dragged
    int AnchorStart = 0;     ///< mouse X when that drag began
    double StartAtPress = 0; ///< the fire start when that drag began, log seconds

    /// The pan a redraw applies: PanPoints + PanDrag.
    int Pan() const { return PanPoints + PanDrag; }

    /// A press (any button). With Shift: a pan starts when there are more records than fit
    /// (n - 1 >= NumPoint) and the press is inside the plot area (X > LeftMargin,
    /// Y < H - BottomMargin). Without Shift: with the test's band anchored, a drag of the fire
    /// start begins; otherwise an overlay drag starts when an overlay is chosen (whatever the
    /// scale). Either only inside the plot area.
    MouseOutcome Down(int x, int y, bool shift, const MouseContext& c);
    /// A move: continues the drag in progress, or applies the hover rule (open hand and the
    /// cursor timer inside the plot area less a 20-pixel strip at the right and a 5-pixel one
    /// at the top, with an overlay chosen or the test's band anchored, in the dB/m scale; else
    /// the default cursor). Dragging the fire start moves it by the seconds the mouse moved
    /// across the time axis, to 0,1 s, never below 0 s or past 65 535 s.
    MouseOutcome Move(int x, int y, const MouseContext& c);
    /// A release: commits the pan, ends both drags, the default cursor.
    MouseOutcome Up();
    /// Another log took the place of the one panned through: the view goes back to its
    /// newest records and a pan in progress ends (the overlay keeps its shift).
    void ResetPan();
    /// The cursor timer's tick with the mouse at (x, y) in picture pixels (possibly outside
    /// the picture): true keeps the timer running (the mouse is inside the plot area,
    /// LeftMargin <= x <= W and 0 <= y <= H - BottomMargin, or an overlay or fire-start drag
    /// is in progress); false means the default cursor is due and the timer stops.
    bool KeepWatching(int x, int y, const MouseContext& c) const;

private:
    static bool InPlot(int x, int y, const MouseContext& c);
    void MovePan(int x, const MouseContext& c);
    double DraggedStart(int x, const MouseContext& c) const;
};

} // namespace core
