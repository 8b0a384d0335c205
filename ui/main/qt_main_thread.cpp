// The serial component's hand-off on Qt.
#include "ui/main/qt_main_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace ui {

QtMainThread::QtMainThread() : m_context(new QObject) {}

QtMainThread::~QtMainThread() {
    // Calls still queued find the flag set and do nothing. The last owner may be a worker
    // thread: the context goes with the GUI thread's loop.
    m_shutdown->store(true);
    m_context->deleteLater();
}

void QtMainThread::Post(std::function<void()> call) {
    if (m_shutdown->load())
        return; // dropped: destroying it releases its worker
    QMetaObject::invokeMethod(
        m_context,
        [shutdown = m_shutdown, call = std::move(call)] {
            if (shutdown->load())
                return;
            try {
                call();
            } catch (...) {
                // The component reports its own errors; nothing may reach the event loop.
            }
        },
        Qt::QueuedConnection);
}

void QtMainThread::Shutdown() {
    m_shutdown->store(true);
    // Destroying a queued call releases the worker that waits for it.
    QCoreApplication::removePostedEvents(m_context, QEvent::MetaCall);
}

} // namespace ui
