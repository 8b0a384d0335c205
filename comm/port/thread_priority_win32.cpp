// Thread priorities on Windows: the thread priority levels of SetThreadPriority, one for
// each step of the scale (idle .. time-critical).
#include "comm/port/thread_priority.h"

#include <iterator>
#include <windows.h>

namespace comm::port {

namespace {
constexpr int kLevels[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                           THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                           THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                           THREAD_PRIORITY_TIME_CRITICAL};
}

long CurrentThreadId() {
    return static_cast<long>(GetCurrentThreadId());
}

void SetThreadPriorityOf(long tid, int priority) {
    if (tid == 0 || priority < 0 || priority >= static_cast<int>(std::size(kLevels)))
        return;
    HANDLE thread = OpenThread(THREAD_SET_LIMITED_INFORMATION | THREAD_SET_INFORMATION, FALSE,
                               static_cast<DWORD>(tid));
    if (!thread)
        return; // the thread has ended meanwhile
    SetThreadPriority(thread, kLevels[priority]);
    CloseHandle(thread);
}

} // namespace comm::port
