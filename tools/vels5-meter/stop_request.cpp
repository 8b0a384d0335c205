// Stop signals on Linux: blocked for the whole run, open only inside the line's wait.
#include "tools/vels5-meter/stop_request.h"

#include <initializer_list>
#include <poll.h>
#include <time.h>

namespace meter {
namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnStopSignal(int) {
    g_stop = 1;
}

} // namespace

StopRequest::StopRequest() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigset_t stops;
    sigemptyset(&stops);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(sig, &action, nullptr);
        sigaddset(&stops, sig);
    }
    std::signal(SIGPIPE, SIG_IGN);
    sigprocmask(SIG_BLOCK, &stops, &m_waitMask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigdelset(&m_waitMask, sig);
}

const StopRequest& StopRequest::Install() {
    static const StopRequest request;
    return request;
}

bool StopRequest::Requested() const {
    return g_stop != 0;
}

void StopRequest::WaitFor(double seconds) const {
    const auto whole = static_cast<time_t>(seconds);
    const timespec timeout{whole, static_cast<long>((seconds - static_cast<double>(whole)) * 1e9)};
    // The stop signals get through only here: EINTR is the stop, the caller checks it.
    ppoll(nullptr, 0, &timeout, &m_waitMask);
}

} // namespace meter
