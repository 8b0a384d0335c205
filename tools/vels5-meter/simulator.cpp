// The simulator's loop: timing of the frames, the line, and the log.
#include "tools/vels5-meter/simulator.h"

#include "core/link/link_protocol.h"
#include "tools/vels5-meter/line_damage.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>

namespace meter {
namespace {

double MonotonicSec() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string WithComma(std::string text) {
    for (char& c : text)
        if (c == '.')
            c = ',';
    return text;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return WithComma(text);
}

std::string Fixed3(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return WithComma(text);
}

std::string Countdown(int seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    return text;
}

} // namespace

std::string SecondsText(double value) {
    return Number(value);
}

std::string ExactDecimal(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return WithComma(text);
}

Simulator::Simulator(const Options& options, MeterLine line, std::FILE* log, LineSocket* socket)
    : m_options(options), m_line(std::move(line)), m_log(log), m_socket(socket),
      m_scenario(options.scenario),
      m_thresholds(
          DetectorThresholds(options.scenario.detectors, options.scenario.thresholdDbPerM)),
      m_alarmed(m_thresholds.size(), false) {}

void Simulator::Logf(double tSec, const char* format, ...) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%9.3f ", tSec);
    std::fputs(WithComma(stamp).c_str(), m_log);
    va_list args;
    va_start(args, format);
    std::vfprintf(m_log, format, args);
    va_end(args);
    std::fputc('\n', m_log);
    std::fflush(m_log);
}

int Simulator::Run(const StopRequest& stop) {
    m_origin = MonotonicSec();
    while (!stop.Requested()) {
        HoldStartUntilOpened();
        if (!RunTimers(Now()))
            return 1;
        const double wait = std::max(0.0, NextDeadline() - Now());
        if (!m_line) { // a gap: nothing to serve until the new line is offered
            stop.WaitFor(wait);
            continue;
        }
        const LineReady ready = m_line->Wait(wait, !m_pending.empty(), stop);
        if (ready.stopped)
            continue; // the loop condition sees it
        if (ready.failed) {
            Logf(Now(), "error: %s", m_line->ErrorText().c_str());
            return 1;
        }
        if (!Serve(ready))
            return 1;
    }
    return 0;
}

double Simulator::Now() const {
    return MonotonicSec() - m_origin;
}

// A newcomer who picks the port a minute after the simulator started would otherwise never
// see start, stabilisation and adjustment: until the monitor first opens the pseudo-terminal
// every frame is sent at scenario time 0. The whole timeline (frame grid, held half frame)
// moves with the start, so the pace of the frames does not change. A device is not held.
void Simulator::HoldStartUntilOpened() {
    if (!m_holding || !m_line)
        return;
    if (m_line->OpenedByOther()) {
        m_holding = false;
        if (m_line->IsPty())
            Logf(Now(), "%s opened: the scenario starts", m_line->Path().c_str());
        return;
    }
    const double held = Now();
    m_origin += held;
    m_nextFrame -= held;
    if (m_heldUntil)
        *m_heldUntil -= held;
}

double Simulator::NextDeadline() const {
    if (!m_line)
        return m_plugInAt;
    double next = m_heldUntil ? std::min(m_nextFrame, *m_heldUntil) : m_nextFrame;
    if (const std::optional<double> unplug = UnplugDue())
        next = std::min(next, *unplug);
    return next;
}

std::optional<double> Simulator::UnplugDue() const {
    const ScenarioConfig& c = m_scenario.Config();
    if (!m_socket || !m_line || m_nextGap >= m_options.unplugs.size() || c.speed <= 0)
        return std::nullopt;
    // Fire seconds count from the end of the work phase's measurement (Scenario::FireSecAt).
    return m_scenario.WorkStartSec() + c.measuringSec +
           m_options.unplugs[m_nextGap].fromSec / c.speed;
}

// The cable is pulled: the pseudo-terminal closes (the monitor's descriptor hangs up and the
// device node goes), the entry leads nowhere, and what was still to be sent is lost.
void Simulator::Unplug(double tSec) {
    const UnplugGap& gap = m_options.unplugs[m_nextGap++];
    const std::string path = m_line->Path();
    m_line.reset();
    m_socket->Unplugged();
    Logf(tSec, "unplugged at %s s of the fire: %s closed, %s without a device for %s s",
         Number(gap.fromSec).c_str(), path.c_str(), m_socket->EntryName().c_str(),
         Number(gap.durationSec).c_str());
    m_pending.clear();
    m_held.clear();
    m_heldUntil.reset();
    m_lineFull = false;
    m_plugInAt = tSec + gap.durationSec;
}

