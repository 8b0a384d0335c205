// The serial component's worker threads: the event thread that waits for device events,
// the write thread that drains the bounded write queue, the queue itself, and the link
// through which both reach their component.
#pragma once

#include "comm/main_thread.h"
#include "comm/va_sync.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace comm {

namespace port {
class IPort;
}

/// Thread priorities. On Linux they become nice values of the worker threads (idle 19,
/// lowest 10, lower 5, normal 0, higher -5, highest -10, time-critical -20); raising
/// needs privileges, and a refused change leaves the thread at the process's nice value.
/// On Windows they are the seven thread priority levels of the same names (idle, lowest,
/// below normal, normal, above normal, highest, time-critical).
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

/// A linear byte queue of fixed capacity: data always starts at the beginning, removing
/// from the front moves the rest down. No operation checks bounds; callers keep them.
/// Not locked: the write lock guards it. Raises nothing after construction (std::bad_alloc
/// from the constructor).
class TVaCommBuffer {
public:
    explicit TVaCommBuffer(int capacity) : m_data(static_cast<size_t>(capacity)) {}
    uint8_t* DataPtr() { return m_data.data(); }
    int Size() const { return m_size; }
    int Capacity() const { return static_cast<int>(m_data.size()); }
    void Clear() { m_size = 0; }
    /// Appends; size + count <= capacity.
    void Write(const void* buf, int count);
    /// Copies the first `count` (<= size) bytes out, removing nothing.
    void Peek(void* buf, int count) const;
    /// Peek, then Remove.
    void Read(void* buf, int count);
    /// Drops the first `count` (<= size) bytes.
    void Remove(int count);

private:
    std::vector<uint8_t> m_data;
    int m_size = 0;
};

/// Worker threads of all components that have started and not yet ended. Close joins the
/// threads of its component, so they are gone when it returns. Any thread; raises nothing.
int RunningWorkerThreads();

/// What a worker thread needs of its component, and all it may use of it. The component
/// fills one per opening; the threads keep copies, so each part lives as long as the
/// longest-lived thread of that opening.
struct TVaCommLink {
    std::shared_ptr<port::IPort> port;             ///< the open device
    std::shared_ptr<IMainThread> mainThread;       ///< the hand-off
    std::shared_ptr<TVaCriticalSection> writeLock; ///< guards the write queue
    /// Set on the main thread when the component stops this opening's threads (Close,
    /// destruction). A hand-off checks it on the main thread and then does nothing.
    std::shared_ptr<bool> cancelled;
    /// Delivers one event mask to the component: EV_RXCHAR as a data event, the other bits
    /// as line events. Runs on the main thread inside a hand-off, only while `cancelled` is
    /// false; an exception from it goes to ApplicationHandleException.
    std::function<void(uint32_t evtMask)> deliver;
};

/// How a worker hands an event to the main thread and how it is stopped there; the part
/// both threads share.
///
/// Hand-off: the worker posts the event (IMainThread::Post) and waits until the call has
/// run on the main thread or was dropped unrun, or until StopThread. No lock is held while
/// it waits.
///
/// Shutdown, always in this order (the component's Close): StopThread sets the stop flag
/// under the hand-off's mutex and wakes every wait of the thread (the hand-off, the device
/// wait, the signals); Join then waits until the thread has ended; only after that does
/// the component close the device. A thread waiting in a hand-off stops waiting at once,
/// whether its call is still queued or is running right now further down the main thread's
/// stack (Close called from an event handler), so joining on the main thread cannot
/// deadlock. A stopped thread hands nothing over any more.
class TVaCommThread {
public:
    TVaCommThread(const TVaCommThread&) = delete;
    TVaCommThread& operator=(const TVaCommThread&) = delete;
    /// Joins; the derived class's destructor has stopped the thread (StopThread, Join).
    virtual ~TVaCommThread();
    /// Gives the thread its priority and starts it. Once only; passes on std::system_error
    /// when the system refuses the thread.
    void Start(TThreadPriority priority);
    /// Applied at once when running (see TThreadPriority).
    void SetPriority(TThreadPriority priority);
    /// Sets the stop flag and wakes the thread; returns at once. Nothing is handed over
    /// afterwards.
    void StopThread();
    /// Waits until the thread has ended; nothing when it never started. StopThread first.
    void Join();

    struct Shared;

protected:
    explicit TVaCommThread(TVaCommLink link, TThreadPriority priority);
    /// Wakes the thread's own waits after the stop flag is set.
    virtual void Wake() = 0;
    /// The thread's loop.
    virtual void Run() = 0;
    /// Hands `mask` to the main thread and waits as described above.
    void HandOff(uint32_t mask);
    bool Stopping() const;
    const TVaCommLink& Link() const;

private:
    std::unique_ptr<Shared> m_shared;
    std::thread m_thread;
};

/// The event thread: waits for the device's masked events and hands each to the main
/// thread through the link. When the device vanishes it hands over one EV_ERR and ends.
/// Every member is called on the main thread; the constructor passes on std::system_error
/// when the system refuses an eventfd.
class TVaCommEventThread final : public TVaCommThread {
public:
    explicit TVaCommEventThread(TVaCommLink link);
    ~TVaCommEventThread() override;

private:
    void Wake() override;
    void Run() override;
    TVaWaitEvent m_eventSignal; // set only by StopThread: cancels the device wait
};

/// The write thread: writes what WriteData queued, reports EV_TXEMPTY when the queue has
/// drained and EV_ERR when a write fails. Every member is called on the main thread;
/// errors as TVaCommEventThread's.
class TVaCommWriteThread final : public TVaCommThread {
public:
    /// A queue of `capacity` bytes (the component's Buffers().WriteSize() at Open).
    TVaCommWriteThread(TVaCommLink link, int capacity);
    ~TVaCommWriteThread() override;
    /// Queues the bytes, waiting up to `timeoutMs` for room. False when there was no room in
    /// time (always for more than the capacity). Raises nothing.
    bool WriteData(const void* buf, int count, int timeoutMs);
    /// Asks the thread to leave its transfer, waits up to 2000 ms for the acknowledgement
    /// and then empties the queue (unchanged without acknowledgement). Raises nothing.
    void PurgeWrite();
    /// Bytes in the queue, under the write lock. Raises nothing.
    int Used() const;

    struct State;

private:
    void Wake() override;
    void Run() override;
    std::unique_ptr<State> m_state;
};

} // namespace comm
