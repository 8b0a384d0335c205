// The Win32 port layer: a COM device opened exclusively for overlapped transfers, reads
// that return at once, writes and event waits that wait on an event object beside the
// cancel events (WaitForMultipleObjects) and take their transfer back when cancelled.
//
// Some drivers cannot keep an event wait pending: one that cannot read the modem lines ends
// every WaitCommEvent that does not complete at once with ERROR_OPERATION_ABORTED (so does
// Wine's, on a COM port that is a pseudo-terminal). On such a device the wait falls back, for
// the rest of the opening, to looking at the queues every few milliseconds (PollForEvents).
#include "comm/port/port.h"
#include "comm/port/port_base.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <windows.h>

namespace comm::port {

namespace {

// The component's records keep the Windows layout, so they pass through as they are.
static_assert(sizeof(::DCB) == sizeof(comm::DCB), "DCB layout");
static_assert(sizeof(::COMSTAT) == sizeof(comm::COMSTAT), "COMSTAT layout");
static_assert(sizeof(::COMMPROP) == sizeof(comm::COMMPROP), "COMMPROP layout");
static_assert(sizeof(::COMMTIMEOUTS) == sizeof(comm::COMMTIMEOUTS), "COMMTIMEOUTS layout");

// Copies between a record of ours and the system's record of the same layout (ours carry
// default member values, so the compiler counts them as non-trivial).
template <typename To, typename From>
void CopyRecord(To& to, const From& from) {
    static_assert(sizeof(To) == sizeof(From));
    std::memcpy(static_cast<void*>(&to), static_cast<const void*>(&from), sizeof to);
}

// Sets errno to the Win32 code and returns false: the failure convention of IPort.
bool Fail(DWORD error) {
    errno = static_cast<int>(error);
    return false;
}

bool FailLast() {
    return Fail(GetLastError());
}

// The codes with which a pending or new operation ends when the device has gone away (an
// unplugged adapter). ERROR_OPERATION_ABORTED is also what a purge of a transfer gives, so
// that one is confirmed with a status query before the device counts as lost.
bool VanishedCode(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_BAD_COMMAND ||
           error == ERROR_OPERATION_ABORTED || error == ERROR_DEVICE_NOT_CONNECTED ||
           error == ERROR_GEN_FAILURE || error == ERROR_DEV_NOT_EXIST;
}

// An OVERLAPPED record with its own manual-reset completion event.
class Overlapped {
public:
    Overlapped() { m_ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped() {
        if (m_ov.hEvent)
            CloseHandle(m_ov.hEvent);
    }
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;

    bool Ok() const { return m_ov.hEvent != nullptr; }
    HANDLE Event() const { return m_ov.hEvent; }
    /// A fresh record for the next operation (offsets 0, event not signalled).
    OVERLAPPED* Next() {
        HANDLE event = m_ov.hEvent;
        m_ov = OVERLAPPED{};
        m_ov.hEvent = event;
        ResetEvent(event);
        return &m_ov;
    }

private:
    OVERLAPPED m_ov{};
};

using Clock = std::chrono::steady_clock;

class Win32Port final : public PortBase {
public:
    Win32Port(HANDLE handle, const ::DCB& found) : m_handle(handle), m_found(found) {}
    ~Win32Port() override { Close(); }
    /// The completion events exist and reads return at once. 0 or the Win32 code.
    DWORD Init();

    bool SetupComm(uint32_t inQueue, uint32_t outQueue) override {
        return ::SetupComm(m_handle, inQueue, outQueue) || FailLast();
    }
    bool SetCommState(const DCB& dcb) override {
        ::DCB native;
        CopyRecord(native, dcb);
        native.DCBlength = sizeof native;
        return ::SetCommState(m_handle, &native) || FailLast();
    }
    bool GetCommState(DCB& dcb) override {
        ::DCB native{};
        native.DCBlength = sizeof native;
        if (!::GetCommState(m_handle, &native))
            return FailLast();
        CopyRecord(dcb, native);
        return true;
    }
    bool GetDefaultCommState(DCB& dcb) override {
        CopyRecord(dcb, m_found);
        return true;
    }
    bool SetCommTimeouts(const COMMTIMEOUTS& timeouts) override;
    bool SetCommMask(uint32_t mask) override {
        if (!::SetCommMask(m_handle, mask))
            return FailLast();
        m_mask.store(mask);
        return true;
    }

