// The serial component's worker threads: the event thread that waits for device events,
// the write thread that drains the bounded write queue, and the queue itself.
#pragma once

#include "comm/va_comm.h"
#include "comm/va_sync.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace comm {

/// A linear byte queue of fixed capacity: data always starts at the beginning, removing
/// from the front moves the rest down. No operation checks bounds; callers keep them.
/// Not locked: the write lock guards it.
class TVaCommBuffer {
public:
    explicit TVaCommBuffer(int capacity) : m_data(static_cast<size_t>(capacity)) {}
    uint8_t* DataPtr() { return m_data.data(); }
    int Size() const { return m_size; }
    int Capacity() const { return static_cast<int>(m_data.size()); }
    void Clear() { m_size = 0; }
    /// Appends; size + count <= capacity.
    void Write(const void* buf, int count);
    /// Copies the first `count` bytes out, removing nothing.
    void Peek(void* buf, int count) const;
    void Read(void* buf, int count);
    /// Drops the first `count` (<= size) bytes.
    void Remove(int count);

private:
    std::vector<uint8_t> m_data;
    int m_size = 0;
};

/// Worker threads of all components still running (they end by themselves after Close).
/// Lets tests and the program's exit wait until every device is really closed.
int RunningWorkerThreads();

/// The event thread: waits for the device's masked events and hands each to the main
/// thread (HandleDataEvent for received characters, then HandleLineEvent for the rest).
/// When the device vanishes it hands over one EV_ERR and ends. Created by Open; the
/// thread releases itself when it ends, so the object may be dropped at any time.
class TVaCommEventThread {
public:
    explicit TVaCommEventThread(TVaCustomComm& comm);
    /// Gives the thread its priority and starts it.
    void Start(TThreadPriority priority);
    void SetPriority(TThreadPriority priority);
    /// Sets the terminated flag, then the event signal; returns at once. No event is
    /// handed over afterwards.
    void StopThread();

    struct State;

private:
    std::shared_ptr<State> m_state;
};

/// The write thread: writes what WriteData queued, reports EV_TXEMPTY when the queue has
/// drained and EV_ERR when a write fails.
class TVaCommWriteThread {
public:
    /// The queue's capacity is comm.Buffers().WriteSize() now.
    explicit TVaCommWriteThread(TVaCustomComm& comm);
    void Start(TThreadPriority priority);
    void SetPriority(TThreadPriority priority);
    /// Sets the stop signal; returns at once.
    void StopThread();
    /// Main thread: queues the bytes, waiting up to Buffers().WriteTimeout ms for room.
    /// False when there was no room in time (always for more than the capacity).
    bool WriteData(const void* buf, int count, int timeoutMs);
    /// Main thread: asks the thread to leave its transfer, waits up to 2000 ms for the
    /// acknowledgement and then empties the queue (unchanged without acknowledgement).
    void PurgeWrite();
    /// Bytes in the queue, under the write lock.
    int Used() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace comm
