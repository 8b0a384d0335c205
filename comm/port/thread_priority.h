// Thread priorities of the serial component's workers on the platform: the seam between
// the component's TThreadPriority scale and the system's own.
#pragma once

namespace comm::port {

/// The calling thread's system id, for SetThreadPriorityOf (never 0).
long CurrentThreadId();
/// Gives thread `tid` the priority `priority` of TThreadPriority (tpIdle 0 .. tpTimeCritical
/// 6). A refused change leaves the thread as it was; tid 0 or a priority out of range does
/// nothing. Any thread; raises nothing.
void SetThreadPriorityOf(long tid, int priority);

} // namespace comm::port
