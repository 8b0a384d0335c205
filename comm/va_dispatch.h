// Clients of a serial component: a dispatcher that receives its data and line events, and
// a component that attaches one to a TVaComm named by its Comm property.
#pragma once

#include "comm/va_comm.h"

#include <cstdint>
#include <string_view>

namespace comm {

class TVaCommComponent;

/// Attached to at most one serial component, which calls it on the main thread.
class TVaDispatcher {
public:
    explicit TVaDispatcher(TVaCommComponent* owner) : m_owner(owner) {}
    TVaDispatcher(const TVaDispatcher&) = delete;
    TVaDispatcher& operator=(const TVaDispatcher&) = delete;
    /// Leaves the client list of its component, if attached.
    ~TVaDispatcher();

    /// While false, DataEvent and LineEvent pass nothing on. True at construction.
    bool Active = true;
    TVaCustomComm* Comm() const { return m_comm; }
    TVaCommComponent* Owner() const { return m_owner; }

    /// Passed to the owner's DataChanged / LineChanged when Active.
    void DataEvent(PVaData data, int count);
    void LineEvent(uint32_t evtMask);

    // Forwarded to the attached component; nothing and 0/false when not attached.
    int WriteBuf(const void* buf, int count);
    bool WriteText(std::string_view text);
    bool WriteChar(char ch);
    void PurgeRead();
    void PurgeWrite();
    void PurgeReadWrite();
    void SetDTRState(bool value);

private:
    friend class TVaCustomComm; // records and clears m_comm on insert/remove
    TVaCustomComm* m_comm = nullptr;
    TVaCommComponent* m_owner;
};

/// A component that listens to a serial component through its own dispatcher.
/// Descendants override DataChanged and LineChanged.
class TVaCommComponent : public TVaComponent {
public:
    explicit TVaCommComponent(TVaComponent* owner = nullptr)
        : TVaComponent(owner), m_dispatcher(this) {}
    ~TVaCommComponent() override;

    TVaCustomComm* Comm() const { return m_comm; }
    /// Leaves the old component's client list and joins the new one's (either may be none).
    void SetComm(TVaCustomComm* comm);
    bool Active() const { return m_dispatcher.Active; }
    void SetActive(bool value) { m_dispatcher.Active = value; }
    TVaDispatcher& Dispatcher() { return m_dispatcher; }

    virtual void DataChanged(PVaData data, int count);
    virtual void LineChanged(uint32_t evtMask);
    /// When the serial component named by Comm is destroyed, Comm becomes none.
    void Notification(TVaComponent* component, TOperation operation) override;

private:
    TVaCustomComm* m_comm = nullptr;
    TVaDispatcher m_dispatcher;
};

} // namespace comm
