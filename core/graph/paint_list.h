// A picture as a list of drawing primitives in pixel coordinates: what a redraw of the graph
// produces and what a renderer (the window's off-screen picture, a report page) replays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace core {

/// Line style of a pen.
enum class PenStyle : std::uint8_t {
    Solid,
    Dash, ///< 18 pixels drawn, 6 left out, repeating along the whole polyline
};

/// A pen. Colours are 0x00BBGGRR; a line is `width` pixels thick, centred on its path.
struct PaintPen {
    std::uint32_t colour = 0;
    int width = 1;
    PenStyle style = PenStyle::Solid;
    /// The gaps of a dashed pen are painted in `gapColour` (opaque) rather than left alone.
    bool opaqueGaps = false;
    std::uint32_t gapColour = 0;
    bool operator==(const PaintPen&) const = default;
};

/// How a text is placed on its anchor point (ax, ay). The renderer draws it at the resolved
/// top-left corner (x1, y1); a renderer with other font metrics may place it again from the
/// anchor and its own text size.
enum class TextAnchor : std::uint8_t {
    TopLeft,     ///< top-left corner at the anchor
    TopCentre,   ///< top edge at ay, left edge at ax - width div 2
    MiddleRight, ///< right edge at ax, top edge at ay - height div 2
};

/// What a primitive shows: lets a renderer or a tool tell the parts of the picture apart.
/// Features that add to a picture add their own roles after these.
enum class PaintRole : std::uint8_t {
    Margin,      ///< the whole picture's background
    PlotArea,    ///< the plot area's background
    Grid,        ///< a grid line
    TimeLabel,   ///< a time label below the plot
    AxisName,    ///< the value axis name in the top-left corner
    ValueLabel,  ///< a value label left of the plot
    Overlay,     ///< a test-fire limit or the template
    Curve,       ///< the measured curve
    TestBand,    ///< a limit of the fire test's band, anchored at the fire start
    TestMark,    ///< the line of the fire start or of a detector's alarm
    TestLabel,   ///< the label of such a line
    Violation,   ///< a stretch of the curve outside the test's band
    ReadoutMark, ///< the mark of the record under the cursor or of the reference point
    ReadoutBox,  ///< the readout box's background and border
    ReadoutText, ///< a line of the readout box
    LinkGap,     ///< the band over a break of the link: nothing was measured there
};

enum class PaintKind : std::uint8_t {
    FillRect, ///< x1 <= x < x2, y1 <= y < y2 filled with `colour`
    Line,     ///< from (x1, y1) to (x2, y2), both ends drawn, with `pen`
    Polyline, ///< through the points, in order, with `pen` (two points at least)
    Text,     ///< the text in `colour` on a `background` box of width x height at (x1, y1)
};

struct PaintPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PaintPoint&) const = default;
};

/// Text extent in pixels, as the renderer's font gives it.
struct TextSize {
    int width = 0;
    int height = 0;
};

/// Measures texts in the font the renderer will use. Implemented by the renderer.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    /// Size of the UTF-8 `text` drawn in one line.
    virtual TextSize Measure(std::string_view text) const = 0;
};

/// One primitive. Fields that a kind does not use stay 0.
struct PaintItem {
    PaintKind kind = PaintKind::FillRect;
    PaintRole role = PaintRole::Margin;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    PaintPen pen;                 ///< Line, Polyline
    std::uint32_t colour = 0;     ///< FillRect: fill; Text: the text
    std::uint32_t background = 0; ///< Text: the box behind the text
    TextAnchor anchor = TextAnchor::TopLeft;
    int ax = 0, ay = 0;        ///< Text: anchor point
    int width = 0, height = 0; ///< Text: measured size
    std::size_t first = 0;     ///< Polyline: first point; Text: first byte
    std::size_t count = 0;     ///< Polyline: points; Text: bytes
};

/// The list of primitives, drawn in order. Clearing keeps the storage, so a picture redrawn
/// with no more points and texts than before allocates nothing.
class PaintList {
public:
    void Clear();
    void Reserve(std::size_t items, std::size_t points, std::size_t textBytes);

    /// Adds a filled rectangle; an empty or inverted one adds nothing.
    void FillRect(PaintRole role, std::uint32_t colour, int x1, int y1, int x2, int y2);
    void Line(PaintRole role, const PaintPen& pen, int x1, int y1, int x2, int y2);
    /// Starts a polyline; AddPoint appends to it. EndPolyline drops it again when it has fewer
    /// than two points (a move without a line draws nothing).
    void BeginPolyline(PaintRole role, const PaintPen& pen);
    void AddPoint(int x, int y);
    void EndPolyline();
    /// Adds a text placed by `anchor` on (ax, ay) with its size from `measure`.
    void Text(PaintRole role, std::string_view text, TextAnchor anchor, int ax, int ay,
              std::uint32_t colour, std::uint32_t background, const TextMeasure& measure);

    std::span<const PaintItem> Items() const { return m_items; }
    std::span<const PaintPoint> PointsOf(const PaintItem& item) const;
    std::string_view TextOf(const PaintItem& item) const;

private:
    std::vector<PaintItem> m_items;
    std::vector<PaintPoint> m_points;
    std::vector<char> m_text;
    bool m_open = false; ///< the last item is a polyline still taking points
};

} // namespace core
