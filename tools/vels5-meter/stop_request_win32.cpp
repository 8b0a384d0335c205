// Stopping on Windows: Ctrl+C, Ctrl+Break and the console closing set a manual-reset event
// that the line's wait waits for beside the port.
#include "tools/vels5-meter/stop_request.h"

#include <cmath>
#include <windows.h>

namespace meter {
namespace {

HANDLE g_stop = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD) {
    SetEvent(g_stop);
    return TRUE; // handled: the run loop ends and cleans up
}

} // namespace

StopRequest::StopRequest() {
    g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_event = g_stop;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

const StopRequest& StopRequest::Install() {
    static const StopRequest request;
    return request;
}

bool StopRequest::Requested() const {
    return WaitForSingleObject(m_event, 0) == WAIT_OBJECT_0;
}

void StopRequest::WaitFor(double seconds) const {
    WaitForSingleObject(m_event, static_cast<DWORD>(std::ceil(seconds * 1000.0)));
}

} // namespace meter
