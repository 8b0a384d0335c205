// The serial port component: TVaCustomComm owns one serial device, keeps its line
// settings, reads and writes bytes, and reports received characters and line events to
// its owner through handlers that always run on the main thread.
#pragma once

#include "comm/dcb.h"
#include "comm/main_thread.h"
#include "comm/va_component.h"
#include "comm/va_settings.h"
#include "comm/va_sync.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace comm {

namespace port {
class IPort;
}
class TVaCommEventThread;
class TVaCommWriteThread;
class TVaDispatcher;
class TVaCustomComm;

/// Events the component can watch, and their device values (EV_*).
enum TVaCommEvent {
    ceBreak,
    ceCts,
    ceDsr,
    ceError,
    ceRing,
    ceRlsd,
    ceRxChar,
    ceTxEmpty,
    ceRxFlag,
    cePErr,
    ceRx80Full,
    ceEvent1,
    ceEvent2
};
using TVaCommEvents = TVaSet<TVaCommEvent>;
uint32_t CommEventValue(TVaCommEvent event);

/// Thread priorities. On Linux they become nice values of the worker threads (idle 19,
/// lowest 10, lower 5, normal 0, higher -5, highest -10, time-critical -20); raising
/// needs privileges, and a refused change leaves the thread at the process's nice value.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

/// Received bytes (up to 32768 valid, a separate count says how many).
using PVaData = const uint8_t*;

using TVaNotifyEvent = std::function<void(TVaCustomComm* sender)>;
using TVaCommErrorEvent = std::function<void(TVaCustomComm* sender, int errors)>;
using TVaCommRxCharEvent = std::function<void(TVaCustomComm* sender, int count)>;
using TVaCommRxBufEvent = std::function<void(TVaCustomComm* sender, PVaData data, int count)>;
using TVaCommLineEvent = std::function<void(TVaCustomComm* sender, uint32_t evtMask)>;

/// Line-error flags (CE_*) followed by the queue state.
struct TVaCommStatus {
    uint32_t Errors = 0;
    COMSTAT Stat;
};

/// All behaviour of the serial port component.
///
/// Threads: every public operation is called on the main thread. Handlers run on the main
/// thread too: the worker threads hand each event over through the IMainThread set with
/// SetMainThread and wait until it has been handled. Close never waits for the workers;
/// a handed-over event of a closed opening or of a destroyed component does nothing.
///
/// Typical use (the monitor's port): SetMainThread once; SetBaudrate(br38400) (the
/// default is br1200); before each Open, SetDeviceName("COM3") or "\\.\COM12" (resolved
/// through the port map) or a device path; OnRxChar reads with ReadBufUsed/ReadChar;
/// WriteBuf queues and returns; catch EVaCommError around Open, Close and the setters.
/// A vanished device raises nothing: OnError gets CE_IOE | CE_DEVICELOST once and
/// DeviceLost() turns true; Close and Open another device afterwards.
class TVaCustomComm : public TVaComponent {
public:
    explicit TVaCustomComm(TVaComponent* owner = nullptr);
    ~TVaCustomComm() override;

    /// The hand-off to the main thread; needed before Open when a worker thread runs.
    void SetMainThread(std::shared_ptr<IMainThread> mainThread);
    /// Folder of the COM name map (see port_map.h); default DefaultPortMapDir().
    void SetPortMapDir(std::string dir) { m_portMapDir = std::move(dir); }

    // Port control. Failures raise EVaCommError.
    void Open();
    void Close();
    bool Active() const { return m_port != nullptr; }
    void CheckOpen() const;
    /// DeviceName with PortNum in place of its "%d" ("COM%d" and 3 give "COM3").
    std::string GetDeviceName() const;
    /// The open device has vanished (unplugged, hung up); reported once through OnError
    /// with CE_IOE | CE_DEVICELOST. Reads then return 0. False while closed.
    bool DeviceLost() const;

