// CallQueue: any thread posts calls; the main thread runs them in RunPending.
#include "comm/main_thread.h"

#include <chrono>

namespace comm {

CallQueue::~CallQueue() {
    Shutdown();
}

void CallQueue::Post(std::function<void()> call) {
    std::unique_lock lock(m_mutex);
    if (m_shutdown) {
        lock.unlock();
        call = nullptr; // dropped, outside the lock: destroying it may release a worker
        return;
    }
    m_items.push_back(std::move(call));
    m_queued.notify_all();
}

int CallQueue::RunPending(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    if (m_items.empty() && timeoutMs > 0)
        m_queued.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [&] { return !m_items.empty() || m_shutdown; });
    int ran = 0;
    // Only the calls present now: a call queued while one runs waits for the next pump.
    for (size_t n = m_items.size(); n > 0 && !m_items.empty(); --n) {
        std::function<void()> call = std::move(m_items.front());
        m_items.pop_front();
        lock.unlock();
        try {
            call();
        } catch (...) {
            // The component reports its own exceptions; nothing may reach the pump.
        }
        call = nullptr; // drop captured state on the main thread, outside the lock
        lock.lock();
        ++ran;
    }
    return ran;
}

bool CallQueue::RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return done();
        RunPending(static_cast<int>(std::min<long long>(left.count(), 5)));
    }
    return true;
}

size_t CallQueue::Pending() const {
    std::lock_guard lock(m_mutex);
    return m_items.size();
}

void CallQueue::Shutdown() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_mutex);
        m_shutdown = true;
        dropped.swap(m_items);
        m_queued.notify_all();
    }
    // `dropped` is destroyed here, outside the lock.
}

} // namespace comm
