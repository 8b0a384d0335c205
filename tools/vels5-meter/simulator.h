// The simulator's run loop: a frame every interval, received frames logged and obeyed.
#pragma once

#include "tools/vels5-meter/meter_line.h"
#include "tools/vels5-meter/options.h"
#include "tools/vels5-meter/rx_log.h"
#include "tools/vels5-meter/scenario.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace meter {

/// Runs the scenario on a line until a stop is requested or the device fails. Single
/// thread; writes its log lines to `log`. With a `socket`, the gaps of options.unplugs are
/// made: the line is closed when the fire reaches a gap and a new pseudo-terminal is plugged
/// into the socket when the gap ends, the scenario and its frame grid running on meanwhile.
class Simulator {
public:
    Simulator(const Options& options, MeterLine line, std::FILE* log, LineSocket* socket = nullptr);

    /// Runs until a stop is requested. Returns 0 after a stop, 1 on a device error.
    int Run(const StopRequest& stop);

private:
    double Now() const;
    double NextDeadline() const;
    /// Scenario time at which the line is pulled for the next gap; nothing when no gap is
    /// ahead, the line is out already, or the fire does not run (speed 0).
    std::optional<double> UnplugDue() const;
    void Unplug(double tSec);
    /// Opens the new line of a gap that has ended; false when that fails.
    bool PlugIn(double tSec);
    /// Keeps the scenario at its beginning until the monitor opens the pseudo-terminal.
    void HoldStartUntilOpened();
    /// Sends what is due at `tSec`: the held half of a split frame, the next frame.
    bool RunTimers(double tSec);
    /// Handles what the wait found on the line.
    bool Serve(const LineReady& ready);
    bool SendFrame(double tSec);
    void LogPhase(double tSec, const core::StatusArea& status);
    /// The fire test seen from the meter: the fire leaving and re-entering its band, and the
    /// simulated detectors' alarms.
    void LogFireTest(double tSec, const core::StatusArea& status);
    bool ReadInput(double tSec);
    void OnReceived(double tSec, const RxEvent& event);
    bool FlushPending();
#ifdef _WIN32
    __attribute__((format(gnu_printf, 3, 4)))
#else
    __attribute__((format(printf, 3, 4)))
#endif
    void
    Logf(double tSec, const char* format, ...);

    const Options& m_options;
    std::optional<MeterLine> m_line; ///< empty during a gap
    std::FILE* m_log;
    LineSocket* m_socket;
    Scenario m_scenario;
    RxLog m_rx;
    double m_origin = 0;                 ///< monotonic seconds at the start of Run
    double m_nextFrame = 0;              ///< scenario time of the next frame
    std::vector<std::uint8_t> m_pending; ///< bytes the line did not take yet
    std::vector<std::uint8_t> m_held;    ///< second half of a split frame
    /// When m_held goes out (scenario time: it moves with a held start, so it may be < 0).
    std::optional<double> m_heldUntil;
    std::uint64_t m_frameIndex = 0;
    std::uint8_t m_lastMode = 0xFF;
    std::uint8_t m_lastEmFaults = 0;
    std::uint8_t m_lastPdFaults = 0;
    bool m_lineFull = false;
    std::vector<double> m_thresholds; ///< of the simulated detectors, dB/m
    std::vector<bool> m_alarmed;      ///< per detector, in the current work phase
    bool m_outside = false;           ///< the fire is in its stretch outside the band
    bool m_holding = true;            ///< the scenario waits for the monitor to open the port
    std::size_t m_nextGap = 0;        ///< index in options.unplugs of the gap ahead
    double m_plugInAt = 0;            ///< during a gap: when the new line is offered
};

/// A number in the shortest "%g" form with a decimal comma ("12,8", "320").
std::string SecondsText(double value);

/// printf-style "%.9g" of a float with a decimal comma: enough digits to give back the
/// exact 32-bit value.
std::string ExactDecimal(float value);

} // namespace meter
