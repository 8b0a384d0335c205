// The serial component's hand-off on Qt: a worker thread's call runs on the GUI thread
// through a blocking queued call, and the worker waits until it has run.
#pragma once

#include "comm/main_thread.h"

#include <atomic>

class QObject;

namespace ui {

/// Construct on the GUI thread. Shared by the component and its worker threads, so it may
/// be destroyed on any thread.
class QtMainThread final : public comm::IMainThread {
public:
    QtMainThread();
    ~QtMainThread() override;

    /// Worker threads: runs `call` on the GUI thread and returns when it has run. After
    /// Shutdown it returns at once without running anything. A call from the GUI thread
    /// itself runs directly (a blocking queued call there would deadlock).
    void RunOnMainThread(const std::function<void()>& call) override;
    /// GUI thread: no more calls run; workers waiting for their call are released at once
    /// (their queued calls are dropped).
    void Shutdown();

private:
    QObject* m_context; // lives on the GUI thread; receives the queued calls
    std::atomic<bool> m_shutdown{false};
};

} // namespace ui
