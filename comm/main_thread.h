// The hand-off from the serial component's worker threads to the main thread, and a
// simple queue implementation of it for programs and tests without a GUI event loop.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace comm {

/// "Run this call on the main thread, later." The component builds its synchronous hand-off
/// on it: a worker posts its event and then waits until the call has run, or until its
/// component stops it (Close), which may happen while the call is still queued or even
/// while it runs. So Close can join its threads without ever waiting for the main thread,
/// which is the thread calling Close.
///
/// Contract for implementations:
/// - Post may be called from any thread and returns at once; it never runs `call` itself.
/// - It runs `call` at most once on the main thread, one call at a time, in the order of
///   posting. An exception escaping `call` must not reach the event loop (the component
///   catches its own; implementations may swallow anything left).
/// - It may drop a call without running it (shutting down, the main thread no longer
///   dispatches); a dropped call must be destroyed, since destroying it releases the
///   worker that waits for it.
/// - The implementation object is shared (std::shared_ptr) by the component and its
///   threads.
///
/// The component guarantees that a call posted by a thread of an opening that has since
/// been closed, or of a component since destroyed, does nothing when it runs: it never
/// touches the component. So an implementation need not cancel queued calls.
///
/// A GUI implementation is a queued invocation of `call` on an object that lives on the
/// GUI thread (QMetaObject::invokeMethod(object, call, Qt::QueuedConnection)).
class IMainThread {
public:
    virtual ~IMainThread() = default;
    virtual void Post(std::function<void()> call) = 0;
};

/// IMainThread by a queue that the main thread pumps with RunPending or RunUntil.
/// Nothing here raises but std::bad_alloc (Post); what a call raises is swallowed, the
/// component reports its own.
class CallQueue final : public IMainThread {
public:
    CallQueue() = default;
    /// Drops the queued calls (Shutdown).
    ~CallQueue() override;

    /// Any thread: queues `call` for the main thread's next pump (dropped after Shutdown).
    void Post(std::function<void()> call) override;

    /// Main thread: runs the calls queued now. If none is queued, waits up to `timeoutMs`
    /// for one first. Returns how many calls ran.
    int RunPending(int timeoutMs = 0);
    /// Main thread: runs queued calls as they come until `done()` is true or `timeoutMs`
    /// has passed. Returns `done()`.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs);
    /// Calls waiting to run. Any thread.
    size_t Pending() const;
    /// From now on calls are not run: the queued ones are dropped (destroyed) at once and
    /// later ones as they are posted. Any thread.
    void Shutdown();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_queued; // the main thread waits for work
    std::deque<std::function<void()>> m_items;
    bool m_shutdown = false;
};

} // namespace comm
