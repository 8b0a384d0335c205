// Manual-reset events over eventfd, and waiting on several of them at once.
#include "comm/va_sync.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace comm {

namespace {

// poll() with a deadline that survives EINTR (a signal must not shorten or lengthen the
// wait). Returns poll's result.
int PollWithDeadline(pollfd* fds, size_t count, uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs != INFINITE) {
            // Rounded up: a wait never ends before its time (a timed-out wait of 30 ms has
            // lasted 30 ms).
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int rc = poll(fds, count, wait);
        if (rc >= 0 || errno != EINTR)
            return rc;
    }
}

} // namespace

TVaHandleObject::~TVaHandleObject() {
    if (m_handle >= 0)
        close(m_handle);
}

TVaEvent::TVaEvent(bool manualReset, bool initialState) : m_manualReset(manualReset) {
    m_handle = eventfd(initialState ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_handle < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

void TVaEvent::SetEvent() {
    const uint64_t one = 1;
    // The counter only has to be non-zero; EAGAIN (counter saturated) still means set.
    while (write(m_handle, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void TVaEvent::ResetEvent() {
    uint64_t value;
    // Non-blocking read drains the counter; EAGAIN means it was not set.
    while (read(m_handle, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool TVaEvent::IsSet() const {
    pollfd p{m_handle, POLLIN, 0};
    return PollWithDeadline(&p, 1, 0) > 0;
}

TVaEventWaitResult TVaEvent::WaitFor(uint32_t timeoutMs) {
    pollfd p{m_handle, POLLIN, 0};
    const int rc = PollWithDeadline(&p, 1, timeoutMs);
    if (rc < 0) {
        m_lastError = errno;
        return wrError;
    }
    if (rc == 0)
        return wrTimeout;
    if (!m_manualReset)
        ResetEvent();
    return wrSignaled;
}

int WaitForAny(std::initializer_list<const TVaEvent*> events, uint32_t timeoutMs) {
    if (events.size() > kMaxWaitEvents) {
        errno = EINVAL;
        return -2;
    }
    pollfd fds[kMaxWaitEvents];
    size_t n = 0;
    for (const TVaEvent* e : events) {
        fds[n] = pollfd{e->Handle(), POLLIN, 0};
        ++n;
    }
    const int rc = PollWithDeadline(fds, n, timeoutMs);
    if (rc < 0)
        return -2;
    if (rc == 0)
        return -1;
    for (size_t i = 0; i < n; ++i) {
        if (fds[i].revents & POLLIN)
            return static_cast<int>(i);
    }
    return -2;
}

} // namespace comm