    // Properties. Setters marked "open: refused" raise "Can't perform this operation while
    // port is open" when Active and keep the old value.
    bool AutoOpen() const { return m_autoOpen; }
    void SetAutoOpen(bool value) { m_autoOpen = value; }
    TVaBaudrate Baudrate() const { return m_baudrate; }
    void SetBaudrate(TVaBaudrate value);
    TVaParity Parity() const { return m_parity; }
    void SetParity(TVaParity value);
    TVaDatabits Databits() const { return m_databits; }
    void SetDatabits(TVaDatabits value);
    TVaStopbits Stopbits() const { return m_stopbits; }
    void SetStopbits(TVaStopbits value);
    TVaEventChars& EventChars() { return m_eventChars; }
    void SetEventChars(const TVaEventChars& value) { m_eventChars.Assign(value); }
    TVaFlowControl& FlowControl() { return m_flowControl; }
    void SetFlowControl(const TVaFlowControl& value) { m_flowControl.Assign(value); }
    TVaCommOptions Options() const { return m_options; }
    void SetOptions(TVaCommOptions value);
    int PortNum() const { return m_portNum; }
    void SetPortNum(int value); ///< open: refused; 0..2147483647
    const std::string& DeviceName() const { return m_deviceName; }
    void SetDeviceName(const std::string& value); ///< open: refused
    TVaCommEvents MonitorEvents() const { return m_monitorEvents; }
    void SetMonitorEvents(TVaCommEvents value); ///< open: refused; used at next Open
    /// Buffers().ReadTimeout/WriteTimeout may be changed any time (ms).
    TVaBuffers& Buffers() { return m_buffers; }
    void SetBuffers(const TVaBuffers& value); ///< open: refused
    TThreadPriority EventPriority() const { return m_eventPriority; }
    void SetEventPriority(TThreadPriority value);
    TThreadPriority WritePriority() const { return m_writePriority; }
    void SetWritePriority(TThreadPriority value);
    bool DirectWrite() const { return m_directWrite; }
    void SetDirectWrite(bool value); ///< open: refused
    bool UpdateDCB() const { return m_updateDCB; }
    void SetUpdateDCB(bool value); ///< open: refused
    int UserBaudrate() const { return m_userBaudrate; }
    void SetUserBaudrate(int value);

    // Handlers, called on the main thread with this component as sender.
    TVaNotifyEvent OnOpen, OnClose, OnCts, OnDsr, OnRlsd, OnRing, OnBreak;
    TVaCommErrorEvent OnError;
    TVaCommRxCharEvent OnRxChar;
    TVaCommRxBufEvent OnRxBuf;
    TVaNotifyEvent OnRxFlag, OnTxEmpty, OnPErr, OnRx80Full, OnEvent1, OnEvent2;

    // Data transfer: 0, empty or false when closed, without error.
    /// Queued (default): the bytes are copied into the write queue, waiting up to
    /// Buffers().WriteTimeout ms for room, else "Output buffer is full. Please check comm
    /// status.". DirectWrite: written at once, waiting up to Buffers().ReadTimeout ms for
    /// room in the device; returns the bytes that went out.
    int WriteBuf(const void* buf, int count);
    bool WriteText(std::string_view text);
    bool WriteChar(char ch);
    /// Reads at most `count` of the bytes waiting now; never waits for more.
    int ReadBuf(void* buf, int count);
    std::string ReadText();
    bool ReadChar(char& ch);
    int ReadBufUsed();
    int ReadBufFree();
    int WriteBufUsed();
    int WriteBufFree();
    void PurgeRead() { PurgeBuffers(PURGE_RXABORT | PURGE_RXCLEAR); }
    void PurgeWrite() { PurgeBuffers(PURGE_TXABORT | PURGE_TXCLEAR); }
    void PurgeReadWrite() {
        PurgeBuffers(PURGE_TXABORT | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_RXCLEAR);
    }
    void PurgeBuffers(uint32_t flags);

    // Status and lines.
    /// Line errors since the last query (cleared by it) and queue counts; zero when closed.
    TVaCommStatus GetCommStatus();
    bool ClearLineErrors();
    /// Hold flag 1..8 (CTS, DSR, RLSD, XOFF hold, XOFF sent, EOF, immediate char, reserved).
    bool GetComStat(int index);
    /// Line 1 CTS, 2 DSR, 3 ring, 4 carrier detect; false when closed.
    bool GetModemStatus(int index);
    void SetDTR(bool value);
    void SetRTS(bool value);
    void SetBreak(bool value) { ToggleCommState(value ? SETBREAK : CLRBREAK); }
    void SetXon(bool value) { ToggleCommState(value ? SETXON : SETXOFF); }
    void ResetDev() { ToggleCommState(RESETDEV); }
    void ToggleCommState(uint32_t function);

