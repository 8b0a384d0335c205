// The simulator's end of the line on Windows: a COM port opened exclusively for overlapped
// I/O, 38400 8N1 without flow control. The run loop waits for a receive event (or for bytes
// already queued, which give none) beside the stop event.
#include "comm/com_name.h"
#include "comm/port/port.h"
#include "core/files/wide_text_win32.h"
#include "tools/vels5-meter/meter_line.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <windows.h>

namespace meter {

struct MeterLine::Port {
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED waitOv{}, readOv{}, writeOv{};
    DWORD events = 0;         ///< written by the system when the pending wait completes
    bool waitPending = false; ///< a WaitCommEvent is under way
    /// Wine ends every pending wait at once on a port without modem lines (a pseudo-
    /// terminal mapped as COMn); there the queue is looked at every few milliseconds instead.
    bool waitsAbort = false;

    Port() {
        for (OVERLAPPED* ov : {&waitOv, &readOv, &writeOv})
            ov->hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~Port() {
        if (handle != INVALID_HANDLE_VALUE) {
            if (waitPending) {
                CancelIoEx(handle, &waitOv);
                DWORD unused = 0;
                GetOverlappedResult(handle, &waitOv, &unused, TRUE);
            }
            CloseHandle(handle);
        }
        for (OVERLAPPED* ov : {&waitOv, &readOv, &writeOv})
            if (ov->hEvent)
                CloseHandle(ov->hEvent);
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    /// A fresh record for the next operation (offsets 0, event not signalled).
    static OVERLAPPED* Next(OVERLAPPED& ov) {
        HANDLE event = ov.hEvent;
        ov = OVERLAPPED{};
        ov.hEvent = event;
        ResetEvent(event);
        return &ov;
    }
    /// Bytes in the receive queue, or -1 with the code in `error`.
    long Queued(DWORD& error) const {
        DWORD flags = 0;
        COMSTAT stat{};
        if (!ClearCommError(handle, &flags, &stat)) {
            error = GetLastError();
            return -1;
        }
        return static_cast<long>(stat.cbInQue);
    }
};

namespace {

std::string Text(DWORD error) {
    return comm::port::ErrorText(static_cast<int>(error));
}

} // namespace

MeterLine::MeterLine(std::unique_ptr<Port> port, std::string path)
    : m_port(std::move(port)), m_path(std::move(path)) {}

MeterLine::MeterLine(MeterLine&& other) noexcept
    : m_port(std::move(other.m_port)), m_path(std::move(other.m_path)),
      m_error(std::move(other.m_error)) {}

MeterLine::~MeterLine() = default;

std::optional<MeterLine> MeterLine::OpenPty(std::string& error) {
    error = "Windows has no pseudo-terminals: give --device COMn, the simulator's end of a "
            "null-modem pair whose other end the monitor opens";
    return std::nullopt;
}

std::optional<MeterLine> MeterLine::OpenDevice(const std::string& path, std::string& error) {
    const int number = comm::ComNumber(path);
    const std::string name = number > 0 ? "\\\\.\\COM" + std::to_string(number) : path;
    auto port = std::make_unique<Port>();
    if (!port->waitOv.hEvent || !port->readOv.hEvent || !port->writeOv.hEvent) {
        error = path + ": " + Text(GetLastError());
        return std::nullopt;
    }
    port->handle = CreateFileW(core::sys::Wide(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                               nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port->handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        error = code == ERROR_ACCESS_DENIED ? path + ": in use by another program"
                                            : path + ": " + Text(code);
        return std::nullopt;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool ok = GetCommState(port->handle, &dcb);
    if (ok) {
        dcb.BaudRate = CBR_38400;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        ok = SetCommState(port->handle, &dcb);
    }
    // Reads return at once with what is waiting; writes have no time limit of the driver's.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    ok = ok && SetCommTimeouts(port->handle, &timeouts) && SetCommMask(port->handle, EV_RXCHAR);
    if (!ok) {
        error = path + ": not a serial device (" + Text(GetLastError()) + ")";
        return std::nullopt;
    }
    return MeterLine(std::move(port), path);
}

bool MeterLine::ReleaseIfAbandoned() {
    return false; // a device: the other side's opening is its own business
}

bool MeterLine::OpenedByOther() {
    return true;
}

long MeterLine::Write(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return 0;
    Port& p = *m_port;
    OVERLAPPED* ov = Port::Next(p.writeOv);
    DWORD moved = 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 65536));
    if (WriteFile(p.handle, bytes.data(), count, &moved, ov))
        return static_cast<long>(moved);
    if (GetLastError() != ERROR_IO_PENDING) {
        m_error = Text(GetLastError());
        return -1;
    }
    // A line that does not drain (hardware flow control held by the other side) keeps the
    // write: after a second it is taken back, and what went out counts.
    if (WaitForSingleObject(ov->hEvent, 1000) != WAIT_OBJECT_0)
        CancelIoEx(p.handle, ov);
    if (!GetOverlappedResult(p.handle, ov, &moved, TRUE) &&
        GetLastError() != ERROR_OPERATION_ABORTED) {
        m_error = Text(GetLastError());
        return -1;
    }
    return static_cast<long>(moved);
}

long MeterLine::Read(std::span<std::uint8_t> into) {
    Port& p = *m_port;
    // Only what is queued: an empty queue would keep an overlapped read pending under Wine,
    // whatever the time limits say.
    DWORD error = 0;
    const long queued = p.Queued(error);
    if (queued <= 0) {
        if (queued < 0)
            m_error = Text(error);
        return queued;
    }
    OVERLAPPED* ov = Port::Next(p.readOv);
    DWORD got = 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(into.size(), queued));
    if (ReadFile(p.handle, into.data(), count, &got, ov))
        return static_cast<long>(got);
    if (GetLastError() == ERROR_IO_PENDING && GetOverlappedResult(p.handle, ov, &got, TRUE))
        return static_cast<long>(got);
    m_error = Text(GetLastError());
    return -1;
}

LineReady MeterLine::Wait(double seconds, bool wantWrite, const StopRequest& stop) {
    LineReady ready;
    Port& p = *m_port;
    // Writes complete in the driver: a write left over is tried again at once.
    if (wantWrite) {
        ready.writable = true;
        return ready;
    }
    const ULONGLONG deadline =
        GetTickCount64() + static_cast<ULONGLONG>(std::ceil(std::max(0.0, seconds) * 1000.0));
    for (;;) {
        // Bytes that came before the wait was armed give no receive event.
        DWORD error = 0;
        const long queued = p.Queued(error);
        if (queued != 0) {
            ready.readable = queued > 0;
            ready.failed = queued < 0;
            if (ready.failed)
                m_error = Text(error);
            return ready;
        }
        if (!p.waitPending && !p.waitsAbort) {
            p.events = 0;
            if (WaitCommEvent(p.handle, &p.events, Port::Next(p.waitOv))) {
                continue; // completed at once: look at the queue again
            }
            if (GetLastError() != ERROR_IO_PENDING) {
                ready.failed = true;
                m_error = "wait: " + Text(GetLastError());
                return ready;
            }
            p.waitPending = true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return ready;
        DWORD left = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, INFINITE - 1));
        if (p.waitsAbort)
            left = std::min<DWORD>(left, 5);
        HANDLE handles[2] = {stop.Event(), p.waitOv.hEvent};
        const DWORD rc = WaitForMultipleObjects(p.waitsAbort ? 1 : 2, handles, FALSE, left);
        if (rc == WAIT_OBJECT_0) {
            ready.stopped = true;
            return ready;
        }
        if (rc == WAIT_TIMEOUT) {
            if (p.waitsAbort)
                continue;
            return ready; // the wait stays armed for the next call
        }
        if (rc != WAIT_OBJECT_0 + 1) {
            ready.failed = true;
            m_error = "wait: " + Text(GetLastError());
            return ready;
        }
        p.waitPending = false;
        DWORD unused = 0;
        // Waiting (TRUE) although the event is set: under Wine the event can be seen set a
        // moment before the result is written (ERROR_IO_INCOMPLETE otherwise).
        if (!GetOverlappedResult(p.handle, &p.waitOv, &unused, TRUE)) {
            if (GetLastError() != ERROR_OPERATION_ABORTED) {
                ready.failed = true;
                m_error = "wait: " + Text(GetLastError());
                return ready;
            }
            p.waitsAbort = true; // nobody of ours cancelled it: see waitsAbort
        }
    }
}

} // namespace meter
