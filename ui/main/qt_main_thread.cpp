// The serial component's hand-off on Qt.
#include "ui/main/qt_main_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

namespace ui {

QtMainThread::QtMainThread() : m_context(new QObject) {}

QtMainThread::~QtMainThread() {
    // The last owner may be a worker thread: the context goes with the GUI thread's loop.
    m_context->deleteLater();
}

void QtMainThread::RunOnMainThread(const std::function<void()>& call) {
    if (m_shutdown.load())
        return;
    const auto guarded = [this, &call] {
        if (m_shutdown.load())
            return;
        try {
            call();
        } catch (...) {
            // The component reports its own errors; nothing may reach the worker.
        }
    };
    if (QThread::currentThread() == m_context->thread()) {
        guarded();
        return;
    }
    QMetaObject::invokeMethod(m_context, guarded, Qt::BlockingQueuedConnection);
}

void QtMainThread::Shutdown() {
    m_shutdown.store(true);
    // Destroying a pending blocking call releases the worker that waits for it.
    QCoreApplication::removePostedEvents(m_context, QEvent::MetaCall);
}

} // namespace ui
