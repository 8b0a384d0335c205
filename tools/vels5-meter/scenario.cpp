// The simulated meter's timeline and the values it reports in each phase.
#include "tools/vels5-meter/scenario.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace meter {
namespace {

// Noise channels: each value gets its own stream so they do not move in step.
enum Channel : unsigned {
    kNoiseDi,
    kNoiseDiAbs,
    kNoiseAdjust,
    kNoiseEmRms,
    kNoiseEmPeak,
    kNoiseEmTemp,
    kNoisePdRms,
    kNoisePdPeak,
    kNoisePdTemp,
    kNoiseThird,
    kNoiseKt,
};

std::uint64_t SplitMix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint16_t VoltsToCode(double volts) {
    const double code = std::round(volts * 8191.0 / 10.0);
    return static_cast<std::uint16_t>(std::clamp(code, 0.0, 8191.0));
}

std::int16_t CelsiusToCode(double celsius) {
    return static_cast<std::int16_t>(std::lround(celsius * 256.0));
}

double Lerp(double a, double b, double f) {
    return a + (b - a) * f;
}

// The photodetector's attenuator step outside its switching during the adjustment.
constexpr std::uint8_t kPdAttenuatorStep = 4;

// The emitter's output relative to its working level: low at start, rising through the
// stabilisation (`stabProgress` 0 to 1), full from the adjustment on.
double EmitterLevel(Phase phase, double stabProgress) {
    switch (phase) {
    case Phase::Start:
        return 0.15;
    case Phase::Stabilisation:
        return Lerp(0.3, 1.0, std::clamp(stabProgress, 0.0, 1.0));
    default:
        return 1.0;
    }
}

// A block's temperature without noise: `coldC` at power-on, warming by `riseC` over the
// first minutes, then drifting by +-0,6 degC over a quarter of an hour (`driftPhaseSec`
// keeps the two blocks from drifting in step).
double BlockCelsius(double tSec, double coldC, double riseC, double driftPhaseSec) {
    const double warm = 1 - std::exp(-tSec / 120.0);
    const double drift = 0.6 * std::sin(2 * std::numbers::pi * (tSec + driftPhaseSec) / 900.0);
    return coldC + riseC * warm + drift * warm;
}

// Kt corrects a block's reading for its temperature: 0,05 % per degC from 25 degC.
double KtAt(double kt25, double celsius) {
    return kt25 * (1 + 0.0005 * (celsius - 25.0));
}

} // namespace

std::uint8_t ModeBits(Phase phase) {
    switch (phase) {
    case Phase::Start:
        return core::mode_bit::kStart;
    case Phase::Stabilisation:
        return core::mode_bit::kStabilisation;
    case Phase::Adjustment:
        return core::mode_bit::kAdjustment;
    case Phase::Work:
        return core::mode_bit::kWork;
    }
    return 0;
}

const char* PhaseName(Phase phase) {
    switch (phase) {
    case Phase::Start:
        return "start";
    case Phase::Stabilisation:
        return "stabilisation";
    case Phase::Adjustment:
        return "adjustment";
    case Phase::Work:
        return "work";
    }
    return "?";
}

Scenario::Scenario(ScenarioConfig config)
    : m_config(std::move(config)),
      m_workStartSec(m_config.startSec + m_config.stabSec + m_config.adjustSec) {}

Phase Scenario::PhaseAt(double tSec) const {
    double end = m_config.startSec;
    if (tSec < end)
        return Phase::Start;
    end += m_config.stabSec;
    if (tSec < end)
        return Phase::Stabilisation;
    end += m_config.adjustSec;
    if (tSec < end)
        return Phase::Adjustment;
    return Phase::Work;
}

int Scenario::StabRemainingSec(double tSec) const {
    const double elapsed = std::max(0.0, tSec - m_config.startSec);
    return std::max(1, m_config.stabSec - static_cast<int>(std::floor(elapsed)));
}

bool Scenario::Restart(double tSec) {
    if (PhaseAt(tSec) != Phase::Work || tSec < m_workStartSec)
        return false;
    m_workStartSec = tSec;
    return true;
}

double Scenario::TargetDensityAt(double tSec) const {
    const double workSec = tSec - m_workStartSec;
    if (PhaseAt(tSec) != Phase::Work || workSec < m_config.measuringSec)
        return 0;
    const double fireSec = (workSec - m_config.measuringSec) * m_config.speed;
    const core::TestFireEnvelope& fire = *m_config.fire;
    return (core::EnvelopeAt(fire.upper, fireSec) + core::EnvelopeAt(fire.lower, fireSec)) / 2.0;
}

core::StatusArea Scenario::StatusAt(double tSec) const {
    core::StatusArea s;
    const Phase phase = PhaseAt(tSec);
    s.SetMode(ModeBits(phase));
    switch (phase) {
    case Phase::Start:
        s.SetUi(0.05f);
        break;
    case Phase::Stabilisation: {
        const int left = StabRemainingSec(tSec);
        s.SetStab(static_cast<std::int8_t>(left / 60), static_cast<std::int8_t>(left % 60));
        s.SetUi(0.3f);
        break;
    }
    case Phase::Adjustment:
        FillAdjustment(s, tSec);
        break;
    case Phase::Work:
        FillWork(s, tSec);
        break;
    }
    FillBlocks(s, tSec, s.Ui(), phase);
    ApplyFaults(s, tSec);
    return s;
}

