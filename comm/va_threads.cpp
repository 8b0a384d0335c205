// Event and write threads of the serial component, and the write queue.
#include "comm/va_threads.h"

#include "comm/port/port.h"
#include "comm/va_component.h"
#include "comm/va_utils.h"

#include <cstring>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace comm {

namespace {

std::atomic<int> g_runningThreads{0};

constexpr int kNice[] = {19, 10, 5, 0, -5, -10, -20};

void ApplyPriority(pid_t tid, int priority) {
    if (tid > 0 && priority >= 0 && priority < static_cast<int>(std::size(kNice)))
        setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kNice[priority]);
}

// Hands `mask` to the main thread and waits until it has been delivered there. The
// cancelled flag is read on the main thread only, where the component sets it.
void HandOff(const TVaCommLink& link, uint32_t mask) {
    link.mainThread->RunOnMainThread([cancelled = link.cancelled, deliver = link.deliver, mask] {
        if (*cancelled)
            return;
        try {
            deliver(mask);
        } catch (...) {
            ApplicationHandleException(std::current_exception());
        }
    });
}

// Runs `body` on a detached thread that counts itself in RunningWorkerThreads until its
// state has been released.
template <typename StatePtr, typename Body>
void Spawn(StatePtr state, Body body) {
    ++g_runningThreads;
    try {
        std::thread([state = std::move(state), body]() mutable {
            state->tid.store(gettid());
            ApplyPriority(state->tid.load(), state->priority.load());
            body(*state);
            state->tid.store(0);
            state.reset();
            --g_runningThreads;
        }).detach();
    } catch (...) {
        --g_runningThreads;
        throw;
    }
}

} // namespace

int RunningWorkerThreads() {
    return g_runningThreads.load();
}

void TVaCommBuffer::Write(const void* buf, int count) {
    std::memcpy(m_data.data() + m_size, buf, static_cast<size_t>(count));
    m_size += count;
}

void TVaCommBuffer::Peek(void* buf, int count) const {
    std::memcpy(buf, m_data.data(), static_cast<size_t>(count));
}

void TVaCommBuffer::Read(void* buf, int count) {
    Peek(buf, count);
    Remove(count);
}

void TVaCommBuffer::Remove(int count) {
    std::memmove(m_data.data(), m_data.data() + count, static_cast<size_t>(m_size - count));
    m_size -= count;
}

// ---- event thread ----

struct TVaCommEventThread::State {
    TVaCommLink link;
    TVaWaitEvent eventSignal; // set only by StopThread: cancels the wait
    std::atomic<bool> terminated{false};
    std::atomic<int> priority{tpNormal};
    std::atomic<pid_t> tid{0};
};

TVaCommEventThread::TVaCommEventThread(TVaCommLink link) : m_state(std::make_shared<State>()) {
    m_state->link = std::move(link);
}

void TVaCommEventThread::Start(TThreadPriority priority) {
    m_state->priority.store(priority);
    Spawn(m_state, [](State& s) {
        port::IPort& device = *s.link.port;
        while (!s.terminated.load()) {
            uint32_t events = 0;
            const port::WaitStatus status = device.WaitCommEvent(events, s.eventSignal);
            if (s.terminated.load())
                break;
            if (status == port::WaitStatus::Event) {
                HandOff(s.link, events);
                continue;
            }
            if (status == port::WaitStatus::Cancelled)
                break;
            // The device vanished, or the wait cannot work any more. Waiting again would
            // return at once forever: report it once and stop waiting.
            device.MarkLost();
            if (device.TakeLostReport())
                HandOff(s.link, EV_ERR);
            break;
        }
    });
}

void TVaCommEventThread::SetPriority(TThreadPriority priority) {
    m_state->priority.store(priority);
    ApplyPriority(m_state->tid.load(), priority);
}

void TVaCommEventThread::StopThread() {
    m_state->terminated.store(true);
    m_state->eventSignal.SetEvent();
}

// ---- write thread ----

struct TVaCommWriteThread::State {
    State(TVaCommLink l, int capacity) : link(std::move(l)), queue(capacity) {}
    TVaCommLink link;
    TVaCommBuffer queue;
    // The five signals. The device's own readiness (poll) takes the place of an
    // I/O-completion signal; purgeEnd tells the thread that PurgeWrite has finished with
    // the queue, so it neither writes from nor removes from the queue until then.
    TVaWaitEvent dataReady, stop, purgeRequest, purgeDone, purgeEnd;
    bool terminated = false; // the thread's own
    std::atomic<int> priority{tpHighest};
    std::atomic<pid_t> tid{0};
};

