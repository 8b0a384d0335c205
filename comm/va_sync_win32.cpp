// Manual-reset and auto-reset events over Win32 event objects, and waiting on several of
// them at once with WaitForMultipleObjects.
#include "comm/va_sync.h"

#include <cerrno>
#include <system_error>
#include <windows.h>

namespace comm {

TVaHandleObject::~TVaHandleObject() {
    if (m_handle != kNoHandle)
        CloseHandle(m_handle);
}

TVaEvent::TVaEvent(bool manualReset, bool initialState) : m_manualReset(manualReset) {
    // The event object itself resets on a successful wait when it is auto-reset.
    m_handle =
        CreateEventA(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE, nullptr);
    if (!m_handle)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "CreateEvent");
}

void TVaEvent::SetEvent() {
    ::SetEvent(m_handle);
}

void TVaEvent::ResetEvent() {
    ::ResetEvent(m_handle);
}

bool TVaEvent::IsSet() const {
    if (!m_manualReset) {
        // A zero wait would consume an auto-reset event; set it again when it was set.
        if (WaitForSingleObject(m_handle, 0) != WAIT_OBJECT_0)
            return false;
        ::SetEvent(m_handle);
        return true;
    }
    return WaitForSingleObject(m_handle, 0) == WAIT_OBJECT_0;
}

TVaEventWaitResult TVaEvent::WaitFor(uint32_t timeoutMs) {
    switch (WaitForSingleObject(m_handle, timeoutMs)) {
    case WAIT_OBJECT_0:
        return wrSignaled;
    case WAIT_TIMEOUT:
        return wrTimeout;
    case WAIT_ABANDONED:
        return wrAbandoned;
    default:
        m_lastError = static_cast<int>(GetLastError());
        return wrError;
    }
}

int WaitForAny(std::initializer_list<const TVaEvent*> events, uint32_t timeoutMs) {
    if (events.size() > kMaxWaitEvents || events.size() == 0) {
        errno = EINVAL; // as on Linux
        return -2;
    }
    HANDLE handles[kMaxWaitEvents];
    DWORD n = 0;
    for (const TVaEvent* e : events)
        handles[n++] = e->Handle();
    // Without "wait all" the lowest index of the signalled objects is returned: the earlier
    // in list order wins, as the interface promises.
    const DWORD rc = WaitForMultipleObjects(n, handles, FALSE, timeoutMs);
    if (rc < WAIT_OBJECT_0 + n)
        return static_cast<int>(rc - WAIT_OBJECT_0);
    if (rc == WAIT_TIMEOUT)
        return -1;
    errno = static_cast<int>(GetLastError());
    return -2;
}

} // namespace comm
