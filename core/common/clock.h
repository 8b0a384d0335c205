// The clocks as the core sees them: injected, so tests step time by hand.
#pragma once

#include <cstdint>

namespace core {

/// Both clocks read at one moment.
struct ClockTime {
    /// Local wall-clock date-time (core/date_time.h): what the "Время" column and the journal's
    /// file names show. It may step either way (a manual change, a time server, the change
    /// between summer and winter time).
    double wall = 0;
    /// Milliseconds on a clock that only moves forward, evenly: every duration (the record
    /// grid, T and "Ti=", log seconds of marks, the journal's sync interval) comes from it.
    std::int64_t steadyMs = 0;
};

/// A reading of a clock whose wall time never steps, at `dateTime`: logs built from
/// date-times alone (replays of files, tests).
ClockTime SteadyAt(double dateTime);

/// The system's clocks.
class IClock {
public:
    virtual ~IClock() = default;
    /// Local wall-clock date-time: days since 30 December 1899, the time of day as the
    /// fraction, millisecond resolution.
    virtual double Now() const = 0;
    /// The steady clock in milliseconds, from an arbitrary origin.
    virtual std::int64_t SteadyMs() const = 0;
    ClockTime Read() const { return {Now(), SteadyMs()}; }
};

/// A clock that returns what the test last set. AdvanceMs moves both clocks; the wall clock
/// can also be stepped (or restarted) alone while the steady one stays.
class ManualClock final : public IClock {
public:
    explicit ManualClock(double start = 0) : m_start(start) {}
    double Now() const override { return m_start + static_cast<double>(m_wallMs) / 86'400'000.0; }
    std::int64_t SteadyMs() const override { return m_elapsedMs; }
    /// Sets the wall clock to a date-time; the steady clock does not move.
    void Set(double start) {
        m_start = start;
        m_wallMs = 0;
    }
    /// Advances both clocks by whole milliseconds; the time is kept exact, not summed in days.
    void AdvanceMs(long long ms) {
        m_elapsedMs += ms;
        m_wallMs += ms;
    }
    /// Steps the wall clock alone, by whole milliseconds (negative: back).
    void StepWallMs(long long ms) { m_wallMs += ms; }
    /// Milliseconds the steady clock has advanced since construction.
    long long ElapsedMs() const { return m_elapsedMs; }

private:
    double m_start;
    long long m_wallMs = 0;
    long long m_elapsedMs = 0;
};

} // namespace core
