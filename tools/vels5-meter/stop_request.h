// How the simulator is told to stop: SIGINT, SIGTERM or SIGHUP on Linux; Ctrl+C, Ctrl+Break
// or the console closing on Windows.
#pragma once

#include <csignal>

namespace meter {

/// One per process, made once by Install(). On Linux the stop signals are blocked from then
/// on and let through only inside the line's wait (WaitMask), so a signal never slips in
/// between the check and the wait. On Windows the console handler sets an event the wait
/// also waits for.
class StopRequest {
public:
    static const StopRequest& Install();
    bool Requested() const;
    /// Waits up to `seconds` with nothing else to wait for; returns early on a stop request.
    void WaitFor(double seconds) const;
#ifdef _WIN32
    void* Event() const {
        return m_event;
    }
#else
    const sigset_t& WaitMask() const {
        return m_waitMask;
    }
#endif

private:
    StopRequest();
#ifdef _WIN32
    void* m_event = nullptr;
#else
    sigset_t m_waitMask{};
#endif
};

} // namespace meter
