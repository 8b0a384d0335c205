// The client list, dispatchers and client components of the serial component.
#include "comm/va_dispatch.h"

#include "comm/va_comm.h"

#include <algorithm>

namespace comm {

void TVaCommClients::InsertClient(TVaDispatcher* dispatcher) {
    dispatcher->m_comm = m_comm;
    m_clients.push_back(dispatcher);
}

void TVaCommClients::RemoveClient(TVaDispatcher* dispatcher) {
    const auto it = std::find(m_clients.begin(), m_clients.end(), dispatcher);
    if (it == m_clients.end())
        return;
    dispatcher->m_comm = nullptr;
    m_clients.erase(it);
}

void TVaCommClients::DestroyClients() {
    while (!m_clients.empty())
        RemoveClient(m_clients.back());
}

bool TVaCommClients::IsClient(const TVaDispatcher* dispatcher) const {
    return std::find(m_clients.begin(), m_clients.end(), dispatcher) != m_clients.end();
}

void TVaCommClients::PassLineEvent(uint32_t evtMask) {
    if (!m_controlsEnabled)
        return;
    for (TVaDispatcher* client : std::vector<TVaDispatcher*>(m_clients))
        if (IsClient(client))
            client->LineEvent(evtMask);
}

void TVaCommClients::PassDataEvent(PVaData data, int count) {
    if (!m_controlsEnabled)
        return;
    for (TVaDispatcher* client : std::vector<TVaDispatcher*>(m_clients))
        if (IsClient(client))
            client->DataEvent(data, count);
}

TVaDispatcher::~TVaDispatcher() {
    if (m_comm)
        m_comm->RemoveClient(this);
}

void TVaDispatcher::DataEvent(PVaData data, int count) {
    if (Active && m_owner)
        m_owner->DataChanged(data, count);
}

void TVaDispatcher::LineEvent(uint32_t evtMask) {
    if (Active && m_owner)
        m_owner->LineChanged(evtMask);
}

int TVaDispatcher::WriteBuf(const void* buf, int count) {
    return m_comm ? m_comm->WriteBuf(buf, count) : 0;
}

bool TVaDispatcher::WriteText(std::string_view text) {
    return m_comm ? m_comm->WriteText(text) : false;
}

bool TVaDispatcher::WriteChar(char ch) {
    return m_comm ? m_comm->WriteChar(ch) : false;
}

void TVaDispatcher::PurgeRead() {
    if (m_comm)
        m_comm->PurgeRead();
}

void TVaDispatcher::PurgeWrite() {
    if (m_comm)
        m_comm->PurgeWrite();
}

void TVaDispatcher::PurgeReadWrite() {
    if (m_comm)
        m_comm->PurgeReadWrite();
}

void TVaDispatcher::SetDTRState(bool value) {
    if (m_comm)
        m_comm->SetDTR(value);
}

TVaCommComponent::~TVaCommComponent() {
    SetComm(nullptr);
}

void TVaCommComponent::SetComm(TVaCustomComm* comm) {
    if (m_comm) {
        m_comm->RemoveClient(&m_dispatcher);
        m_comm->RemoveFreeNotification(this);
    }
    m_comm = comm;
    if (m_comm) {
        m_comm->InsertClient(&m_dispatcher);
        m_comm->FreeNotification(this);
    }
}

void TVaCommComponent::DataChanged(PVaData, int) {}

void TVaCommComponent::LineChanged(uint32_t) {}

void TVaCommComponent::Notification(TVaComponent* component, TOperation operation) {
    TVaComponent::Notification(component, operation);
    if (operation == opRemove && component == m_comm)
        SetComm(nullptr);
}

} // namespace comm