    // Events and clients.
    virtual void HandleDataEvent();
    virtual void HandleLineEvent(uint32_t evtMask);
    virtual void WriteEvents(uint32_t evtMask);
    virtual void WriteBuffer(PVaData data, int count);
    void InsertClient(TVaDispatcher* dispatcher);
    void RemoveClient(TVaDispatcher* dispatcher);
    void DestroyClients();
    const std::vector<TVaDispatcher*>& Clients() const { return m_clients; }
    void EnableControls() { m_controlsEnabled = true; }
    void DisableControls() { m_controlsEnabled = false; }
    bool ControlsEnabled() const { return m_controlsEnabled; }

    // Line settings and device steps.
    /// The complete record SetDCB applies, built from the current settings.
    DCB BuildDCB() const;
    void SetDCB();
    void ReadDCB(const DCB& dcb);
    /// Settings from the device's default configuration (found at open, or read now).
    void ResetPortParameters();
    void UpdateTimeouts();
    void UpdateBuffers();
    void UpdateEventMask();
    uint32_t WaitMask() const { return m_waitMask; }
    /// Fills Properties(); raises when closed.
    void GetProperties();
    const COMMPROP& Properties() const { return m_properties; }

    void WriteLock() { m_writeLock->Acquire(); }
    void WriteUnlock() { m_writeLock->Release(); }
    void GlobalLock() { m_globalLock.Acquire(); }
    void GlobalUnlock() { m_globalLock.Release(); }

    void Loaded() override;

protected:
    virtual void CreateHandle();
    void DestroyHandle();
    virtual void CreateThreads();
    void DestroyThreads();
    void DoOpen();
    void DoClose();
    /// Raises EVaCommError with `message` formatted with errno and its text.
    [[noreturn]] void Error(const std::string& message) const;
    void Watch(bool ok, const std::string& message) const;

private:
    friend class TVaCommEventThread;
    friend class TVaCommWriteThread;
    void BuffersChanged();
    void EventCharsChanged() { SetDCB(); }
    void FlowControlChanged() { SetDCB(); }
    std::string ResolvedPath() const;

    bool m_autoOpen = false;
    TVaBaudrate m_baudrate = br1200;
    TVaParity m_parity = paNone;
    TVaDatabits m_databits = db8;
    TVaStopbits m_stopbits = sb1;
    TVaEventChars m_eventChars;
    TVaFlowControl m_flowControl;
    TVaCommOptions m_options;
    int m_portNum = 0;
    std::string m_deviceName = "COM%d";
    TVaCommEvents m_monitorEvents{ceError, ceRxChar, ceTxEmpty};
    TVaBuffers m_buffers;
    TThreadPriority m_eventPriority = tpNormal;
    TThreadPriority m_writePriority = tpHighest;
    bool m_directWrite = false;
    bool m_updateDCB = true;
    int m_userBaudrate = 0;

    std::shared_ptr<port::IPort> m_port; // null while closed
    uint32_t m_waitMask = 0;
    COMMPROP m_properties;
    std::shared_ptr<TVaCommEventThread> m_eventThread;
    std::shared_ptr<TVaCommWriteThread> m_writeThread;
    // Set when the threads of the current opening are told to stop; their queued
    // hand-offs check it on the main thread and then do nothing.
    std::shared_ptr<bool> m_handOffCancelled;
    std::shared_ptr<TVaCriticalSection> m_writeLock; // shared with the write thread
    TVaCriticalSection m_globalLock;
    std::vector<TVaDispatcher*> m_clients;
    bool m_controlsEnabled = true;
    bool m_destroying = false;
    std::shared_ptr<IMainThread> m_mainThread;
    std::string m_portMapDir;
};

/// Publishes the properties; no behaviour of its own. The main window's MyCOM is one.
class TVaComm : public TVaCustomComm {
public:
    using TVaCustomComm::TVaCustomComm;
};

} // namespace comm