    long Read(void* buf, size_t count) override;
    WriteResult Write(const void* buf, size_t count, std::initializer_list<const TVaEvent*> cancel,
                      uint32_t timeoutMs, bool whole) override;
    WaitStatus WaitCommEvent(uint32_t& events, const TVaEvent& cancel) override;

    bool Purge(uint32_t flags) override {
        if (m_lost.load())
            return true; // nothing left to purge
        DWORD error = 0;
        {
            std::lock_guard lock(m_queueLock);
            if (::PurgeComm(m_handle, flags)) {
                // A wait that the purge ends is no fault of the driver's; bytes thrown away
                // are no arrivals and hide none.
                ++m_purges;
                return true;
            }
            error = GetLastError();
        }
        if (!Gone(error))
            return Fail(error);
        MarkLost();
        return true;
    }
    bool ClearCommError(uint32_t& errors, COMSTAT& stat) override;
    bool Escape(uint32_t function) override;
    bool GetModemStatus(uint32_t& status) override {
        DWORD lines = 0;
        if (!::GetCommModemStatus(m_handle, &lines))
            return FailLast();
        status = lines;
        return true;
    }
    bool GetProperties(COMMPROP& prop) override {
        ::COMMPROP native{};
        if (!::GetCommProperties(m_handle, &native))
            return FailLast();
        CopyRecord(prop, native);
        return true;
    }

private:
    void ResumeOutput() override { EscapeCommFunction(m_handle, SETXON); }
    void RestoreFoundSettings() override {
        ::DCB found = m_found;
        ::SetCommState(m_handle, &found);
    }
    void Release() override {
        CancelIoEx(m_handle, nullptr);
        CloseHandle(m_handle);
    }
    /// Whether an operation that failed with `error` shows that the device has gone.
    bool Gone(DWORD error) {
        if (!VanishedCode(error))
            return false;
        if (error != ERROR_OPERATION_ABORTED)
            return true;
        DWORD flags = 0;
        ::COMSTAT stat{};
        if (!::ClearCommError(m_handle, &flags, &stat))
            return true;
        m_heldErrors.fetch_or(flags); // the caller's next ClearCommError still sees them
        return false;
    }
    /// How a write ends on the code of a failed WriteFile: Lost or Failed with the code.
    WriteResult::Status WriteFailure(DWORD error, WriteResult& result) {
        if (Gone(error)) {
            MarkLost();
            return WriteResult::Lost;
        }
        result.error = static_cast<int>(error);
        return WriteResult::Failed;
    }
    /// Whether a wait that ended with ERROR_OPERATION_ABORTED, not cancelled by us and on a
    /// device that is still there, was ended by a driver that cannot keep waits pending.
    bool WaitsCannotPend() {
        ::DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        DWORD lines = 0;
        return ::GetCommState(m_handle, &dcb) && !::GetCommModemStatus(m_handle, &lines);
    }
    WaitStatus PollForEvents(uint32_t& events, const TVaEvent& cancel);
    /// Cancels the transfer of `ov` and waits until it has ended; returns the bytes it moved.
    DWORD TakeBack(OVERLAPPED* ov) {
        CancelIoEx(m_handle, ov);
        DWORD moved = 0;
        GetOverlappedResult(m_handle, ov, &moved, TRUE);
        return moved;
    }

    HANDLE m_handle;
    const ::DCB m_found;
    Overlapped m_readOv, m_writeOv, m_waitOv;
    DWORD m_waitEvents = 0; // written by the system when a pending wait completes

