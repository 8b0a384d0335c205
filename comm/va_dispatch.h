// Clients of a serial component: the client list a component keeps, the dispatcher that
// receives a component's data and line events, and a component that attaches one to the
// TVaComm named by its Comm property.
#pragma once

#include "comm/va_component.h"
#include "comm/va_events.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace comm {

class TVaCommComponent;
class TVaDispatcher;

/// The client list of a serial component (TVaCustomComm is one) and the controls-enabled
/// flag. Main thread only; nothing here raises (a client's handler may, see TVaCustomComm).
/// Dispatchers are not owned: they leave the list when destroyed.
class TVaCommClients {
public:
    /// Records this list's component in the dispatcher and appends it to the list.
    void InsertClient(TVaDispatcher* dispatcher);
    /// If the dispatcher is in the list: clears its component and takes it out.
    void RemoveClient(TVaDispatcher* dispatcher);
    /// Removes the last client until the list is empty (the dispatchers are not freed).
    void DestroyClients();
    /// The attached dispatchers, in attach order.
    const std::vector<TVaDispatcher*>& Clients() const { return m_clients; }
    /// While disabled, data and line events are not passed to clients. Enabled at first.
    void EnableControls() { m_controlsEnabled = true; }
    void DisableControls() { m_controlsEnabled = false; }
    bool ControlsEnabled() const { return m_controlsEnabled; }

protected:
    /// `comm`: the component whose list this is (recorded in each inserted dispatcher).
    explicit TVaCommClients(TVaCustomComm* comm) : m_comm(comm) {}
    ~TVaCommClients() = default;
    /// When controls are enabled, LineEvent / DataEvent of every client in list order. The
    /// list is copied first, so a client may leave it from inside its own handler; a client
    /// that leaves it (or is destroyed) from another client's handler is not called after.
    void PassLineEvent(uint32_t evtMask);
    void PassDataEvent(PVaData data, int count);

private:
    bool IsClient(const TVaDispatcher* dispatcher) const;

    TVaCustomComm* m_comm;
    std::vector<TVaDispatcher*> m_clients;
    bool m_controlsEnabled = true;
};

/// Attached to at most one serial component, which calls it on the main thread. Every
/// member is called on the main thread.
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

    /// Passed to the owner's DataChanged / LineChanged when Active; what they raise goes on
    /// to the caller.
    void DataEvent(PVaData data, int count);
    void LineEvent(uint32_t evtMask);

    // Forwarded to the attached component, raising what it raises (EVaCommError); when not
    // attached they do nothing and return 0 or false.
    int WriteBuf(const void* buf, int count);
    bool WriteText(std::string_view text);
    bool WriteChar(char ch);
    void PurgeRead();
    void PurgeWrite();
    void PurgeReadWrite();
    /// The component's SetDTR.
    void SetDTRState(bool value);

private:
    friend class TVaCommClients; // records and clears m_comm on insert/remove
    TVaCustomComm* m_comm = nullptr;
    TVaCommComponent* m_owner;
};

/// A component that listens to a serial component through its own dispatcher.
/// Descendants override DataChanged and LineChanged. Every member is called on the main
/// thread; nothing here raises.
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

    /// Received bytes and line events of the component; both do nothing here.
    virtual void DataChanged(PVaData data, int count);
    virtual void LineChanged(uint32_t evtMask);
    /// When the serial component named by Comm is destroyed, Comm becomes none.
    void Notification(TVaComponent* component, TOperation operation) override;

private:
    TVaCustomComm* m_comm = nullptr;
    TVaDispatcher m_dispatcher;
};

} // namespace comm
