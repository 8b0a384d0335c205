// Serial component: device steps, reads and writes, status and lines, event delivery.
#include "comm/port/port.h"
#include "comm/va_comm.h"
#include "comm/va_utils.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <utility>
#include <vector>

namespace comm {

// ---- line settings and device steps ----

DCB TVaCustomComm::BuildDCB() const {
    DCB dcb;
    dcb.BaudRate =
        m_baudrate == brUser ? static_cast<uint32_t>(m_userBaudrate) : BaudrateValue(m_baudrate);
    dcb.fBinary = 1;
    dcb.fParity = m_options.Contains(coParityCheck);
    dcb.fOutxCtsFlow = m_flowControl.OutCtsFlow();
    dcb.fOutxDsrFlow = m_flowControl.OutDsrFlow();
    dcb.fDtrControl = m_flowControl.ControlDtr();
    dcb.fDsrSensitivity = m_flowControl.DsrSensitivity();
    dcb.fTXContinueOnXoff = m_flowControl.TxContinueOnXoff();
    dcb.fOutX = m_flowControl.XonXoffOut();
    dcb.fInX = m_flowControl.XonXoffIn();
    dcb.fErrorChar = m_options.Contains(coErrorChar);
    dcb.fNull = m_options.Contains(coNullStrip);
    dcb.fRtsControl = m_flowControl.ControlRts();
    dcb.fAbortOnError = 0;
    dcb.XonLim = static_cast<uint16_t>(m_buffers.XonLimit());
    dcb.XoffLim = static_cast<uint16_t>(m_buffers.XoffLimit());
    dcb.ByteSize = DatabitsValue(m_databits);
    dcb.Parity = ParityValue(m_parity);
    dcb.StopBits = StopbitsValue(m_stopbits);
    dcb.XonChar = m_eventChars.XonChar();
    dcb.XoffChar = m_eventChars.XoffChar();
    dcb.ErrorChar = m_eventChars.ErrorChar();
    dcb.EofChar = m_eventChars.EofChar();
    dcb.EvtChar = m_eventChars.EventChar();
    return dcb;
}

void TVaCustomComm::SetDCB() {
    if (!Active() || !m_updateDCB)
        return;
    Watch(m_port->SetCommState(BuildDCB()), "Error writing dcb (%d), %s");
}

void TVaCustomComm::ReadDCB(const DCB& dcb) {
    TVaBaudrate rate;
    if (dcb.BaudRate != 0 && BaudrateFromValue(dcb.BaudRate, rate)) {
        m_baudrate = rate;
        m_userBaudrate = 0;
    } else if (dcb.BaudRate == 0) {
        m_baudrate = brUser;
        m_userBaudrate = 0;
    } else {
        m_baudrate = brUser;
        m_userBaudrate = static_cast<int>(dcb.BaudRate);
    }
    m_parity = dcb.Parity <= SPACEPARITY ? static_cast<TVaParity>(dcb.Parity) : paNone;
    m_databits =
        dcb.ByteSize >= 4 && dcb.ByteSize <= 8 ? static_cast<TVaDatabits>(dcb.ByteSize - 4) : db8;
    m_stopbits = dcb.StopBits <= TWOSTOPBITS ? static_cast<TVaStopbits>(dcb.StopBits) : sb1;
    m_flowControl.SetControlDtr(static_cast<TVaControlDtr>(std::min<uint32_t>(dcb.fDtrControl, 2)));
    m_flowControl.SetControlRts(static_cast<TVaControlRts>(dcb.fRtsControl));
    m_flowControl.SetOutCtsFlow(dcb.fOutxCtsFlow);
    m_flowControl.SetOutDsrFlow(dcb.fOutxDsrFlow);
    m_flowControl.SetXonXoffOut(dcb.fOutX);
    m_flowControl.SetXonXoffIn(dcb.fInX);
    m_flowControl.SetDsrSensitivity(dcb.fDsrSensitivity);
    m_flowControl.SetTxContinueOnXoff(dcb.fTXContinueOnXoff);
    m_eventChars.SetXonChar(dcb.XonChar);
    m_eventChars.SetXoffChar(dcb.XoffChar);
    m_eventChars.SetErrorChar(dcb.ErrorChar);
    m_eventChars.SetEofChar(dcb.EofChar);
    m_eventChars.SetEventChar(dcb.EvtChar);
    m_buffers.SetXonLimit(dcb.XonLim);
    m_buffers.SetXoffLimit(dcb.XoffLim);
    TVaCommOptions options;
    if (dcb.fErrorChar)
        options.Include(coErrorChar);
    if (dcb.fNull)
        options.Include(coNullStrip);
    if (dcb.fParity)
        options.Include(coParityCheck);
    m_options = options;
}

void TVaCustomComm::ResetPortParameters() {
    DCB dcb;
    int error = 0;
    const bool ok = Active() ? m_port->GetDefaultCommState(dcb)
                             : port::ReadDefaultCommState(ResolvedPath(), dcb, error);
    if (!ok)
        throw EVaCommError("Error reading default port parameters.");
    // Linux has no XON/XOFF limits to report; keep the neutral values.
    dcb.XonLim = static_cast<uint16_t>(m_buffers.XonLimit());
    dcb.XoffLim = static_cast<uint16_t>(m_buffers.XoffLimit());
    ReadDCB(dcb);
}

void TVaCustomComm::UpdateTimeouts() {
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = 0xFFFFFFFF;
    Watch(m_port->SetCommTimeouts(timeouts), "Error setting timeouts (%d), %s");
}

void TVaCustomComm::UpdateBuffers() {
    if (!Active())
        return;
    Watch(m_port->SetupComm(static_cast<uint32_t>(m_buffers.ReadSize()),
                            static_cast<uint32_t>(m_buffers.WriteSize())),
          "Error initializing buffers (%d), %s");
}

void TVaCustomComm::UpdateEventMask() {
    m_waitMask = 0;
    for (int e = ceBreak; e <= ceEvent2; ++e) {
        if (m_monitorEvents.Contains(static_cast<TVaCommEvent>(e)))
            m_waitMask |= CommEventValue(static_cast<TVaCommEvent>(e));
    }
    if (!m_directWrite)
        m_waitMask &= ~EV_TXEMPTY;
    if (Active())
        Watch(m_port->SetCommMask(m_waitMask), " Error setting EventMask (%d), %s");
}

void TVaCustomComm::GetProperties() {
    m_properties = COMMPROP{};
    if (!Active())
        throw EVaCommError("Can't perform this operation while port is closed");
    Watch(m_port->GetProperties(m_properties), "Error reading port properties (%d), %s");
}

// ---- data transfer ----

int TVaCustomComm::WriteBuf(const void* buf, int count) {
    if (!Active() || count <= 0)
        return 0;
    if (!m_directWrite) {
        if (!m_writeThread->WriteData(buf, count, m_buffers.WriteTimeout))
            throw EVaCommError("Output buffer is full. Please check comm status.");
        return count;
    }
    std::lock_guard lock(*m_writeLock);
    const port::WriteResult r = m_port->Write(buf, static_cast<size_t>(count), {},
                                              static_cast<uint32_t>(m_buffers.ReadTimeout), true);
    if (r.status == port::WriteResult::Failed && r.written == 0) {
        errno = r.error;
        Error("Write error (%d), %s");
    }
    // Bytes that went out before a time limit or a loss are counted: they were sent.
    return static_cast<int>(r.written);
}

bool TVaCustomComm::WriteText(std::string_view text) {
    return WriteBuf(text.data(), static_cast<int>(text.size())) == static_cast<int>(text.size());
}

bool TVaCustomComm::WriteChar(char ch) {
    return WriteBuf(&ch, 1) == 1;
}

int TVaCustomComm::ReadBuf(void* buf, int count) {
    if (!Active() || count <= 0)
        return 0;
    std::lock_guard lock(m_globalLock);
    const long n = m_port->Read(buf, static_cast<size_t>(count));
    if (n < 0)
        Error("Read error (%d), %s");
    return static_cast<int>(n);
}

std::string TVaCustomComm::ReadText() {
    const int waiting = ReadBufUsed();
    if (waiting <= 0)
        return {};
    std::string text(static_cast<size_t>(waiting), '\0');
    text.resize(static_cast<size_t>(ReadBuf(text.data(), waiting)));
    return text;
}

bool TVaCustomComm::ReadChar(char& ch) {
    return ReadBuf(&ch, 1) == 1;
}

int TVaCustomComm::ReadBufUsed() {
    return Active() ? static_cast<int>(QueryStatus().cbInQue) : 0;
}

int TVaCustomComm::ReadBufFree() {
    return Active() ? m_buffers.ReadSize() - ReadBufUsed() : 0;
}

int TVaCustomComm::WriteBufUsed() {
    if (!Active())
        return 0;
    if (m_directWrite)
        return static_cast<int>(QueryStatus().cbOutQue);
    return m_writeThread ? m_writeThread->Used() : 0;
}

int TVaCustomComm::WriteBufFree() {
    return Active() ? m_buffers.WriteSize() - WriteBufUsed() : 0;
}

void TVaCustomComm::PurgeRead() {
    PurgeBuffers(PURGE_RXABORT | PURGE_RXCLEAR);
}

void TVaCustomComm::PurgeWrite() {
    PurgeBuffers(PURGE_TXABORT | PURGE_TXCLEAR);
}

void TVaCustomComm::PurgeReadWrite() {
    PurgeBuffers(PURGE_TXABORT | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_RXCLEAR);
}

void TVaCustomComm::PurgeBuffers(uint32_t flags) {
    if (!Active())
        return;
    std::lock_guard lock(m_globalLock);
    if (flags != (PURGE_RXABORT | PURGE_RXCLEAR) && m_writeThread)
        m_writeThread->PurgeWrite();
    Watch(m_port->Purge(flags), "Error clearing buffers (%d), %s");
}

// ---- status and lines ----

// The device reports its line errors once and clears them with every query. The queries
// for queue counts and hold flags keep them here, so that they still reach the next
// GetCommStatus: a framing error that arrives with data is taken from the device by the
// data event's ReadBufUsed, and reported by the EV_ERR of that same event.
COMSTAT TVaCustomComm::QueryStatus() {
    std::lock_guard lock(m_globalLock);
    COMSTAT stat;
    if (Active()) {
        uint32_t errors = 0;
        Watch(m_port->ClearCommError(errors, stat), "Error retrieving statistics (%d), %s");
        m_lineErrors |= errors;
    }
    return stat;
}

uint32_t TVaCustomComm::PendingLineErrors() {
    std::lock_guard lock(m_globalLock);
    return m_lineErrors;
}

TVaCommStatus TVaCustomComm::GetCommStatus() {
    TVaCommStatus status;
    status.Stat = QueryStatus();
    std::lock_guard lock(m_globalLock);
    status.Errors = std::exchange(m_lineErrors, 0u);
    return status;
}

bool TVaCustomComm::ClearLineErrors() {
    const TVaCommStatus status = GetCommStatus();
    if (status.Errors == 0)
        return false;
    if (OnError) {
        try {
            OnError(this, static_cast<int>(status.Errors));
        } catch (...) {
            ApplicationHandleException(std::current_exception());
        }
    }
    return true;
}

bool TVaCustomComm::GetComStat(int index) {
    const COMSTAT stat = QueryStatus();
    if (index < 1 || index > 8)
        return false;
    return (stat.Flags >> (index - 1)) & 1;
}

bool TVaCustomComm::GetModemStatus(int index) {
    if (!Active())
        return false;
    uint32_t lines = 0;
    Watch(m_port->GetModemStatus(lines), "Error reading modem state (%d), %s");
    constexpr uint32_t kLines[] = {MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON};
    return index >= 1 && index <= 4 && (lines & kLines[index - 1]) != 0;
}

void TVaCustomComm::SetDTR(bool value) {
    if (m_flowControl.ControlDtr() == dtrHandshake)
        throw EVaCommError("DTR line updates not allowed when flowcontrol is set to Handshake.");
    ToggleCommState(value ? SETDTR : CLRDTR);
}

void TVaCustomComm::SetRTS(bool value) {
    if (m_flowControl.ControlRts() == rtsHandshake || m_flowControl.ControlRts() == rtsToggle)
        throw EVaCommError(
            "RTS line updates not allowed when flowcontrol is set to Handshake or Toggle.");
    ToggleCommState(value ? SETRTS : CLRRTS);
}

void TVaCustomComm::ToggleCommState(uint32_t function) {
    if (Active())
        Watch(m_port->Escape(function), "Error calling comm function (%d), %s");
}

// ---- events and clients ----

void TVaCustomComm::HandleDataEvent() {
    const int waiting = ReadBufUsed();
    if (waiting <= 0)
        return;
    if (!Clients().empty()) {
        std::vector<uint8_t> block(static_cast<size_t>(waiting));
        const int got = ReadBuf(block.data(), waiting);
        if (got > 0)
            WriteBuffer(block.data(), got);
    } else if (OnRxChar) {
        OnRxChar(this, waiting);
    }
}

void TVaCustomComm::HandleLineEvent(uint32_t evtMask) {
    if (BitOn(evtMask, EV_ERR))
        ClearLineErrors();
    if (!Clients().empty())
        WriteEvents(evtMask);
    const std::pair<uint32_t, TVaNotifyEvent*> handlers[] = {
        {EV_RXFLAG, &OnRxFlag}, {EV_CTS, &OnCts},      {EV_DSR, &OnDsr},
        {EV_RING, &OnRing},     {EV_RLSD, &OnRlsd},    {EV_TXEMPTY, &OnTxEmpty},
        {EV_BREAK, &OnBreak},   {EV_PERR, &OnPErr},    {EV_RX80FULL, &OnRx80Full},
        {EV_EVENT1, &OnEvent1}, {EV_EVENT2, &OnEvent2}};
    for (const auto& [bit, handler] : handlers) {
        if (BitOn(evtMask, bit) && *handler)
            (*handler)(this);
    }
}

void TVaCustomComm::WriteEvents(uint32_t evtMask) {
    PassLineEvent(evtMask);
}

void TVaCustomComm::WriteBuffer(PVaData data, int count) {
    PassDataEvent(data, count);
    if (OnRxBuf)
        OnRxBuf(this, data, count);
}

} // namespace comm