    // The polling wait. Reads and purges change the receive queue under m_queueLock, so a
    // look at the queue with the count of bytes taken tells new arrivals exactly.
    std::mutex m_queueLock;
    uint64_t m_taken = 0;   ///< bytes Read took (m_queueLock)
    uint32_t m_purges = 0;  ///< purges made (m_queueLock)
    bool m_polling = false; ///< the event thread's: waits cannot pend on this device
    uint64_t m_arrived = 0; ///< the event thread's: bytes queued plus taken at the last look
    uint32_t m_polledPurges = 0;
    DWORD m_polledOut = 0;                 ///< the event thread's: output queue at the last look
    std::atomic<bool> m_wrote{false};      ///< a write went to the driver since the last look
    std::atomic<uint32_t> m_heldErrors{0}; ///< line errors a look took, for ClearCommError
};

DWORD Win32Port::Init() {
    if (!m_readOv.Ok() || !m_writeOv.Ok() || !m_waitOv.Ok())
        return GetLastError();
    return SetCommTimeouts(COMMTIMEOUTS{}) ? 0 : static_cast<DWORD>(errno);
}

bool Win32Port::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
    // Reads always return at once with what is waiting (the interface promises it): the read
    // members are those of an immediate read whatever is given; the write members apply.
    ::COMMTIMEOUTS native{};
    native.ReadIntervalTimeout = MAXDWORD;
    native.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
    native.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
    return ::SetCommTimeouts(m_handle, &native) || FailLast();
}

long Win32Port::Read(void* buf, size_t count) {
    if (count == 0 || m_lost.load())
        return 0;
    DWORD error = 0;
    {
        std::lock_guard lock(m_queueLock);
        // No more than is queued: some drivers (Wine's) keep an overlapped read pending on an
        // empty queue, whatever the time limits say.
        DWORD flags = 0;
        ::COMSTAT stat{};
        if (::ClearCommError(m_handle, &flags, &stat)) {
            m_heldErrors.fetch_or(flags); // for the caller's next ClearCommError
            if (stat.cbInQue == 0)
                return 0;
            const DWORD want = count < stat.cbInQue ? static_cast<DWORD>(count) : stat.cbInQue;
            DWORD got = 0;
            OVERLAPPED* ov = m_readOv.Next();
            if (ReadFile(m_handle, buf, want, &got, ov)) {
                m_taken += got;
                return static_cast<long>(got);
            }
            error = GetLastError();
            // An immediate read completes at once even when the system reports it pending.
            if (error == ERROR_IO_PENDING) {
                if (GetOverlappedResult(m_handle, ov, &got, TRUE)) {
                    m_taken += got;
                    return static_cast<long>(got);
                }
                error = GetLastError();
            }
        } else {
            error = GetLastError();
        }
    }
    if (Gone(error)) {
        MarkLost();
        return 0;
    }
    Fail(error);
    return -1;
}

WriteResult Win32Port::Write(const void* buf, size_t count,
                             std::initializer_list<const TVaEvent*> cancel, uint32_t timeoutMs,
                             bool whole) {
    WriteResult result;
    if (cancel.size() > kMaxWriteCancel) {
        result.status = WriteResult::Failed;
        result.error = ERROR_INVALID_PARAMETER;
        return result;
    }
    HANDLE handles[1 + kMaxWriteCancel];
    DWORD handleCount = 1;
    for (const TVaEvent* e : cancel)
        handles[handleCount++] = e->Handle();
    handles[0] = m_writeOv.Event();
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const auto* bytes = static_cast<const uint8_t*>(buf);
    while (result.written < count) {
        if (m_lost.load()) {
            result.status = WriteResult::Lost;
            return result;
        }
        const size_t left = count - result.written;
        const DWORD chunk = left > MAXDWORD ? MAXDWORD : static_cast<DWORD>(left);
        DWORD moved = 0;
        OVERLAPPED* ov = m_writeOv.Next();
        const BOOL done = WriteFile(m_handle, bytes + result.written, chunk, &moved, ov);
        const DWORD error = done ? 0 : GetLastError();
        if (done || error == ERROR_IO_PENDING)
            m_wrote.store(true); // the bytes are with the driver (see PollForEvents)
        if (!done) {
            if (error != ERROR_IO_PENDING) {
                result.status = WriteFailure(error, result);
                return result;
            }
            DWORD wait = INFINITE;
            if (timeoutMs != INFINITE) {
                // Rounded up, so the time limit is never cut short.
                const auto ms =
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
                wait = ms > 0 ? static_cast<DWORD>(ms) : 0;
            }
            const DWORD rc = WaitForMultipleObjects(handleCount, handles, FALSE, wait);
            if (rc == WAIT_OBJECT_0) {
                // Waiting (TRUE) although the event is set: under Wine the event can be seen
                // set a moment before the result is written (ERROR_IO_INCOMPLETE otherwise).
                if (!GetOverlappedResult(m_handle, ov, &moved, TRUE)) {
                    const DWORD failed = GetLastError();
                    result.written += moved;
                    result.status = WriteFailure(failed, result);
                    return result;
                }
            } else {
                // A cancel event, the time limit or a failed wait: the transfer is taken
                // back; what went out before that still counts.
                const DWORD waitError = GetLastError();
                result.written += TakeBack(ov);
                if (rc == WAIT_TIMEOUT) {
                    result.status = WriteResult::Timeout;
                } else if (rc > WAIT_OBJECT_0 && rc < WAIT_OBJECT_0 + handleCount) {
                    result.status = WriteResult::Cancelled;
                    result.cancelIndex = static_cast<int>(rc - WAIT_OBJECT_0 - 1);
                } else {
                    result.status = WriteResult::Failed;
                    result.error = static_cast<int>(waitError);
                }
                return result;
            }
        }
        result.written += moved;
        if (moved == 0) {
            // The driver's own write time limit ran out without taking anything.
            result.status = WriteResult::Timeout;
            return result;
        }
        if (!whole)
            break;
    }
    return result;
}

WaitStatus Win32Port::WaitCommEvent(uint32_t& events, const TVaEvent& cancel) {
    for (;;) {
        if (cancel.IsSet())
            return WaitStatus::Cancelled;
        if (m_lost.load())
            return WaitStatus::Lost;
        if (m_polling)
            return PollForEvents(events, cancel);
        uint32_t purges = 0;
        {
            std::lock_guard lock(m_queueLock);
            purges = m_purges;
        }
        OVERLAPPED* ov = m_waitOv.Next();
        m_waitEvents = 0;
        if (!::WaitCommEvent(m_handle, &m_waitEvents, ov)) {
            DWORD error = GetLastError();
            if (error != ERROR_IO_PENDING) {
                if (Gone(error)) {
                    MarkLost();
                    return WaitStatus::Lost;
                }
                Fail(error);
                return WaitStatus::Failed;
            }
            HANDLE handles[2] = {ov->hEvent, cancel.Handle()};
            const DWORD rc = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            if (rc != WAIT_OBJECT_0) {
                const DWORD waitError = GetLastError();
                TakeBack(ov); // the wait must not complete into this object later
                if (rc == WAIT_OBJECT_0 + 1)
                    return WaitStatus::Cancelled;
                Fail(waitError);
                return WaitStatus::Failed;
            }
            DWORD unused = 0;
            if (!GetOverlappedResult(m_handle, ov, &unused, TRUE)) { // TRUE: as in Write
                error = GetLastError();
                if (Gone(error)) {
                    MarkLost();
                    return WaitStatus::Lost;
                }
                if (error == ERROR_OPERATION_ABORTED) {
                    if (cancel.IsSet())
                        return WaitStatus::Cancelled;
                    bool purged = false;
                    {
                        std::lock_guard lock(m_queueLock);
                        purged = m_purges != purges;
                    }
                    if (purged)
                        continue;
                    if (WaitsCannotPend()) {
                        m_polling = true;
                        // Counted as after a purge: the first look reports what is queued.
                        m_polledPurges = purges - 1;
                        return PollForEvents(events, cancel);
                    }
                }
                Fail(error);
                return WaitStatus::Failed;
            }
        }
        // 0 means the mask was changed while the wait was pending: wait again.
        events = m_waitEvents & m_mask.load();
        if (events)
            return WaitStatus::Event;
    }
}

// The wait of a device whose driver ends every pending wait: every 5 ms a look at the queues
// (ClearCommError), until one of the masked events shows or `cancel` is set. Received
// characters are the bytes that came since the last look (queued now plus taken by Read,
// against the same at the last look), so bytes left unread do not report again; the output
// queue emptying after a write gives EV_TXEMPTY; line errors give EV_ERR and a break EV_BREAK,
// and they are kept for the next ClearCommError, which would otherwise not see them.
WaitStatus Win32Port::PollForEvents(uint32_t& events, const TVaEvent& cancel) {
    for (;;) {
        DWORD flags = 0;
        ::COMSTAT stat{};
        bool looked = false;
        uint64_t arrived = 0;
        bool purged = false;
        const bool wrote = m_wrote.exchange(false);
        {
            std::lock_guard lock(m_queueLock);
            looked = ::ClearCommError(m_handle, &flags, &stat);
            arrived = stat.cbInQue + m_taken;
            purged = m_purges != m_polledPurges;
            m_polledPurges = m_purges;
        }
        if (!looked) {
            const DWORD error = GetLastError();
            if (VanishedCode(error)) {
                MarkLost();
                return WaitStatus::Lost;
            }
            Fail(error);
            return WaitStatus::Failed;
        }
        m_heldErrors.fetch_or(flags);
        uint32_t found = 0;
        if (purged ? stat.cbInQue > 0 : arrived > m_arrived)
            found |= EV_RXCHAR;
        if ((wrote || m_polledOut > 0) && stat.cbOutQue == 0)
            found |= EV_TXEMPTY;
        if (flags & (CE_FRAME | CE_OVERRUN | CE_RXPARITY | CE_RXOVER))
            found |= EV_ERR;
        if (flags & CE_BREAK)
            found |= EV_BREAK;
        m_arrived = arrived;
        m_polledOut = stat.cbOutQue;
        events = found & m_mask.load();
        if (events)
            return WaitStatus::Event;
        const DWORD rc = WaitForSingleObject(cancel.Handle(), 5);
        if (rc == WAIT_OBJECT_0)
            return WaitStatus::Cancelled;
        if (rc != WAIT_TIMEOUT) {
            FailLast();
            return WaitStatus::Failed;
        }
        if (m_lost.load())
            return WaitStatus::Lost;
    }
}

bool Win32Port::ClearCommError(uint32_t& errors, COMSTAT& stat) {
    stat = COMSTAT{};
    errors = 0;
    if (!m_lost.load()) {
        DWORD flags = 0;
        ::COMSTAT native{};
        if (::ClearCommError(m_handle, &flags, &native)) {
            errors = flags | m_heldErrors.exchange(0);
            CopyRecord(stat, native);
            return true;
        }
        const DWORD error = GetLastError();
        if (!VanishedCode(error))
            return Fail(error);
        MarkLost();
    }
    errors = CE_IOE | CE_DEVICELOST;
    return true;
}

bool Win32Port::Escape(uint32_t function) {
    if (!EscapeCommFunction(m_handle, function))
        return FailLast();
    NoteEscape(function);
    return true;
}

// "\\.\COM12" -> "COM12": the name that the configuration functions take.
std::string ShortName(const std::string& path) {
    return path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path;
}

} // namespace

std::shared_ptr<IPort> OpenPort(const std::string& path, int& error) {
    // Exclusive (no sharing), existing devices only, for overlapped transfers.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = static_cast<int>(GetLastError());
        return nullptr;
    }
    ::DCB found{};
    found.DCBlength = sizeof found;
    if (!::GetCommState(handle, &found)) { // not a serial device
        error = static_cast<int>(GetLastError());
        CloseHandle(handle);
        return nullptr;
    }
    auto port = std::make_shared<Win32Port>(handle, found);
    if (const DWORD rc = port->Init()) {
        error = static_cast<int>(rc);
        return nullptr;
    }
    error = 0;
    return port;
}

