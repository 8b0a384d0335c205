// The graph's readout: the record under the mouse, its values, the difference from a reference
// point the user clicked, and the box beside the cursor that shows them.
#pragma once

#include "core/graph/graph_fire_marks.h"
#include "core/graph/graph_plot.h"
#include "core/graph/paint_list.h"
#include "core/log/record_log.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace core {

/// The record nearest in time to log time `t` among those a redraw drew: records range.first
/// to range.last that the log holds, whose T lies from `t0` to t0 + `spanSec` (the plot's
/// left and right edges). The records need not be evenly spaced: across a gap in T the
/// nearer side wins; of two equally near the older. nullopt when no record is drawn.
std::optional<int> NearestRecord(std::span<const MeasurementRecord> records,
                                 const RecordRange& range, std::int64_t t0, std::int64_t spanSec,
                                 double t);

/// One record as the readout tells it.
struct ReadoutPoint {
    int record = 0;        ///< index in the log
    std::int64_t tSec = 0; ///< T, seconds since the log's start
    double clock = 0;      ///< the record's date-time
    float value = 0;       ///< the plotted value in the graph's unit
};

/// Everything the box says about the record under the cursor.
struct Readout {
    ReadoutPoint at;
    int unit = 0;
    std::optional<double> fireSec; ///< seconds from the fire start, with a fire start set
    /// The band's limits at fireSec (dB/m), while the band is drawn and the fire has started;
    /// the fire's name ("ТП4") goes with them. No lower limit before its first corner.
    std::string_view fireName;
    std::optional<float> upper;
    std::optional<float> lower;
    bool hasLowerLimit = false;
    std::optional<ReadoutPoint> reference; ///< the reference point, when one is set
    /// Δt and Δ(value): the record under the cursor less the reference point.
    std::int64_t DeltaSec() const { return reference ? at.tSec - reference->tSec : 0; }
    float DeltaValue() const { return reference ? at.value - reference->value : 0.0f; }
};

/// The readout of `record` (a valid index) in `unit`, with the fire test `test` (may be null)
/// as the graph draws it with overlay `overlay` (bVeiwTP), and the reference point `reference`
/// (ignored when outside the log).
Readout ReadRecord(std::span<const MeasurementRecord> records, int record, int unit,
                   const GraphTest* test, int overlay, std::optional<int> reference);

/// The box's lines, UTF-8, e.g. "T=125 с (02:05)", "Время 12:34:56", "m=0,123 дБ/м",
/// "От пуска 65,0 с", "ТП4: верх 0,150 дБ/м", "ТП4: низ 0,020 дБ/м", "Δt=+30 с (00:30)",
/// "Δm=+0,100 дБ/м". Values have the readout label's 3 decimals.
std::vector<std::string> ReadoutLines(const Readout& readout);

/// "мм:сс" of whole seconds (minutes go past 59), with a leading minus when negative.
std::string MinutesSeconds(std::int64_t seconds);

/// What the readout is drawn from, besides the picture's maps and view.
struct ReadoutInput {
    std::span<const MeasurementRecord> records; ///< the log's records 0 .. Count - 1
    RecordRange range;                          ///< the records the redraw chose
    const GraphTest* test = nullptr;
    std::optional<PaintPoint> hover; ///< the mouse over the plot area, picture pixels
    std::optional<int> reference;    ///< the reference point's record
};

/// The readout over a redrawn picture, in the graph's colours: the reference point as a
/// dashed vertical line with a square on the curve, and with the mouse over the plot the
/// record nearest in time marked by a square and the box of ReadoutLines beside the cursor
/// (right and below it, moved to the other side where it would leave the picture). Nothing
/// without a hover or a reference point, or with an empty log.
void DrawReadout(PaintList& out, const GraphMaps& maps, const GraphView& view,
                 const ReadoutInput& in, const TextMeasure& measure);

/// The readout's mouse rules: where the mouse is over the plot, and the reference point a
/// click sets. A press that moves no more than kClickSlop pixels before its release is a
/// click; a longer move is a drag (pan, overlay or fire start), which sets nothing here.
class GraphCursor {
public:
    static constexpr int kClickSlop = 3;

    std::optional<PaintPoint> hover; ///< the mouse over the plot area
    std::optional<int> reference;    ///< the reference point's record

    void Press(int x, int y);
    /// A move to (x, y): `inPlot` says whether that is over the plot area.
    void Move(int x, int y, bool inPlot);
    /// The end of a press: where it clicked, or nullopt when it was a drag (or no press).
    std::optional<PaintPoint> Release();
    /// A click nearest to `record`: the reference point moves there, or goes when it is there
    /// already. nullopt (no record drawn) changes nothing. True when the reference changed.
    bool Click(std::optional<int> record);
    /// Esc: the reference point goes. True when there was one.
    bool ClearReference();
    /// The log was replaced or emptied: the reference point goes with it.
    void ForgetLog() { reference.reset(); }

private:
    std::optional<PaintPoint> m_press;
    bool m_moved = false;
};

} // namespace core
