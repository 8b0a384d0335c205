// Serial component: construction, properties, Open/Close and the line-settings record.
#include "comm/va_comm.h"

#include "comm/port/port.h"
#include "comm/port_map.h"

#include <algorithm>
#include <cerrno>
#include <mutex>

namespace comm {

namespace {

// Replaces "%%" by "%", the first "%d" by `code` and the first "%s" by `text`; other text
// is kept. (The messages carry at most one of each, in that order.)
std::string FormatMessage(const std::string& message, const std::string* code,
                          const std::string* text) {
    std::string out;
    for (size_t i = 0; i < message.size(); ++i) {
        const char next = i + 1 < message.size() ? message[i + 1] : '\0';
        if (message[i] == '%' && next == '%') {
            out += '%';
            ++i;
        } else if (message[i] == '%' && next == 'd' && code) {
            out += *code;
            code = nullptr;
            ++i;
        } else if (message[i] == '%' && next == 's' && text) {
            out += *text;
            text = nullptr;
            ++i;
        } else {
            out += message[i];
        }
    }
    return out;
}

std::string Escaped(const std::string& s) {
    std::string out;
    for (char c : s)
        out += c == '%' ? std::string("%%") : std::string(1, c);
    return out;
}

constexpr uint32_t kEventValues[] = {EV_BREAK,    EV_CTS,    EV_DSR,     EV_ERR,    EV_RING,
                                     EV_RLSD,     EV_RXCHAR, EV_TXEMPTY, EV_RXFLAG, EV_PERR,
                                     EV_RX80FULL, EV_EVENT1, EV_EVENT2};

} // namespace

uint32_t CommEventValue(TVaCommEvent event) {
    return kEventValues[event];
}

// ---- TVaCustomComm: lifecycle ----

TVaCustomComm::TVaCustomComm(TVaComponent* owner)
    : TVaComponent(owner), TVaCommClients(this),
      m_writeLock(std::make_shared<TVaCriticalSection>()), m_portMapDir(DefaultPortMapDir()) {
    m_buffers.SetOnChange([this](TVaPersistent*) { BuffersChanged(); });
    m_eventChars.SetOnChange([this](TVaPersistent*) { EventCharsChanged(); });
    m_flowControl.SetOnChange([this](TVaPersistent*) { FlowControlChanged(); });
}

TVaCustomComm::~TVaCustomComm() {
    m_destroying = true;
    try {
        Close();
    } catch (...) {
        ApplicationHandleException(std::current_exception());
    }
    DestroyClients();
    SendFreeNotifications();
}

void TVaCustomComm::SetMainThread(std::shared_ptr<IMainThread> mainThread) {
    m_mainThread = std::move(mainThread);
}

void TVaCustomComm::Loaded() {
    TVaComponent::Loaded();
    if (!Designing() && m_autoOpen)
        Open();
}

void TVaCustomComm::Open() {
    CheckOpen();
    CreateHandle();
    if (!Active())
        return;
    try {
        SetDCB();
        UpdateBuffers();
        UpdateTimeouts();
        UpdateEventMask();
        CreateThreads();
        DoOpen();
    } catch (...) {
        DestroyThreads();
        DestroyHandle();
        throw;
    }
}

void TVaCustomComm::Close() {
    if (!Active())
        return;
    DestroyThreads();
    DestroyHandle();
    DoClose();
}

void TVaCustomComm::CheckOpen() const {
    if (Active())
        throw EVaCommError("Can't perform this operation while port is open");
}

std::string TVaCustomComm::GetDeviceName() const {
    const std::string number = std::to_string(m_portNum);
    return FormatMessage(m_deviceName, &number, nullptr);
}

bool TVaCustomComm::DeviceLost() const {
    return m_port && m_port->Lost();
}

std::string TVaCustomComm::ResolvedPath() const {
    const auto path = PortMap(m_portMapDir).Resolve(GetDeviceName());
    return path ? *path : std::string();
}

void TVaCustomComm::CreateHandle() {
    const std::string name = GetDeviceName();
    const std::string path = ResolvedPath();
    const std::string notFound = FormatMessage("Specified device not found (%s).", nullptr, &name);
    if (path.empty())
        throw EVaCommError(notFound);
    int error = 0;
    m_port = OpenDevice(path, error);
    if (m_port)
        return;
    if (port::IsNotFound(error))
        throw EVaCommError(notFound);
    errno = error;
    Error("Can't open specified device " + Escaped(name) + " (Error %d, %s)");
}

std::shared_ptr<port::IPort> TVaCustomComm::OpenDevice(const std::string& path, int& error) {
    return port::OpenPort(path, error);
}

void TVaCustomComm::DestroyHandle() {
    if (m_port)
        m_port->Close();
    m_port.reset();
    std::lock_guard lock(m_globalLock);
    m_lineErrors = 0; // the closed opening's
}

void TVaCustomComm::CreateThreads() {
    if (!m_mainThread && (m_waitMask != 0 || !m_directWrite))
        throw std::logic_error("serial component: SetMainThread before Open");
    m_handOffCancelled = std::make_shared<bool>(false);
    TVaCommLink link{m_port, m_mainThread, m_writeLock, m_handOffCancelled,
                     [this, cancelled = m_handOffCancelled](uint32_t evtMask) {
                         DeliverEvent(evtMask, *cancelled);
                     }};
    if (m_waitMask != 0) {
        m_eventThread = std::make_unique<TVaCommEventThread>(link);
        m_eventThread->Start(m_eventPriority);
    }
    if (!m_directWrite) {
        m_writeThread = std::make_unique<TVaCommWriteThread>(link, m_buffers.WriteSize());
        m_writeThread->Start(m_writePriority);
    }
}

// One event of a worker thread, on the main thread: received characters first. A handler
// of the data event may close the port (`closed` turns true): the line events of that
// opening then go nowhere.
void TVaCustomComm::DeliverEvent(uint32_t evtMask, const bool& closed) {
    if (evtMask & EV_RXCHAR) {
        HandleDataEvent();
        evtMask &= ~EV_RXCHAR;
        // Line errors that came with the data were taken from the device by the counts
        // the data event asked for; they are this event's errors.
        if (!closed && (m_waitMask & EV_ERR) && PendingLineErrors() != 0)
            evtMask |= EV_ERR;
    }
    if (evtMask && !closed)
        HandleLineEvent(evtMask);
}

// Stop flag under the lock, wake, join: both threads have ended when this returns, so the
// device can be closed under nobody. Joining never waits for the main thread (this one):
// a thread waiting to hand an event over stops waiting when told to stop.
void TVaCustomComm::DestroyThreads() {
    {
        std::lock_guard lock(m_globalLock);
        if (m_handOffCancelled)
            *m_handOffCancelled = true;
        if (m_eventThread)
            m_eventThread->StopThread();
        if (m_writeThread)
            m_writeThread->StopThread();
    }
    if (m_eventThread)
        m_eventThread->Join();
    if (m_writeThread)
        m_writeThread->Join();
    m_eventThread.reset();
    m_writeThread.reset();
}

void TVaCustomComm::DoOpen() {
    if (!OnOpen)
        return;
    try {
        OnOpen(this);
    } catch (...) {
        ApplicationHandleException(std::current_exception());
    }
}

void TVaCustomComm::DoClose() {
    if (OnClose && !m_destroying)
        OnClose(this);
}

void TVaCustomComm::Error(const std::string& message) const {
    const int code = errno;
    const std::string codeText = std::to_string(code);
    const std::string text = port::ErrorText(code);
    throw EVaCommError(FormatMessage(message, &codeText, &text), code);
}

void TVaCustomComm::Watch(bool ok, const std::string& message) const {
    if (!ok)
        Error(message);
}

// ---- properties ----

void TVaCustomComm::SetBaudrate(TVaBaudrate value) {
    if (value == m_baudrate)
        return;
    m_baudrate = value;
    if (value != brUser)
        m_userBaudrate = 0;
    SetDCB();
}

void TVaCustomComm::SetParity(TVaParity value) {
    if (value != m_parity) {
        m_parity = value;
        SetDCB();
    }
}

void TVaCustomComm::SetDatabits(TVaDatabits value) {
    if (value != m_databits) {
        m_databits = value;
        SetDCB();
    }
}

void TVaCustomComm::SetStopbits(TVaStopbits value) {
    if (value != m_stopbits) {
        m_stopbits = value;
        SetDCB();
    }
}

void TVaCustomComm::SetOptions(TVaCommOptions value) {
    if (value != m_options) {
        m_options = value;
        SetDCB();
    }
}

void TVaCustomComm::SetUserBaudrate(int value) {
    if (value == m_userBaudrate)
        return;
    m_userBaudrate = value;
    m_baudrate = brUser;
    SetDCB();
}

void TVaCustomComm::SetPortNum(int value) {
    CheckOpen();
    m_portNum = value;
}

void TVaCustomComm::SetDeviceName(const std::string& value) {
    CheckOpen();
    m_deviceName = value;
}

void TVaCustomComm::SetMonitorEvents(TVaCommEvents value) {
    CheckOpen();
    m_monitorEvents = value;
}

void TVaCustomComm::SetBuffers(const TVaBuffers& value) {
    CheckOpen();
    m_buffers.Assign(value);
}

void TVaCustomComm::SetEventPriority(TThreadPriority value) {
    if (value == m_eventPriority)
        return;
    m_eventPriority = value;
    if (m_eventThread)
        m_eventThread->SetPriority(value);
}

void TVaCustomComm::SetWritePriority(TThreadPriority value) {
    if (value == m_writePriority)
        return;
    m_writePriority = value;
    if (m_writeThread)
        m_writeThread->SetPriority(value);
}

void TVaCustomComm::SetDirectWrite(bool value) {
    CheckOpen();
    m_directWrite = value;
}

void TVaCustomComm::SetUpdateDCB(bool value) {
    CheckOpen();
    m_updateDCB = value;
}

void TVaCustomComm::BuffersChanged() {
    CheckOpen();
    UpdateBuffers();
    SetDCB();
}

} // namespace comm
