// Event and write threads of the serial component, and the write queue.
#include "comm/va_threads.h"

#include "comm/port/port.h"
#include "comm/port/thread_priority.h"
#include "comm/va_component.h"
#include "comm/va_utils.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace comm {

namespace {

std::atomic<int> g_runningThreads{0};

void ApplyPriority(long tid, int priority) {
    port::SetThreadPriorityOf(tid, priority);
}

// What a waiting worker and the calls it posted share: the mutex and condition of its
// hand-off waits. The calls keep it alive (not the thread's link, so a call left queued
// after Close holds neither the device nor the component).
struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool stopping = false; // under `mutex`
};

// One posted event. `done` (under the gate's mutex) is set when the call has run, or when
// the hand-off destroys it unrun.
struct Ticket {
    explicit Ticket(std::shared_ptr<Gate> g) : gate(std::move(g)) {}
    void Finish() {
        std::lock_guard lock(gate->mutex);
        done = true;
        gate->cv.notify_all();
    }
    std::shared_ptr<Gate> gate;
    bool done = false;
};

// Destroyed with the last copy of the posted call: a call that is dropped unrun still
// releases its worker.
struct Release {
    explicit Release(std::shared_ptr<Ticket> t) : ticket(std::move(t)) {}
    Release(const Release&) = delete;
    Release& operator=(const Release&) = delete;
    ~Release() { ticket->Finish(); }
    std::shared_ptr<Ticket> ticket;
};

} // namespace

struct TVaCommThread::Shared {
    TVaCommLink link;
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::atomic<bool> stopping{false}; // the gate's flag, readable without its mutex
    std::atomic<int> priority{tpNormal};
    std::atomic<long> tid{0};
};

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

// ---- both threads ----

TVaCommThread::TVaCommThread(TVaCommLink link, TThreadPriority priority)
    : m_shared(std::make_unique<Shared>()) {
    m_shared->link = std::move(link);
    m_shared->priority.store(priority);
}

TVaCommThread::~TVaCommThread() {
    if (m_thread.joinable())
        m_thread.join();
}

void TVaCommThread::Start(TThreadPriority priority) {
    m_shared->priority.store(priority);
    ++g_runningThreads;
    try {
        m_thread = std::thread([this] {
            m_shared->tid.store(port::CurrentThreadId());
            ApplyPriority(m_shared->tid.load(), m_shared->priority.load());
            Run();
            m_shared->tid.store(0);
            --g_runningThreads;
        });
    } catch (...) {
        --g_runningThreads;
        throw;
    }
}

void TVaCommThread::SetPriority(TThreadPriority priority) {
    m_shared->priority.store(priority);
    ApplyPriority(m_shared->tid.load(), priority);
}

void TVaCommThread::StopThread() {
    Gate& gate = *m_shared->gate;
    {
        std::lock_guard lock(gate.mutex);
        gate.stopping = true;
        m_shared->stopping.store(true);
    }
    gate.cv.notify_all();
    Wake();
}

void TVaCommThread::Join() {
    if (m_thread.joinable())
        m_thread.join();
}

bool TVaCommThread::Stopping() const {
    return m_shared->stopping.load();
}

const TVaCommLink& TVaCommThread::Link() const {
    return m_shared->link;
}

void TVaCommThread::HandOff(uint32_t mask) {
    const TVaCommLink& link = m_shared->link;
    const std::shared_ptr<Gate>& gate = m_shared->gate;
    auto ticket = std::make_shared<Ticket>(gate);
    {
        std::lock_guard lock(gate->mutex);
        if (gate->stopping)
            return;
    }
    // The cancelled flag is read on the main thread only, where the component sets it.
    link.mainThread->Post([release = std::make_shared<Release>(ticket), cancelled = link.cancelled,
                           deliver = link.deliver, mask] {
        if (!*cancelled) {
            try {
                deliver(mask);
            } catch (...) {
                ApplicationHandleException(std::current_exception());
            }
        }
        release->ticket->Finish();
    });
    std::unique_lock lock(gate->mutex);
    gate->cv.wait(lock, [&] { return ticket->done || gate->stopping; });
}

// ---- event thread ----

TVaCommEventThread::TVaCommEventThread(TVaCommLink link)
    : TVaCommThread(std::move(link), tpNormal) {}

TVaCommEventThread::~TVaCommEventThread() {
    StopThread();
    Join();
}

void TVaCommEventThread::Wake() {
    m_eventSignal.SetEvent();
}

void TVaCommEventThread::Run() {
    port::IPort& device = *Link().port;
    while (!Stopping()) {
        uint32_t events = 0;
        const port::WaitStatus status = device.WaitCommEvent(events, m_eventSignal);
        if (Stopping())
            break;
        if (status == port::WaitStatus::Event) {
            HandOff(events);
            continue;
        }
        if (status == port::WaitStatus::Cancelled)
            break;
        // The device vanished, or the wait cannot work any more. Waiting again would
        // return at once forever: report it once and stop waiting.
        device.MarkLost();
        if (device.TakeLostReport())
            HandOff(EV_ERR);
        break;
    }
}

// ---- write thread ----

struct TVaCommWriteThread::State {
    State(const TVaCommLink& l, int capacity, std::function<void(uint32_t)> h)
        : link(l), queue(capacity), handOff(std::move(h)) {}
    const TVaCommLink& link; // the thread's own
    TVaCommBuffer queue;
    std::function<void(uint32_t)> handOff; // TVaCommThread::HandOff
    // The five signals. The device's own readiness (poll) takes the place of an
    // I/O-completion signal; purgeEnd tells the thread that PurgeWrite has finished with
    // the queue, so it neither writes from nor removes from the queue until then.
    TVaWaitEvent dataReady, stop, purgeRequest, purgeDone, purgeEnd;
    bool terminated = false; // the thread's own
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
        s.handOff(EV_TXEMPTY);
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
            s.handOff(EV_ERR);
        return Idle(s);
    default:
        s.handOff(EV_ERR);
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
    : TVaCommThread(std::move(link), tpHighest),
      m_state(std::make_unique<State>(Link(), capacity, [this](uint32_t mask) { HandOff(mask); })) {
}

TVaCommWriteThread::~TVaCommWriteThread() {
    StopThread();
    Join();
}

void TVaCommWriteThread::Wake() {
    m_state->stop.SetEvent();
}

void TVaCommWriteThread::Run() {
    State& s = *m_state;
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