bool ReadDefaultCommState(const std::string& path, DCB& dcb, int& error) {
    COMMCONFIG config{};
    config.dwSize = sizeof config;
    config.dcb.DCBlength = sizeof config.dcb;
    DWORD size = sizeof config;
    if (!GetDefaultCommConfigA(ShortName(path).c_str(), &config, &size)) {
        error = static_cast<int>(GetLastError());
        return false;
    }
    CopyRecord(dcb, config.dcb);
    return true;
}

bool IsNotFound(int error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME || error == ERROR_BAD_UNIT || error == ERROR_DEV_NOT_EXIST;
}

bool IsDeviceGone(int error) {
    return error == ERROR_BAD_COMMAND || error == ERROR_DEVICE_NOT_CONNECTED ||
           error == ERROR_GEN_FAILURE || error == ERROR_DEV_NOT_EXIST;
}

std::string ErrorText(int error) {
    char* text = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const auto code = static_cast<DWORD>(error);
    // English whatever the user's language; the system's own language when it has no English.
    DWORD n = FormatMessageA(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             reinterpret_cast<char*>(&text), 0, nullptr);
    if (n == 0)
        n = FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string s = n ? std::string(text, n) : "Unknown error " + std::to_string(error);
    if (text)
        LocalFree(text);
    while (!s.empty() && (s.back() == '.' || static_cast<unsigned char>(s.back()) <= ' '))
        s.pop_back();
    return s;
}

bool IsAccessDenied(int error) {
    return error == ERROR_ACCESS_DENIED;
}

std::string OwningGroup(const std::string&) {
    return {}; // Windows gives COM ports no owning group
}

} // namespace comm::port
