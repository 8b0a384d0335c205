// Thread priorities on Linux: nice values of the thread (idle 19 .. time-critical -20).
#include "comm/port/thread_priority.h"

#include <iterator>
#include <sys/resource.h>
#include <unistd.h>

namespace comm::port {

namespace {
constexpr int kNice[] = {19, 10, 5, 0, -5, -10, -20};
}

long CurrentThreadId() {
    return static_cast<long>(gettid());
}

void SetThreadPriorityOf(long tid, int priority) {
    if (tid > 0 && priority >= 0 && priority < static_cast<int>(std::size(kNice)))
        setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kNice[priority]);
}

} // namespace comm::port
