// What the simulated meter reports at any moment: start, stabilisation, adjustment and work
// with a test fire, as a status payload per point in time.
#pragma once

#include "core/fire/fire_envelopes.h"
#include "core/link/status_area.h"
#include "tools/vels5-meter/fire_curve.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace meter {

/// The meter's phases in the order it goes through them.
enum class Phase { Start, Stabilisation, Adjustment, Work };

/// A block fault switched on for a while: `faults` is OR-ed into the block's fault byte
/// for scenario times in [atSec, atSec + durationSec).
struct FaultInjection {
    bool emitter = false;    ///< false: the photodetector block
    std::uint8_t faults = 0; ///< fault bits, non-zero
    double atSec = 0;        ///< scenario time, s
    double durationSec = -1; ///< s; negative: until the end
};

/// Everything the scenario depends on. Defaults are the simulator's defaults.
struct ScenarioConfig {
    double startSec = 2;     ///< start phase (mode 0x08), s
    int stabSec = 20;        ///< stabilisation countdown, whole seconds, 0 to 5999
    double adjustSec = 12;   ///< adjustment phase, s, > 0
    double measuringSec = 1; ///< "measurement under way" at each work start, s, >= 0
    const core::TestFireEnvelope* fire = core::FindTestFire(1); ///< never nullptr
    double speed = 1;       ///< fire seconds per real second, >= 0
    double distM = 1;       ///< distance between the blocks, m, > 0
    std::uint64_t seed = 1; ///< noise seed
    std::vector<FaultInjection> faults;
    std::optional<OutsideStretch> outside; ///< a stretch outside the band, fire seconds
    int detectors = 0;                     ///< simulated detectors under test
    double thresholdDbPerM = 0.1;          ///< the value their thresholds spread around
};

/// The nominal emitted signal level, V: the received voltage of a clear beam.
inline constexpr double kUoVolts = 4.985;
/// The adjustment thresholds the monitor applies to Ui.
inline constexpr double kAdjustLowVolts = 0.8113;
inline constexpr double kAdjustHighVolts = 5.0;

/// The simulated meter. A pure function of its configuration, the restarts it has accepted
/// and the scenario time (seconds since the simulator started), so tests need no clock.
/// Not thread-safe.
class Scenario {
public:
    explicit Scenario(ScenarioConfig config);

    const ScenarioConfig& Config() const { return m_config; }
    /// Phase at scenario time `tSec` (>= 0).
    Phase PhaseAt(double tSec) const;
    /// The status payload (first kStatusPayloadSize bytes of the area) at `tSec`.
    core::StatusArea StatusAt(double tSec) const;
    /// The m (dB/m) the work phase follows at `tSec`, before noise and faults: the fire's
    /// curve inside its band (fire_curve.h), or outside it during the configured stretch;
    /// 0 outside the work phase and during a measurement.
    double TargetDensityAt(double tSec) const;
    /// Seconds of the fire at `tSec` (work time after the measurement, times the speed), or
    /// nothing outside the work phase and during a measurement.
    std::optional<double> FireSecAt(double tSec) const;

    /// The restart command arrived at `tSec`: in the work phase the work phase begins
    /// again there (with its measurement episode). Returns false, changing nothing, in
    /// any other phase.
    bool Restart(double tSec);
    /// When the current work phase began (the last accepted restart, or the end of the
    /// adjustment).
    double WorkStartSec() const { return m_workStartSec; }
    /// Seconds left on the stabilisation countdown at `tSec` (stabSec down to 1).
    int StabRemainingSec(double tSec) const;

private:
    void FillAdjustment(core::StatusArea& s, double tSec) const;
    void FillWork(core::StatusArea& s, double tSec) const;
    void FillBlocks(core::StatusArea& s, double tSec, double uiVolts, Phase phase) const;
    void ApplyFaults(core::StatusArea& s, double tSec) const;
    /// Deterministic noise in [-1, 1] for a moment (ms resolution) and a channel.
    double Noise(double tSec, unsigned channel) const;

    ScenarioConfig m_config;
    double m_workStartSec;
};

/// The mode byte the scenario reports for a phase (without the measurement bit).
std::uint8_t ModeBits(Phase phase);
/// "start", "stabilisation", "adjustment", "work".
const char* PhaseName(Phase phase);

} // namespace meter
