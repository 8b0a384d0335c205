// Component base and the application's standard exception report.
#include "comm/va_component.h"

#include <algorithm>
#include <cstdio>

namespace comm {

namespace {

std::function<void(std::exception_ptr)>& ExceptionHandler() {
    static std::function<void(std::exception_ptr)> handler;
    return handler;
}

} // namespace

void SetApplicationExceptionHandler(std::function<void(std::exception_ptr)> handler) {
    ExceptionHandler() = std::move(handler);
}

void ApplicationHandleException(std::exception_ptr error) {
    if (ExceptionHandler()) {
        ExceptionHandler()(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "unknown exception\n");
    }
}

TVaComponent::~TVaComponent() {
    SendFreeNotifications();
}

void TVaComponent::FreeNotification(TVaComponent* other) {
    if (other && std::find(m_notified.begin(), m_notified.end(), other) == m_notified.end())
        m_notified.push_back(other);
}

void TVaComponent::RemoveFreeNotification(TVaComponent* other) {
    std::erase(m_notified, other);
}

void TVaComponent::Notification(TVaComponent*, TOperation) {}

void TVaComponent::SendFreeNotifications() {
    while (!m_notified.empty()) {
        TVaComponent* other = m_notified.back();
        m_notified.pop_back();
        other->Notification(this, opRemove);
    }
}

} // namespace comm