// The cable is back: a new pseudo-terminal under the same entry. The frames keep their grid,
// so the fire goes on where it would be had the line never gone.
bool Simulator::PlugIn(double tSec) {
    std::string error;
    std::optional<MeterLine> line = MeterLine::OpenPty(error);
    if (!line || !m_socket->PluggedIn(line->Path(), error)) {
        Logf(tSec, "error: plugging in again: %s", error.c_str());
        return false;
    }
    m_line.emplace(std::move(*line));
    const std::optional<double> fireSec = m_scenario.FireSecAt(tSec);
    Logf(tSec, "plugged in again: %s -> %s%s%s%s", m_socket->EntryName().c_str(),
         m_line->Path().c_str(), fireSec ? " at " : "", fireSec ? Fixed3(*fireSec).c_str() : "",
         fireSec ? " s of the fire" : "");
    const double step = m_options.intervalMs / 1000.0;
    if (m_nextFrame < tSec)
        m_nextFrame += std::ceil((tSec - m_nextFrame) / step) * step;
    return true;
}

bool Simulator::RunTimers(double tSec) {
    if (!m_line) {
        if (tSec < m_plugInAt)
            return true;
        if (!PlugIn(tSec))
            return false;
    } else if (const std::optional<double> unplug = UnplugDue(); unplug && tSec >= *unplug) {
        Unplug(tSec);
        return true;
    }
    if (m_heldUntil && tSec >= *m_heldUntil) {
        m_pending.insert(m_pending.end(), m_held.begin(), m_held.end());
        m_held.clear();
        m_heldUntil.reset();
        if (!FlushPending())
            return false;
    }
    if (tSec < m_nextFrame)
        return true;
    m_line->ReleaseIfAbandoned();
    if (!SendFrame(tSec))
        return false;
    m_nextFrame += m_options.intervalMs / 1000.0;
    if (m_nextFrame <= tSec) // fell behind (suspended, overloaded): no burst of late frames
        m_nextFrame = tSec + m_options.intervalMs / 1000.0;
    return true;
}

bool Simulator::Serve(const LineReady& ready) {
    if (ready.readable && !ReadInput(Now()))
        return false;
    if (ready.writable && !FlushPending())
        return false;
    if (ready.hungUp && !ready.readable) {
        Logf(Now(), "error: %s hung up", m_line->Path().c_str());
        return false;
    }
    return true;
}

bool Simulator::SendFrame(double tSec) {
    const core::StatusArea status = m_scenario.StatusAt(tSec);
    LogPhase(tSec, status);
    LogFireTest(tSec, status);
    std::array<std::uint8_t, core::kFrameBufferSize> frame{};
    const std::uint8_t address =
        m_options.address < 0 ? core::kNoAddress : static_cast<std::uint8_t>(m_options.address);
    const std::size_t length = core::BuildFrame(
        address, core::kCmdStatus,
        std::span<const std::uint8_t>(status.Bytes().data(), core::kStatusPayloadSize), frame);
    const std::uint64_t index = m_frameIndex++;
    const std::uint64_t seed = m_options.scenario.seed;
    const LineDamage damage = ChooseDamage(seed, m_options.lineErrorRate, index);
    const std::vector<std::uint8_t> bytes =
        DamagedBytes(std::span(frame.data(), length), damage, seed, index);
    if (m_options.verbose)
        Logf(tSec, "tx mode=%02X Ui=%s Di=%s%s%s", status.Mode(), ExactDecimal(status.Ui()).c_str(),
             ExactDecimal(status.Di()).c_str(), damage == LineDamage::None ? "" : " ",
             damage == LineDamage::None ? "" : DamageName(damage));
    if (!m_pending.empty() || !m_held.empty()) {
        if (!m_lineFull)
            Logf(tSec, "line full: frames dropped until the other side reads");
        m_lineFull = true;
        return true;
    }
    m_lineFull = false;
    m_pending = bytes;
    if (m_options.splitMs > 0) {
        // A slow line: the second half follows later, so the receiver must join two reads.
        const auto half = static_cast<long>(bytes.size() / 2);
        m_held.assign(bytes.begin() + half, bytes.end());
        m_pending.resize(static_cast<std::size_t>(half));
        m_heldUntil = tSec + m_options.splitMs / 1000.0;
    }
    return FlushPending();
}

