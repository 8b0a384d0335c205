// Root of the serial component family: the component base with free notification,
// the family's exception and the application's standard exception report.
#pragma once

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace comm {

/// The only exception of the serial component; what() is the message. Raises nothing itself
/// but std::bad_alloc.
class EVaCommError : public std::runtime_error {
public:
    explicit EVaCommError(const std::string& message, int code = 0)
        : std::runtime_error(message), m_code(code) {}
    std::string Message() const { return what(); }
    /// The system error (errno) behind a failed device operation; 0 when the failure is the
    /// component's own (a refused setting, a full output buffer, no such device).
    int Code() const { return m_code; }

private:
    int m_code;
};

/// The application's standard exception report: where exceptions from handlers run for
/// the component (OnOpen, OnError, handlers of worker-thread events) go instead of
/// propagating. Main thread. The default writes the message to stderr. Neither function
/// raises, unless the handler that was set does.
void SetApplicationExceptionHandler(std::function<void(std::exception_ptr)> handler);
void ApplicationHandleException(std::exception_ptr error);

/// Root of the family's components: free notification and the Loaded point. Main thread
/// only; nothing here raises but what a Notification override raises.
class TVaComponent {
public:
    enum TOperation { opInsert, opRemove };
    explicit TVaComponent(TVaComponent* owner = nullptr) : m_owner(owner) {}
    TVaComponent(const TVaComponent&) = delete;
    TVaComponent& operator=(const TVaComponent&) = delete;
    virtual ~TVaComponent();

    TVaComponent* Owner() const { return m_owner; }
    /// Called once all stored properties are set.
    virtual void Loaded() {}
    /// Design mode: Loaded does not open the port.
    bool Designing() const { return m_designing; }
    void SetDesigning(bool value) { m_designing = value; }
    /// `other` gets Notification(this, opRemove) when this component is destroyed.
    void FreeNotification(TVaComponent* other);
    void RemoveFreeNotification(TVaComponent* other);
    virtual void Notification(TVaComponent* component, TOperation operation);

protected:
    /// Sends the removal notifications now (a destructor calls it while its object is
    /// still whole); afterwards the list is empty.
    void SendFreeNotifications();

private:
    TVaComponent* m_owner;
    bool m_designing = false;
    std::vector<TVaComponent*> m_notified;
};

} // namespace comm
