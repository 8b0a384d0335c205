// The serial component's hand-off on Qt: a worker thread's call runs on the GUI thread
// through a queued call; the component's worker waits until it has run.
#pragma once

#include "comm/main_thread.h"

#include <atomic>
#include <memory>

class QObject;

namespace ui {

/// Construct on the GUI thread. Shared by the component and its worker threads, so it may
/// be destroyed on any thread.
class QtMainThread final : public comm::IMainThread {
public:
    QtMainThread();
    ~QtMainThread() override;

    /// Any thread: queues `call` to run on the GUI thread and returns at once. After
    /// Shutdown the call is dropped without running.
    void Post(std::function<void()> call) override;
    /// GUI thread: no more calls run; the queued ones are dropped, which releases the
    /// workers waiting for them.
    void Shutdown();

private:
    QObject* m_context; // lives on the GUI thread; receives the queued calls
    // Shared with the queued calls, which may run after this object has gone.
    std::shared_ptr<std::atomic<bool>> m_shutdown = std::make_shared<std::atomic<bool>>(false);
};

} // namespace ui
