// CallQueue: workers queue calls and block; the main thread runs them in RunPending.
#include "comm/main_thread.h"

#include <chrono>

namespace comm {

CallQueue::~CallQueue() {
    Shutdown();
}

void CallQueue::RunOnMainThread(const std::function<void()>& call) {
    auto item = std::make_shared<Item>();
    item->call = call;
    std::unique_lock lock(m_mutex);
    if (m_shutdown)
        return;
    m_items.push_back(item);
    m_queued.notify_all();
    m_finished.wait(lock, [&] { return item->done || m_shutdown; });
}

int CallQueue::RunPending(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    if (m_items.empty() && timeoutMs > 0)
        m_queued.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [&] { return !m_items.empty() || m_shutdown; });
    int ran = 0;
    // Only the calls present now: a call queued while one runs waits for the next pump.
    for (size_t n = m_items.size(); n > 0 && !m_items.empty(); --n) {
        auto item = m_items.front();
        m_items.pop_front();
        lock.unlock();
        try {
            item->call();
        } catch (...) {
            // The component reports its own exceptions; nothing may reach the worker.
        }
        item->call = nullptr; // drop captured state on the main thread
        lock.lock();
        item->done = true;
        m_finished.notify_all();
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
    std::lock_guard lock(m_mutex);
    m_shutdown = true;
    m_items.clear();
    m_finished.notify_all();
    m_queued.notify_all();
}

} // namespace comm
