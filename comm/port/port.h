// The platform operations the serial component relies on, behind one interface, and the
// function that opens a device. The implementation is termios on Linux (termios_port.cpp)
// and the Win32 serial communications API on Windows (win32_port.cpp).
//
// Error codes: wherever this interface speaks of errno, it holds the platform's own code,
// an errno value on Linux and a GetLastError() code on Windows; ErrorText gives its text.
#pragma once

#include "comm/dcb.h"
#include "comm/va_sync.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace comm::port {

/// How an event wait ended.
enum class WaitStatus {
    Event,     ///< `events` holds what happened (never 0)
    Cancelled, ///< the cancel event was set
    Lost,      ///< the device vanished; do not wait again
    Failed     ///< the wait itself failed (errno)
};

/// Most cancel events one Write can watch besides the device.
inline constexpr std::size_t kMaxWriteCancel = 4;

/// How a write ended: `written` bytes went out in every case.
struct WriteResult {
    enum Status {
        Done,      ///< `written` > 0 (all of it, unless the device had no room for more)
        Cancelled, ///< event `cancelIndex` of the cancel list was set
        Timeout,   ///< the time limit ran out
        Lost,      ///< the device vanished
        Failed     ///< `error` holds the errno
    } status = Done;
    size_t written = 0;
    int cancelIndex = -1;
    int error = 0;
};

/// One open device. Failures return false (or -1) with errno set; errno is the code
/// that the component's error messages carry. Nothing raises.
///
/// Threads: the main thread configures and reads; one event thread at a time may wait in
/// WaitCommEvent, one writer at a time may Write; Lost/MarkLost/TakeLostReport are safe
/// from any thread. The descriptor stays open until the object is destroyed (the last
/// worker thread holding it has ended), so it is never reused under a waiting thread.
class IPort {
public:
    virtual ~IPort() = default;

    /// Records the queue sizes (Linux tty queues are fixed; reported by GetProperties).
    virtual bool SetupComm(uint32_t inQueue, uint32_t outQueue) = 0;
    /// Applies the whole record at once, reads it back and fails with EINVAL when the
    /// device did not take a setting. DTR and RTS follow fDtrControl/fRtsControl; a device
    /// without modem lines (a pseudo-terminal) is not a failure.
    virtual bool SetCommState(const DCB& dcb) = 0;
    virtual bool GetCommState(DCB& dcb) = 0;
    /// The device's settings as found at open, before anything was changed.
    virtual bool GetDefaultCommState(DCB& dcb) = 0;
    /// Recorded only: reads always return at once with what is waiting.
    virtual bool SetCommTimeouts(const COMMTIMEOUTS& timeouts) = 0;
    /// The events WaitCommEvent reports (EV_* bits).
    virtual bool SetCommMask(uint32_t mask) = 0;

    /// Reads up to `count` bytes that are waiting now, without blocking. Returns the count
    /// (0 when nothing is waiting or the device has vanished), -1 on another failure.
    virtual long Read(void* buf, size_t count) = 0;
    /// Writes without ever blocking in the kernel: while the device has no room it waits
    /// up to `timeoutMs` (INFINITE for no limit) for room or for one of `cancel` (at most
    /// kMaxWriteCancel; more fail with EINVAL before anything is written). `whole` false
    /// returns as soon as some bytes went out and the device is full.
    virtual WriteResult Write(const void* buf, size_t count,
                              std::initializer_list<const TVaEvent*> cancel, uint32_t timeoutMs,
                              bool whole) = 0;
    /// Waits for one of the masked events or for `cancel`. Received characters wake it
    /// once per arrival (edge), so bytes left unread do not wake it again by themselves.
    virtual WaitStatus WaitCommEvent(uint32_t& events, const TVaEvent& cancel) = 0;

    /// PURGE_* flags: the clears discard the device's queues (aborts are no-ops: transfers
    /// are never left pending in the kernel).
    virtual bool Purge(uint32_t flags) = 0;
    /// Line errors since the last call (CE_*; CE_IOE|CE_DEVICELOST while lost) and the queue
    /// counts. A vanished device gives the flags and zero counts, not a failure.
    virtual bool ClearCommError(uint32_t& errors, COMSTAT& stat) = 0;
    /// SETXOFF .. CLRBREAK. Devices without modem lines fail DTR/RTS with ENOTTY.
    virtual bool Escape(uint32_t function) = 0;
    /// MS_* bits of CTS, DSR, ring and carrier detect.
    virtual bool GetModemStatus(uint32_t& status) = 0;
    virtual bool GetProperties(COMMPROP& prop) = 0;

    /// The device has vanished (hang-up, unplug): reads return 0 and waits end at once.
    virtual bool Lost() const = 0;
    virtual void MarkLost() = 0;
    /// True exactly once after the device was lost: the caller reports the loss.
    virtual bool TakeLostReport() = 0;
    /// Ends this opening: resumes output held by Escape(SETXOFF), restores the settings
    /// found at open and gives up exclusivity, so the device can be opened again at once
    /// and can send. Idempotent. The component calls it once its threads have ended, so no
    /// write of the closed opening can go out after the output resumes.
    virtual void Close() = 0;
};

// The functions below may be called on any thread and raise nothing but std::bad_alloc.

/// Opens `path` exclusively for reading and writing (no other opener, root included).
/// On failure returns nullptr with `error` set to an errno value.
std::shared_ptr<IPort> OpenPort(const std::string& path, int& error);
/// The settings of a device that is not open by us, read without changing them.
bool ReadDefaultCommState(const std::string& path, DCB& dcb, int& error);
/// The open failure means the device does not exist.
bool IsNotFound(int error);
/// The failure means the device has vanished.
bool IsDeviceGone(int error);
/// The text for an errno value: English whatever the locale, no trailing full stop.
std::string ErrorText(int error);
/// The open failure means the user may not open the device (its permissions refuse it).
bool IsAccessDenied(int error);
/// The name of the group that owns `path` (followed through links), or "" when it cannot be
/// told. Serial devices usually belong to the group whose members may open them.
std::string OwningGroup(const std::string& path);

} // namespace comm::port