// The operator aligns the blocks: the signal starts too low, passes through the range,
// overshoots to 5 V and above, goes blank while the attenuator switches, and settles
// inside the range, where the work phase takes over.
void Scenario::FillAdjustment(core::StatusArea& s, double tSec) const {
    const double adjustStart = m_config.startSec + m_config.stabSec;
    const double f = std::clamp((tSec - adjustStart) / m_config.adjustSec, 0.0, 0.999999);
    const int stretch = static_cast<int>(f * 6);
    const double g = f * 6 - stretch;
    const double jitter = 0.005 * Noise(tSec, kNoiseAdjust);
    double ui = 0;
    switch (stretch) {
    case 0:
        ui = std::min(Lerp(0.20, 0.78, g) + jitter, 0.80);
        break;
    case 1:
        ui = std::clamp(Lerp(0.90, 4.60, g) + jitter, 0.85, 4.95);
        break;
    case 2:
        ui = std::max(Lerp(5.00, 5.80, g) + jitter, 5.0);
        break;
    case 3:
        ui = 4.1;
        s.SetAdjustBlank(1);
        break;
    default:
        ui = std::clamp(Lerp(4.20, 4.90, (f * 6 - 4) / 2) + jitter, 0.85, 4.95);
        break;
    }
    s.SetUi(static_cast<float>(ui));
}

void Scenario::FillWork(core::StatusArea& s, double tSec) const {
    const double workSec = tSec - m_workStartSec;
    if (workSec < m_config.measuringSec)
        s.SetMode(core::mode_bit::kWork | core::mode_bit::kMeasuring);
    const double m = TargetDensityAt(tSec);
    const double di = std::max(0.0, m * m_config.distM * (1 + 0.02 * Noise(tSec, kNoiseDi)) +
                                        0.002 * Noise(tSec, kNoiseDiAbs));
    s.SetDi(static_cast<float>(di));
    s.SetUi(static_cast<float>(kUoVolts * std::pow(10.0, -di / 10.0)));
}

// Values for the technical panel: the emitter (control channel) sends a steady level once
// stabilised; the photodetector (measuring channel) gets what the smoke lets through, so its
// RMS and peak follow the received signal. Both blocks warm up and then drift slowly, and Kt
// follows each block's temperature. While the adjustment view is blank the photodetector's
// attenuator switches: one step up for that short while, then back.
void Scenario::FillBlocks(core::StatusArea& s, double tSec, double uiVolts, Phase phase) const {
    const double emLevel =
        EmitterLevel(phase, (tSec - m_config.startSec) / std::max(1, m_config.stabSec));
    core::BlockStatus em;
    em.rmsCode = VoltsToCode(emLevel * 3.53 + 0.01 * Noise(tSec, kNoiseEmRms));
    em.peakCode = VoltsToCode(emLevel * 4.99 + 0.01 * Noise(tSec, kNoiseEmPeak));
    const double emCelsius = BlockCelsius(tSec, 21.0, 6.0, 0) + 0.05 * Noise(tSec, kNoiseEmTemp);
    em.tempCode = CelsiusToCode(emCelsius);
    em.thirdLevel = static_cast<float>(2.5 + 0.02 * Noise(tSec, kNoiseThird));
    em.kt = static_cast<float>(KtAt(1.0213, emCelsius) + 0.00005 * Noise(tSec, kNoiseKt));
    em.attenuatorStep = 3;
    s.SetEmitter(em);

    core::BlockStatus pd;
    pd.rmsCode = VoltsToCode(uiVolts * 0.707 + 0.01 * Noise(tSec, kNoisePdRms));
    pd.peakCode = VoltsToCode(uiVolts + 0.01 * Noise(tSec, kNoisePdPeak));
    const double pdCelsius = BlockCelsius(tSec, 20.5, 4.5, 300) + 0.05 * Noise(tSec, kNoisePdTemp);
    pd.tempCode = CelsiusToCode(pdCelsius);
    pd.thirdLevel = static_cast<float>(0.4 + 0.2 * uiVolts);
    pd.kt = static_cast<float>(KtAt(0.9874, pdCelsius) + 0.00005 * Noise(tSec, kNoiseKt + 1));
    pd.attenuatorStep = s.AdjustBlank() ? kPdAttenuatorStep + 1 : kPdAttenuatorStep;
    s.SetPhotodetector(pd);
}

void Scenario::ApplyFaults(core::StatusArea& s, double tSec) const {
    core::BlockStatus em = s.Emitter();
    core::BlockStatus pd = s.Photodetector();
    for (const FaultInjection& f : m_config.faults) {
        const bool active =
            tSec >= f.atSec && (f.durationSec < 0 || tSec < f.atSec + f.durationSec);
        if (active)
            (f.emitter ? em : pd).faults |= f.faults;
    }
    s.SetEmitter(em);
    s.SetPhotodetector(pd);
}

double Scenario::Noise(double tSec, unsigned channel) const {
    const auto ms = static_cast<std::uint64_t>(std::llround(std::max(0.0, tSec) * 1000.0));
    const std::uint64_t x = SplitMix64(m_config.seed ^ SplitMix64(ms * 64 + channel));
    return static_cast<double>(x >> 11) * 0x1.0p-52 - 1.0;
}

} // namespace meter