bool Simulator::FlushPending() {
    const long written = m_line->Write(m_pending);
    if (written < 0) {
        Logf(Now(), "error: write to %s: %s", m_line->Path().c_str(), m_line->ErrorText().c_str());
        return false;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + written);
    return true;
}

void Simulator::LogPhase(double tSec, const core::StatusArea& s) {
    const std::uint8_t mode = s.Mode();
    if (mode != m_lastMode) {
        m_lastMode = mode;
        const Phase phase = m_scenario.PhaseAt(tSec);
        std::string what = PhaseName(phase);
        if (phase == Phase::Stabilisation)
            what += " " + Countdown(m_scenario.StabRemainingSec(tSec));
        else if (mode & core::mode_bit::kMeasuring)
            what += ": measurement under way";
        else if (phase == Phase::Work)
            what += ": fire " + std::string(m_scenario.Config().fire->name) + ", distance " +
                    Number(m_scenario.Config().distM) + " m";
        Logf(tSec, "mode %02X %s", mode, what.c_str());
    }
    const std::uint8_t em = s.Emitter().faults;
    const std::uint8_t pd = s.Photodetector().faults;
    if (em != m_lastEmFaults)
        Logf(tSec, "emitter faults %02X", em);
    if (pd != m_lastPdFaults)
        Logf(tSec, "photodetector faults %02X", pd);
    m_lastEmFaults = em;
    m_lastPdFaults = pd;
}

void Simulator::LogFireTest(double tSec, const core::StatusArea& s) {
    const std::optional<double> fireSec = m_scenario.FireSecAt(tSec);
    if (!fireSec)
        return;
    if (const std::optional<OutsideStretch>& out = m_scenario.Config().outside) {
        const bool outside = *fireSec >= out->fromSec && *fireSec < out->fromSec + out->durationSec;
        if (outside && !m_outside)
            Logf(tSec, "fire leaves its band %s at %s s of the fire",
                 out->side == core::BandSide::Upper ? "above" : "below", Number(*fireSec).c_str());
        else if (!outside && m_outside)
            Logf(tSec, "fire back inside its band at %s s of the fire", Number(*fireSec).c_str());
        m_outside = outside;
    }
    if (s.AnyFault())
        return;
    const double m = s.Di() / m_scenario.Config().distM;
    for (std::size_t i = 0; i < m_thresholds.size(); ++i) {
        if (m_alarmed[i] || m < m_thresholds[i])
            continue;
        m_alarmed[i] = true;
        Logf(tSec, "detector И%u alarms: m=%s dB/m (threshold %s dB/m)",
             static_cast<unsigned>(i + 1), Fixed3(m).c_str(), Fixed3(m_thresholds[i]).c_str());
    }
}

bool Simulator::ReadInput(double tSec) {
    std::array<std::uint8_t, 512> buffer{};
    for (;;) {
        const long n = m_line->Read(buffer);
        if (n == 0)
            return true;
        if (n < 0) {
            Logf(tSec, "error: read from %s: %s", m_line->Path().c_str(),
                 m_line->ErrorText().c_str());
            return false;
        }
        for (long i = 0; i < n; ++i)
            if (std::optional<RxEvent> event = m_rx.Push(buffer[static_cast<std::size_t>(i)]))
                OnReceived(tSec, *event);
    }
}

void Simulator::OnReceived(double tSec, const RxEvent& event) {
    const std::string hex = RxLog::Hex(event.wire);
    if (!event.valid || event.command != core::kCmdRestart) {
        Logf(tSec, "rx %s: %s", hex.c_str(), event.verdict.c_str());
        return;
    }
    const Phase phase = m_scenario.PhaseAt(tSec);
    if (m_scenario.Restart(tSec)) {
        Logf(tSec, "rx %s: restart: work phase begins again", hex.c_str());
        m_alarmed.assign(m_alarmed.size(), false); // a new fire for the detectors
        m_outside = false;
    } else
        Logf(tSec, "rx %s: restart ignored in %s", hex.c_str(), PhaseName(phase));
}

} // namespace meter
