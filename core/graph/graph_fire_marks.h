// What the graph draws of a fire test: the band of the test's fire anchored at the fire start,
// vertical lines at the fire start and at each alarm, and the stretches of the curve that left
// the band.
#pragma once

#include "core/fire/fire_band.h"
#include "core/fire/fire_marks.h"
#include "core/fire/fire_test.h"
#include "core/graph/paint_list.h"
#include "core/log/record_log.h"

#include <cstdint>
#include <optional>
#include <span>

namespace core {

class GraphMaps;
struct GraphView;
struct RecordRange;

/// Colours of the test's drawing (0x00BBGGRR).
inline constexpr std::uint32_t kFireStartColour = 0x0080FF; ///< orange line "Пуск"
inline constexpr std::uint32_t kAlarmColour = 0xFFFF00;     ///< cyan alarm lines
inline constexpr std::uint32_t kViolationColour = 0x0000FF; ///< red: the curve outside the band
inline constexpr std::uint32_t kLinkGapColour = 0xC0C0C0;   ///< grey: a break of the link

/// The label of the fire start line.
inline constexpr std::string_view kFireStartLabel = "Пуск";

/// The fire test as the graph reads it. Times are log seconds (the records' T scale).
struct GraphTest {
    const TestFireEnvelope* fire = nullptr;    ///< the test's fire; nullptr: none chosen
    std::optional<double> fireStartT;          ///< the fire start, if marked
    std::span<const DetectorMark> detectors;   ///< alarms are drawn for those that alarmed
    std::span<const BandViolation> violations; ///< seconds from the fire start
    std::span<const LinkGap> gaps;             ///< breaks of the link, log seconds
    /// The band can be anchored at the fire start: a fire is chosen and its start is set.
    bool HasBand() const { return fire != nullptr && fireStartT.has_value(); }
    /// The band is drawn anchored at the fire start (in the dB/m scale) with the graph's
    /// overlay choice `overlay` (bVeiwTP): the overlay is the test's fire. "Убрать ТП" and
    /// the template hide it; the test keeps its fire.
    bool BandShown(int overlay) const { return HasBand() && fire->id == overlay; }
};

/// What the graph draws of `test` after its latest Update: its fire, start, alarms, the
/// violations of its verdict and the breaks of the link. The spans point into `test`, valid until
/// it changes.
GraphTest GraphTestOf(const FireTest& test);

/// The band of the test's fire with its time zero at the fire start, `t0` being the log time
/// at the plot's left edge: the upper and then the lower limit, each through its corners and
/// on at its last value to the picture's right edge, in the overlay's pen. It follows zoom
/// and pan as the curve does. Draws nothing without HasBand().
void DrawTestBand(PaintList& out, const GraphMaps& maps, const GraphTest& test, std::int64_t t0,
                  int width, std::uint32_t gapColour);

/// A vertical line over the plot's height at the fire start ("Пуск") and at each alarm (the
/// detector's name), each labelled at its top right; labels step down a row for each later
/// mark (four rows) so that close marks stay readable. Marks outside the plot draw nothing.
void DrawTestMarks(PaintList& out, const GraphMaps& maps, const GraphTest& test, std::int64_t t0,
                   const GraphView& view, int width, const TextMeasure& measure);

/// A grey band over the plot's height from the record before each break of the link to the
/// one after it, cut to the plot; breaks outside it draw nothing. The curve is not joined
/// across a break (GraphPlot::Redraw).
void DrawLinkGaps(PaintList& out, const GraphMaps& maps, const GraphTest& test, std::int64_t t0,
                  int leftMargin, int width);

/// Over the curve of the records `range` (the chosen records, those of the log only), each
/// stretch of records that lies in a violation's interval is drawn again in kViolationColour,
/// as wide as the curve; a stretch of one record as a 7 x 7 square on it.
void DrawViolations(PaintList& out, const GraphMaps& maps, const GraphTest& test,
                    std::span<const MeasurementRecord> records, const RecordRange& range,
                    std::int64_t t0, int curveWidth);

} // namespace core