namespace {

using WriteState = TVaCommWriteThread::State;

void AcknowledgePurge(WriteState& s) {
    s.purgeRequest.ResetEvent();
    s.purgeDone.SetEvent();
    if (WaitForAny({&s.stop, &s.purgeEnd}, INFINITE) != 1)
        s.terminated = true;
}

void RemoveWritten(WriteState& s, size_t written, bool report) {
    bool empty;
    {
        std::lock_guard lock(*s.link.writeLock);
        s.queue.Remove(static_cast<int>(written));
        empty = s.queue.Size() == 0;
        // Reset only together with the empty test, so an append in between is not lost.
        if (empty)
            s.dataReady.ResetEvent();
    }
    if (!report)
        return;
    if (!empty)
        s.dataReady.SetEvent();
    else if (!s.stop.IsSet())
        HandOff(s.link, EV_TXEMPTY);
}

// Waits out a lost device: nothing more is written, but stops and purges are answered.
void Idle(WriteState& s) {
    while (!s.terminated) {
        if (WaitForAny({&s.stop, &s.purgeRequest}, INFINITE) == 1)
            AcknowledgePurge(s);
        else
            s.terminated = true;
    }
}

void Transfer(WriteState& s) {
    uint8_t* data;
    int size;
    {
        std::lock_guard lock(*s.link.writeLock);
        data = s.queue.DataPtr();
        size = s.queue.Size();
        if (size == 0)
            s.dataReady.ResetEvent();
    }
    if (size == 0)
        return;
    // No lock during the transfer: only this thread removes bytes, appends go behind
    // `size`, and PurgeWrite clears the queue only after this thread has acknowledged.
    const port::WriteResult r = s.link.port->Write(data, static_cast<size_t>(size),
                                                   {&s.stop, &s.purgeRequest}, INFINITE, false);
    switch (r.status) {
    case port::WriteResult::Done:
        return RemoveWritten(s, r.written, true);
    case port::WriteResult::Cancelled:
        RemoveWritten(s, r.written, false);
        if (r.cancelIndex == 0)
            s.terminated = true;
        else
            AcknowledgePurge(s);
        return;
    case port::WriteResult::Lost:
        RemoveWritten(s, r.written, false);
        if (s.link.port->TakeLostReport())
            HandOff(s.link, EV_ERR);
        return Idle(s);
    default:
        HandOff(s.link, EV_ERR);
        // The bytes stay queued and are tried again; a short pause keeps a lasting
        // failure from becoming a busy loop of error reports.
        switch (WaitForAny({&s.stop, &s.purgeRequest}, 100)) {
        case 0:
            s.terminated = true;
            break;
        case 1:
            AcknowledgePurge(s);
            break;
        default:
            break;
        }
    }
}

} // namespace

TVaCommWriteThread::TVaCommWriteThread(TVaCommLink link, int capacity)
    : m_state(std::make_shared<State>(std::move(link), capacity)) {}

void TVaCommWriteThread::Start(TThreadPriority priority) {
    m_state->priority.store(priority);
    Spawn(m_state, [](State& s) {
        while (!s.terminated) {
            switch (WaitForAny({&s.stop, &s.purgeRequest, &s.dataReady}, INFINITE)) {
            case 1:
                AcknowledgePurge(s);
                break;
            case 2:
                Transfer(s);
                break;
            default:
                s.terminated = true;
                break; // stop, or a wait that cannot work
            }
        }
    });
}

void TVaCommWriteThread::SetPriority(TThreadPriority priority) {
    m_state->priority.store(priority);
    ApplyPriority(m_state->tid.load(), priority);
}

void TVaCommWriteThread::StopThread() {
    m_state->stop.SetEvent();
}

bool TVaCommWriteThread::WriteData(const void* buf, int count, int timeoutMs) {
    State& s = *m_state;
    TVaTimeEvent timer;
    InitTimer(timer, static_cast<uint32_t>(timeoutMs));
    for (;;) {
        {
            std::lock_guard lock(*s.link.writeLock);
            if (s.queue.Size() + count <= s.queue.Capacity()) {
                s.queue.Write(buf, count);
                s.dataReady.SetEvent();
                return true;
            }
        }
        if (TimerExpired(timer))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TVaCommWriteThread::PurgeWrite() {
    State& s = *m_state;
    s.purgeEnd.ResetEvent();
    s.purgeDone.ResetEvent();
    s.purgeRequest.SetEvent();
    if (s.purgeDone.WaitFor(2000) == wrSignaled) {
        std::lock_guard lock(*s.link.writeLock);
        s.queue.Clear();
        s.dataReady.ResetEvent();
    }
    s.purgeEnd.SetEvent();
}

int TVaCommWriteThread::Used() const {
    std::lock_guard lock(*m_state->link.writeLock);
    return m_state->queue.Size();
}

} // namespace comm
