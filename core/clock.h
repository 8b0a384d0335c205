// The wall clock as the core sees it: injected, so tests step time by hand.
#pragma once

namespace core {

/// Local wall-clock date-time in the date-time convention (core/date_time.h):
/// days since 30 December 1899, the time of day as the fraction, millisecond resolution.
class IClock {
public:
    virtual ~IClock() = default;
    virtual double Now() const = 0;
};

/// A clock that returns what the test last set.
class ManualClock final : public IClock {
public:
    explicit ManualClock(double start = 0) : m_start(start) {}
    double Now() const override {
        return m_start + static_cast<double>(m_elapsedMs) / 86'400'000.0;
    }
    /// Restarts at a date-time.
    void Set(double start) {
        m_start = start;
        m_elapsedMs = 0;
    }
    /// Advances by whole milliseconds; the elapsed time is kept exact, not summed in days.
    void AdvanceMs(long long ms) { m_elapsedMs += ms; }
    long long ElapsedMs() const { return m_elapsedMs; }

private:
    double m_start;
    long long m_elapsedMs = 0;
};

} // namespace core
