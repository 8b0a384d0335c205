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

/// "Run this call on the main thread and block until it has run."
///
/// Contract for implementations:
/// - RunOnMainThread is called from worker threads only, never from the main thread
///   (a GUI implementation would deadlock).
/// - It runs `call` exactly once on the main thread, one call at a time, and returns after
///   the call has finished. Calls from one worker run in the order they were made.
/// - An exception escaping `call` must not reach the worker (the component catches its own;
///   implementations may swallow anything left).
/// - It may instead return WITHOUT running the call when the implementation is shutting
///   down (the main thread no longer dispatches). Callers treat that like a call that did
///   nothing.
/// - The implementation object is shared (std::shared_ptr) by the component and its
///   threads, so it outlives every worker that may still call it.
///
/// The component guarantees that a call queued by a thread of an opening that has since
/// been closed, or of a component since destroyed, does nothing when it runs: it never
/// touches the component. So an implementation need not cancel queued calls.
///
/// A GUI implementation is a blocking queued invocation of `call` on an object that lives
/// on the GUI thread (for example QMetaObject::invokeMethod(object, [&call] { call(); },
/// Qt::BlockingQueuedConnection)).
class IMainThread {
public:
    virtual ~IMainThread() = default;
    virtual void RunOnMainThread(const std::function<void()>& call) = 0;
};

/// IMainThread by a queue that the main thread pumps with RunPending or RunUntil.
/// Workers keep the queue alive (shared_ptr), so a main thread that stops pumping for good
/// calls Shutdown, which lets waiting workers go. Nothing here raises but std::bad_alloc
/// (RunOnMainThread); what a call raises is swallowed, the component reports its own.
class CallQueue final : public IMainThread {
public:
    CallQueue() = default;
    /// Releases every waiting worker without running its call.
    ~CallQueue() override;

    /// Worker threads: queues `call` and waits until the main thread has run it (or Shutdown).
    void RunOnMainThread(const std::function<void()>& call) override;

    /// Main thread: runs the calls queued now. If none is queued, waits up to `timeoutMs`
    /// for one first. Returns how many calls ran.
    int RunPending(int timeoutMs = 0);
    /// Main thread: runs queued calls as they come until `done()` is true or `timeoutMs`
    /// has passed. Returns `done()`.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs);
    /// Calls waiting to run. Any thread.
    size_t Pending() const;
    /// From now on calls are not run: waiting workers are released at once and later
    /// calls return at once. Any thread.
    void Shutdown();

private:
    struct Item {
        std::function<void()> call;
        bool done = false;
    };
    mutable std::mutex m_mutex;
    std::condition_variable m_queued;   // main thread waits for work
    std::condition_variable m_finished; // workers wait for their call
    std::deque<std::shared_ptr<Item>> m_items;
    bool m_shutdown = false;
};

} // namespace comm
