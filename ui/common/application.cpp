// Exceptions caught at the application level and shown, never ending the program.
#include "ui/common/application.h"

#include "comm/va_component.h"
#include "core/common/prompts.h"
#include "ui/common/utf8.h"

#include <QMetaObject>
#include <cstdio>

namespace ui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    comm::SetApplicationExceptionHandler([this](std::exception_ptr e) { ReportException(e); });
}

Application::~Application() {
    comm::SetApplicationExceptionHandler(nullptr);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportException(std::current_exception());
    }
    return false;
}

void Application::ReportException(std::exception_ptr error) {
    QString caption = QText(core::kAppTitle);
    QString text = QStringLiteral("Unknown exception");
    try {
        std::rethrow_exception(error);
    } catch (const comm::EVaCommError& e) {
        caption = QStringLiteral("Error");
        text = QString::fromStdString(e.Message());
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
    }
    // Not from inside the handler that failed (a paint, a serial hand-off): once it is over.
    QMetaObject::invokeMethod(
        this, [this, caption, text] { Show(caption, text); }, Qt::QueuedConnection);
}

void Application::Show(const QString& caption, const QString& text) {
    // A box is modal: an error raised while one is open goes to stderr, not into a pile of
    // boxes.
    if (!m_prompts || m_showing > 0) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        return;
    }
    ++m_showing;
    m_prompts->Error(Utf8(caption), Utf8(text));
    --m_showing;
}

} // namespace ui
