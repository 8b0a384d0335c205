// The m(t) the simulated fire follows: inside the band of its test fire, or pushed out of it
// for a stretch; and the thresholds of the simulated detectors under test.
#pragma once

#include "core/fire/fire_band.h"
#include "core/fire/fire_envelopes.h"

#include <optional>
#include <vector>

namespace meter {

/// A stretch of the fire outside its band. Times are fire seconds (from the fire's start).
struct OutsideStretch {
    core::BandSide side = core::BandSide::Upper;
    double fromSec = 0;
    double durationSec = 0;
    bool operator==(const OutsideStretch&) const = default;
};

/// The m (dB/m) of a fire inside its band `fireSec` seconds after its start: the higher of
/// the band's vertical middle and its horizontal middle (the curve that reaches each value
/// half-way between the moments the upper and the lower limit reach it). The first keeps well
/// clear of both limits early on; the second reaches the end-of-test value m_E half-way
/// between the limits, where the band is still wide, instead of where it closes. From then on
/// it is m_E. With the simulator's noise (2 % plus 0,002 dB/m) it stays inside the band even
/// when the fire start is marked up to five seconds early or late.
double InsideDensityAt(const core::TestFireEnvelope& fire, double fireSec);

/// When InsideDensityAt first reaches m_E, fire seconds.
double InsideEndSec(const core::TestFireEnvelope& fire);

/// The m of the fire while it is outside on `side`: 30 % plus 0,02 dB/m above the upper limit,
/// or 40 % less 0,005 dB/m below the lower limit (never below 0).
double OutsideDensityAt(const core::TestFireEnvelope& fire, core::BandSide side, double fireSec);

/// The stretch `--outside upper|lower` takes when no time is given: a tenth of the time to m_E,
/// above from 40 % of that time, below from 60 % of the way from the start of the lower limit
/// to m_E, where the lower limit is well above 0.
OutsideStretch DefaultStretch(const core::TestFireEnvelope& fire, core::BandSide side);

/// The m the fire follows at `fireSec`: outside during `outside`, inside otherwise.
double FireDensityAt(const core::TestFireEnvelope& fire,
                     const std::optional<OutsideStretch>& outside, double fireSec);

/// The default value the detectors' thresholds spread around: 0,1 dB/m, at most half of m_E.
double DefaultThreshold(const core::TestFireEnvelope& fire);

/// `count` thresholds spread evenly from 80 % to 120 % of `around`, in that order (one
/// detector: `around` itself).
std::vector<double> DetectorThresholds(int count, double around);

} // namespace meter
