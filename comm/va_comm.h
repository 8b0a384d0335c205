// The serial port component: TVaCustomComm owns one serial device, keeps its line
// settings, reads and writes bytes, and reports received characters and line events to
// its owner through handlers that always run on the main thread.
#pragma once

#include "comm/va_dispatch.h" // the client list, va_component.h
#include "comm/va_events.h"   // dcb.h, va_settings.h
#include "comm/va_threads.h"  // main_thread.h, va_sync.h

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace comm {

/// All behaviour of the serial port component.
///
/// Calling thread: every member is called on the main thread, the one that runs the hand-off
/// (SetMainThread); handlers run there too, one at a time, while the worker that handed the
/// event over waits. Close stops and joins both workers (also when called from a handler);
/// an event handed over by a closed opening or a destroyed component does nothing.
///
/// Errors: a member raises only what its comment names, as EVaCommError ("%d" and "%s" of a
/// message are the errno value and its English text) unless it says otherwise. What OnOpen,
/// OnError or a handler of a worker's event raises goes to ApplicationHandleException.
///
/// Typical use: SetMainThread; SetBaudrate(br38400); SetDeviceName("COM3", a device path,
/// ...) and Open; OnRxChar reads with ReadBufUsed/ReadChar; WriteBuf queues. A vanished
/// device raises nothing: OnError gets CE_IOE | CE_DEVICELOST once, DeviceLost() turns true.
///
/// The first part below is what the monitor program uses of the component; the second
/// part is the rest of the component's documented interface, kept and tested as such but
/// not used by the program.
class TVaCustomComm : public TVaComponent, public TVaCommClients {
public:
    // ======== What the monitor uses ========

    explicit TVaCustomComm(TVaComponent* owner = nullptr);
    /// Close (an exception from it is reported, not raised), then DestroyClients.
    ~TVaCustomComm() override;
    /// The hand-off to the main thread; needed before Open when a worker thread runs.
    void SetMainThread(std::shared_ptr<IMainThread> mainThread);
    /// Folder of the COM name map (see port_map.h); default DefaultPortMapDir().
    void SetPortMapDir(std::string dir) { m_portMapDir = std::move(dir); }

    /// Opens the device, starts the workers, then OnOpen; a failure leaves the port closed.
    /// Raises "Can't perform this operation while port is open", "Specified device not found
    /// (%s).", "Can't open specified device %s (Error %d, %s)", what SetDCB, UpdateBuffers,
    /// UpdateEventMask raise; std::logic_error without a hand-off, std::system_error.
    void Open();
    /// Stops the workers and waits until both have ended, closes the device (which also
    /// resumes output held by SetXon(false)), then OnClose. Nothing when closed. May be
    /// called from any handler of this component. Raises only what OnClose raises (the port
    /// is closed by then).
    void Close();
    bool Active() const { return m_port != nullptr; }
    /// The open device has vanished (unplugged, hung up): reported once to OnError with
    /// CE_IOE | CE_DEVICELOST; reads return 0 until Close. False while closed.
    bool DeviceLost() const;

    // Properties. A setter that changes a line setting while open rewrites the line
    // (SetDCB) and raises its "Error writing dcb (%d), %s". "Open: refused" setters raise
    // "Can't perform this operation while port is open" when Active and keep the old value.
    TVaBaudrate Baudrate() const { return m_baudrate; }
    void SetBaudrate(TVaBaudrate value); ///< other than brUser: UserBaudrate becomes 0
    TVaParity Parity() const { return m_parity; }
    void SetParity(TVaParity value);
    TVaDatabits Databits() const { return m_databits; }
    void SetDatabits(TVaDatabits value);
    TVaStopbits Stopbits() const { return m_stopbits; }
    void SetStopbits(TVaStopbits value);
    TVaFlowControl& FlowControl() { return m_flowControl; }
    TVaCommOptions Options() const { return m_options; }
    void SetOptions(TVaCommOptions value);
    const std::string& DeviceName() const { return m_deviceName; }
    void SetDeviceName(const std::string& value); ///< open: refused
    /// Buffers().ReadTimeout/WriteTimeout may be changed any time (ms); a change of another
    /// Buffers setting while open is stored but raises as "open: refused".
    TVaBuffers& Buffers() { return m_buffers; }
    TThreadPriority WritePriority() const { return m_writePriority; }
    void SetWritePriority(TThreadPriority value); ///< applied to a running thread; no error
    bool DirectWrite() const { return m_directWrite; }
    void SetDirectWrite(bool value); ///< open: refused

    // Handlers, called on the main thread with this component as sender.
    /// Line errors (CE_*), among them those that arrived together with received data.
    TVaCommErrorEvent OnError;
    TVaCommRxCharEvent OnRxChar;

    // Data transfer: 0 when closed, without error. ReadBufUsed raises "Error retrieving
    // statistics (%d), %s" when the device cannot be queried.
    /// Queued (default): the bytes are copied into the write queue, waiting up to
    /// Buffers().WriteTimeout ms for room, else raises "Output buffer is full. Please check
    /// comm status.". DirectWrite: written at once, waiting up to Buffers().ReadTimeout ms for
    /// room in the device; returns the bytes that went out; raises "Write error (%d), %s"
    /// when nothing could be written.
    int WriteBuf(const void* buf, int count);
    /// Reads at most `count` of the bytes waiting now; never waits for more. Raises "Read
    /// error (%d), %s".
    int ReadBuf(void* buf, int count);
    /// Bytes waiting. Line errors it finds are kept for GetCommStatus, not cleared.
    int ReadBufUsed();

    // ======== The rest of the component's interface (not used by the monitor) ========

    bool AutoOpen() const { return m_autoOpen; }
    void SetAutoOpen(bool value) { m_autoOpen = value; }
    /// Raises "Can't perform this operation while port is open" when Active.
    void CheckOpen() const;
    /// DeviceName with PortNum in place of its "%d" ("COM%d" and 3 give "COM3").
    std::string GetDeviceName() const;
    TVaEventChars& EventChars() { return m_eventChars; }
    void SetEventChars(const TVaEventChars& value) { m_eventChars.Assign(value); }
    void SetFlowControl(const TVaFlowControl& value) { m_flowControl.Assign(value); }
    int PortNum() const { return m_portNum; }
    void SetPortNum(int value); ///< open: refused; 0..2147483647
    TVaCommEvents MonitorEvents() const { return m_monitorEvents; }
    void SetMonitorEvents(TVaCommEvents value); ///< open: refused; used at next Open
    void SetBuffers(const TVaBuffers& value);   ///< open: refused
    TThreadPriority EventPriority() const { return m_eventPriority; }
    void SetEventPriority(TThreadPriority value); ///< applied to a running thread; no error
    bool UpdateDCB() const { return m_updateDCB; }
    void SetUpdateDCB(bool value); ///< open: refused
    int UserBaudrate() const { return m_userBaudrate; }
    void SetUserBaudrate(int value); ///< Baudrate becomes brUser

    TVaNotifyEvent OnOpen, OnClose, OnCts, OnDsr, OnRlsd, OnRing, OnBreak;
    TVaCommRxBufEvent OnRxBuf;
    TVaNotifyEvent OnRxFlag, OnTxEmpty, OnPErr, OnRx80Full, OnEvent1, OnEvent2;

    // Data transfer: 0, empty or false when closed, without error. The counts and ReadText
    // raise "Error retrieving statistics (%d), %s" when the device cannot be queried.
    bool WriteText(std::string_view text); ///< as WriteBuf
    bool WriteChar(char ch);               ///< as WriteBuf
    std::string ReadText();                ///< as ReadBuf
    bool ReadChar(char& ch);               ///< as ReadBuf
    int ReadBufFree();
    int WriteBufUsed();
    int WriteBufFree();
    /// Empty the device's queues (and, but for PurgeRead, the write queue first: see
    /// TVaCommWriteThread::PurgeWrite). Raise "Error clearing buffers (%d), %s".
    void PurgeRead();
    void PurgeWrite();
    void PurgeReadWrite();
    void PurgeBuffers(uint32_t flags); ///< PURGE_* flags

    // Status and lines. Nothing and false when closed.
    /// Line errors since the last GetCommStatus (cleared by it; also those that the counts
    /// and GetComStat found meanwhile) and queue counts. Raises "Error retrieving statistics
    /// (%d), %s".
    TVaCommStatus GetCommStatus();
    /// GetCommStatus; OnError with the flags when there are any. Raises as GetCommStatus.
    bool ClearLineErrors();
    /// Hold flag 1..8 (CTS, DSR, RLSD, XOFF hold, XOFF sent, EOF, immediate, reserved); as
    /// the counts.
    bool GetComStat(int index);
    /// Line 1 CTS, 2 DSR, 3 ring, 4 carrier detect. Raises "Error reading modem state (%d),
    /// %s" (also for devices without modem lines, such as pseudo-terminals).
    bool GetModemStatus(int index);
    /// Raises "DTR line updates not allowed when flowcontrol is set to Handshake." (also
    /// while closed), else as ToggleCommState.
    void SetDTR(bool value);
    /// Raises "RTS line updates not allowed when flowcontrol is set to Handshake or Toggle."
    /// (also while closed), else as ToggleCommState.
    void SetRTS(bool value);
    void SetBreak(bool value) { ToggleCommState(value ? SETBREAK : CLRBREAK); }
    /// False holds the output as if XOFF had come, until SetXon(true) or Close.
    void SetXon(bool value) { ToggleCommState(value ? SETXON : SETXOFF); }
    void ResetDev() { ToggleCommState(RESETDEV); }
    /// An escape function (SETXOFF .. CLRBREAK). Raises "Error calling comm function (%d),
    /// %s" (DTR and RTS on devices without modem lines among others).
    void ToggleCommState(uint32_t function);

    // Events, also called by the workers' hand-offs. Raise what the handlers raise and the
    // errors of the reads and status queries they make.
    /// The bytes waiting: with clients read and passed to WriteBuffer, else OnRxChar.
    virtual void HandleDataEvent();
    /// ClearLineErrors for EV_ERR, WriteEvents with clients, then the line handlers.
    virtual void HandleLineEvent(uint32_t evtMask);
    /// Line events / a received block to the clients; WriteBuffer also calls OnRxBuf.
    virtual void WriteEvents(uint32_t evtMask);
    virtual void WriteBuffer(PVaData data, int count);

    // Line settings and device steps. The device steps do nothing while closed.
    /// The complete record SetDCB applies, built from the current settings.
    DCB BuildDCB() const;
    /// Applies BuildDCB when open and UpdateDCB. Raises "Error writing dcb (%d), %s" (22 for
    /// a setting the device did not take).
    void SetDCB();
    /// Takes the settings from a record; raises only as SetDCB (the settings objects' setters).
    void ReadDCB(const DCB& dcb);
    /// Settings from the device's default configuration (found at open, or read now).
    /// Raises "Error reading default port parameters.", or as ReadDCB.
    void ResetPortParameters();
    void UpdateTimeouts();  ///< raises "Error setting timeouts (%d), %s"
    void UpdateBuffers();   ///< raises "Error initializing buffers (%d), %s"
    void UpdateEventMask(); ///< raises " Error setting EventMask (%d), %s"
    uint32_t WaitMask() const { return m_waitMask; }
    /// Fills Properties(). Raises "Can't perform this operation while port is closed" and
    /// "Error reading port properties (%d), %s".
    void GetProperties();
    const COMMPROP& Properties() const { return m_properties; }

    // The two locks, not recursive. The global lock comes before the write lock; nothing
    // waits while holding one. Raise nothing.
    void WriteLock() { m_writeLock->Acquire(); }
    void WriteUnlock() { m_writeLock->Release(); }
    void GlobalLock() { m_globalLock.Acquire(); }
    void GlobalUnlock() { m_globalLock.Release(); }

    /// Open when AutoOpen, outside design mode; raises as Open.
    void Loaded() override;

protected:
    virtual void CreateHandle(); ///< opens the device; raises as Open
    /// The device at `path` (port::OpenPort); null with `error` set to an errno value when
    /// it cannot be opened. Called by CreateHandle.
    virtual std::shared_ptr<port::IPort> OpenDevice(const std::string& path, int& error);
    void DestroyHandle();
    virtual void CreateThreads(); ///< raises as Open (logic_error, system_error)
    /// Stops both workers and waits until they have ended (see TVaCommThread).
    void DestroyThreads();
    void DoOpen();  ///< OnOpen; what it raises is reported
    void DoClose(); ///< OnClose unless destroying; what it raises goes on
    [[noreturn]] void Error(const std::string& message) const; ///< EVaCommError(message, errno)
    void Watch(bool ok, const std::string& message) const;     ///< Error unless `ok`

private:
    void DeliverEvent(uint32_t evtMask, const bool& closed);
    /// The queue counts and hold flags; the line errors found go to m_lineErrors. Raises as
    /// GetCommStatus.
    COMSTAT QueryStatus();
    uint32_t PendingLineErrors();
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
    uint32_t m_lineErrors = 0; // found by the counts, not yet reported; under m_globalLock
    COMMPROP m_properties;
    std::unique_ptr<TVaCommEventThread> m_eventThread;
    std::unique_ptr<TVaCommWriteThread> m_writeThread;
    std::shared_ptr<bool> m_handOffCancelled;        // the current opening's, see TVaCommLink
    std::shared_ptr<TVaCriticalSection> m_writeLock; // shared with the write thread
    TVaCriticalSection m_globalLock;
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
