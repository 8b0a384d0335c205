// "Авто" on the value axis: the smallest scale row of the unit that holds what the view shows,
// re-chosen at every redraw without flickering between two rows.
#pragma once

#include "core/fire/fire_envelopes.h"
#include "core/graph/graph_plot.h"

#include <optional>

namespace core {

/// The values a view shows: the lowest and the highest, in the graph's unit.
struct ShownValues {
    float lo = 0;
    float hi = 0;
    /// Widens the span to hold `v`; a value that is not a finite number is left out.
    void Add(float v);
    bool empty = true;
};

/// The smallest row of `unit` whose range holds `shown`. A value beyond the outermost bound
/// of the unit's table (below 0 dB/m, above 5 V) counts as at that bound, since the curve is
/// drawn there or off the picture whatever the row; values that no row holds give the last
/// row. nullopt for a unit without a table or nothing shown.
std::optional<int> FittingRow(int unit, const ShownValues& shown);

/// The row "Авто" shows next, from the row `current` shown now: a larger row at once when the
/// values leave the current one, a smaller one only when they fit in it with a tenth of its
/// range to spare at the edge they approach. So values that wander about a row's edge, or a
/// redraw between two records, never switch the rows to and fro. Nothing shown keeps the row.
int AutoScaleRow(int unit, int current, const ShownValues& shown);

/// The highest value of the upper limit of `fire` from `fromSec` to `toSec` seconds after its
/// time zero, held at its end-of-test value; with `beyondLastCorner` false the limit ends at
/// its last corner (a plain overlay), true it runs on at its last value (the band anchored at
/// a fire start). nullopt when none of it lies in that stretch.
std::optional<float> BandTop(const TestFireEnvelope& fire, double fromSec, double toSec,
                             bool beyondLastCorner);

/// The values a redraw of `view` with `in` shows: those of the records chosen (`range`) up to
/// the plot's right edge and, in the dB/m scale, the top of the test-fire band drawn (the
/// overlay at its shift, or the band anchored at the fire start) as far as it is in view.
ShownValues ValuesInView(const GraphView& view, const GraphInput& in, const RecordRange& range);

} // namespace core
