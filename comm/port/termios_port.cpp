// The termios port layer: exclusive open, immediate reads, writes that a stop can abort,
// an epoll event wait with an eventfd to cancel it, queue counts, line errors, modem lines.
#include "comm/port/port.h"
#include "comm/port/port_base.h"
#include "comm/port/termios2.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <mutex>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace comm::port {

namespace {

constexpr uint32_t kLineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_BREAK | EV_ERR;

// Modem-line ioctls on a device without modem lines (a pseudo-terminal) answer ENOTTY or
// EINVAL; that is the device's nature, not a failure of the operation that set them.
bool NoModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}

int ModemLine(int fd, int bits, bool on) {
    return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) < 0 ? errno : 0;
}

// Sets errno to `error` and returns false: the failure convention of IPort.
bool Fail(int error) {
    errno = error;
    return false;
}

using Clock = std::chrono::steady_clock;

// The poll set of one write: the device (POLLOUT) first, then the cancel events, and the
// deadline of the whole write.
struct WriteWait {
    std::array<pollfd, 1 + kMaxWriteCancel> fds{};
    nfds_t count = 0;
    uint32_t timeoutMs = INFINITE;
    Clock::time_point deadline;
};

// False when `cancel` holds more events than the set has room for.
bool PrepareWait(WriteWait& w, int fd, std::initializer_list<const TVaEvent*> cancel,
                 uint32_t timeoutMs) {
    if (cancel.size() > kMaxWriteCancel)
        return false;
    w.fds[0] = pollfd{fd, POLLOUT, 0};
    w.count = 1;
    for (const TVaEvent* e : cancel) {
        w.fds[w.count] = pollfd{e->Handle(), POLLIN, 0};
        ++w.count;
    }
    w.timeoutMs = timeoutMs;
    w.deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    return true;
}

class TermiosPort final : public PortBase {
public:
    TermiosPort(int fd, const TermBits& found) : m_fd(fd), m_found(found) {
        serial_icounter_struct c{};
        m_haveCounters = ioctl(m_fd, TIOCGICOUNT, &c) == 0;
        m_counters = c;
    }
    /// Creates the epoll set (device edge-triggered, wake-up level-triggered).
    int Init();
    ~TermiosPort() override {
        Close();
        for (int fd : {m_epoll, m_wake, m_fd}) {
            if (fd >= 0)
                close(fd);
        }
    }

    bool SetupComm(uint32_t inQueue, uint32_t outQueue) override {
        m_inQueue = inQueue;
        m_outQueue = outQueue;
        return true;
    }
    bool SetCommState(const DCB& dcb) override;
    bool GetCommState(DCB& dcb) override {
        TermBits bits;
        if (const int rc = GetTermBits(m_fd, bits))
            return Fail(rc);
        TermBitsToDcb(bits, dcb);
        return true;
    }
    bool GetDefaultCommState(DCB& dcb) override {
        TermBitsToDcb(m_found, dcb);
        return true;
    }
    bool SetCommTimeouts(const COMMTIMEOUTS&) override { return true; }
    bool SetCommMask(uint32_t mask) override {
        m_mask.store(mask);
        return true;
    }

    long Read(void* buf, size_t count) override;
    WriteResult Write(const void* buf, size_t count, std::initializer_list<const TVaEvent*> cancel,
                      uint32_t timeoutMs, bool whole) override;
    WaitStatus WaitCommEvent(uint32_t& events, const TVaEvent& cancel) override;

    bool Purge(uint32_t flags) override {
        const int rc = FlushQueues(m_fd, flags & PURGE_RXCLEAR, flags & PURGE_TXCLEAR);
        if (rc == 0)
            return true;
        if (!IsDeviceGone(rc))
            return Fail(rc);
        MarkLost(); // nothing left to purge
        return true;
    }
    bool ClearCommError(uint32_t& errors, COMSTAT& stat) override;
    bool Escape(uint32_t function) override;
    bool GetModemStatus(uint32_t& status) override;
    bool GetProperties(COMMPROP& prop) override;

private:
    void ResumeOutput() override { SuspendOutput(m_fd, false); }
    void RestoreFoundSettings() override { SetTermBits(m_fd, m_found); }
    void Release() override {
        ioctl(m_fd, TIOCNXCL);
        flock(m_fd, LOCK_UN);
    }
    /// How a write ends on the errno of a failed write(): Lost or Failed (with the error).
    WriteResult::Status WriteFailure(int error, WriteResult& result);
    /// Waits until the device may take more bytes: Done to try again, or how the write ends
    /// (Timeout, Cancelled with its index, Lost, Failed with the error).
    WriteResult::Status AwaitRoom(WriteWait& wait, WriteResult& result);
    /// After a write: lets the event thread report EV_TXEMPTY when the device has sent it.
    void NoteWritten();
    bool WatchCancel(const TVaEvent& cancel);
    uint32_t CheckCounters(uint32_t mask);
    uint32_t DeviceEvents(uint32_t mask, bool received);

    const int m_fd;
    const TermBits m_found;
    int m_epoll = -1;
    int m_wake = -1;
    int m_cancelFd = -1;
    uint32_t m_inQueue = 0, m_outQueue = 0;
    std::atomic<bool> m_txPending{false};
    std::atomic<uint32_t> m_pendingErrors{0};
    std::mutex m_countersMutex; // baseline shared by the event thread and status queries
    bool m_haveCounters = false;
    serial_icounter_struct m_counters{};
};

bool TermiosPort::SetCommState(const DCB& dcb) {
    TermBits wanted;
    int rc = GetTermBits(m_fd, wanted);
    if (!rc)
        rc = DcbToTermBits(dcb, wanted);
    if (!rc)
        rc = SetTermBits(m_fd, wanted);
    TermBits actual;
    if (!rc)
        rc = GetTermBits(m_fd, actual);
    // Drivers silently keep what they cannot do, so only the read-back tells.
    if (!rc)
        rc = CompareTermBits(wanted, actual);
    if (rc)
        return Fail(rc);
    int lines = ModemLine(m_fd, TIOCM_DTR, dcb.fDtrControl == DTR_CONTROL_ENABLE);
    if ((!lines || NoModemLines(lines)) && dcb.fRtsControl < RTS_CONTROL_HANDSHAKE)
        lines = ModemLine(m_fd, TIOCM_RTS, dcb.fRtsControl == RTS_CONTROL_ENABLE);
    if (lines && !NoModemLines(lines))
        return Fail(lines);
    return true;
}

long TermiosPort::Read(void* buf, size_t count) {
    if (count == 0 || m_lost.load())
        return 0;
    for (;;) {
        const ssize_t n = read(m_fd, buf, count);
        if (n > 0)
            return n;
        // VMIN 1 with O_NONBLOCK: EAGAIN is "nothing waiting", so 0 or EIO is a vanished
        // device (with VMIN 0 the two would look the same).
        if (n == 0 || IsDeviceGone(errno)) {
            MarkLost();
            return 0;
        }
        if (errno == EAGAIN)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}

int TermiosPort::Init() {
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_epoll < 0 || m_wake < 0)
        return errno;
    // Edge-triggered: bytes that a handler leaves unread must not wake the thread again
    // and again; only a new arrival does.
    epoll_event device{EPOLLIN | EPOLLET | EPOLLRDHUP, {.fd = m_fd}};
    epoll_event wake{EPOLLIN, {.fd = m_wake}};
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_fd, &device) < 0 ||
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &wake) < 0)
        return errno;
    return 0;
}

WriteResult TermiosPort::Write(const void* buf, size_t count,
                               std::initializer_list<const TVaEvent*> cancel, uint32_t timeoutMs,
                               bool whole) {
    WriteResult result;
    WriteWait wait;
    if (!PrepareWait(wait, m_fd, cancel, timeoutMs)) {
        result.status = WriteResult::Failed;
        result.error = EINVAL;
        return result;
    }
    const auto* bytes = static_cast<const uint8_t*>(buf);
    while (result.written < count) {
        if (m_lost.load()) {
            result.status = WriteResult::Lost;
            return result;
        }
        // Never a blocking write: a stop or a purge must be able to end the wait below.
        const ssize_t n = write(m_fd, bytes + result.written, count - result.written);
        if (n > 0) {
            result.written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            result.status = WriteFailure(errno, result);
            return result;
        }
        if (!whole && result.written > 0)
            break;
        result.status = AwaitRoom(wait, result);
        if (result.status != WriteResult::Done)
            return result;
    }
    NoteWritten();
    return result;
}

WriteResult::Status TermiosPort::WriteFailure(int error, WriteResult& result) {
    if (IsDeviceGone(error)) {
        MarkLost();
        return WriteResult::Lost;
    }
    result.error = error;
    return WriteResult::Failed;
}

WriteResult::Status TermiosPort::AwaitRoom(WriteWait& wait, WriteResult& result) {
    int timeout = -1;
    if (wait.timeoutMs != INFINITE) {
        // Rounded up, so the time limit is never cut short.
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(wait.deadline - Clock::now());
        if (left.count() <= 0)
            return WriteResult::Timeout;
        timeout = static_cast<int>(left.count());
    }
    const int rc = poll(wait.fds.data(), wait.count, timeout);
    if (rc < 0 && errno == EINTR)
        return WriteResult::Done;
    if (rc < 0) {
        result.error = errno;
        return WriteResult::Failed;
    }
    for (nfds_t i = 1; i < wait.count; ++i) {
        if (wait.fds[i].revents & POLLIN) {
            result.cancelIndex = static_cast<int>(i - 1);
            return WriteResult::Cancelled;
        }
    }
    if (wait.fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        MarkLost();
        return WriteResult::Lost;
    }
    return WriteResult::Done; // room, or the time ran out (seen on the next pass)
}

void TermiosPort::NoteWritten() {
    if (!(m_mask.load() & EV_TXEMPTY))
        return;
    // The event thread watches the output queue drain and reports EV_TXEMPTY.
    m_txPending.store(true);
    const uint64_t one = 1;
    while (write(m_wake, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool TermiosPort::WatchCancel(const TVaEvent& cancel) {
    if (m_cancelFd == cancel.Handle())
        return true;
    if (m_cancelFd >= 0)
        epoll_ctl(m_epoll, EPOLL_CTL_DEL, m_cancelFd, nullptr);
    epoll_event ev{EPOLLIN, {.fd = cancel.Handle()}};
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, cancel.Handle(), &ev) < 0)
        return false;
    m_cancelFd = cancel.Handle();
    return true;
}

// Compares the driver's counters with the last reading: line errors are kept for
// ClearCommError, and the masked events that happened are returned.
uint32_t TermiosPort::CheckCounters(uint32_t mask) {
    if (!m_haveCounters)
        return 0;
    serial_icounter_struct now{};
    std::lock_guard lock(m_countersMutex);
    if (ioctl(m_fd, TIOCGICOUNT, &now) < 0)
        return 0;
    const serial_icounter_struct& was = m_counters;
    uint32_t errors = 0, events = 0;
    if (now.frame != was.frame)
        errors |= CE_FRAME;
    if (now.overrun != was.overrun)
        errors |= CE_OVERRUN;
    if (now.parity != was.parity)
        errors |= CE_RXPARITY;
    if (now.buf_overrun != was.buf_overrun)
        errors |= CE_RXOVER;
    if (now.brk != was.brk) {
        errors |= CE_BREAK;
        events |= EV_BREAK;
    }
    if (now.cts != was.cts)
        events |= EV_CTS;
    if (now.dsr != was.dsr)
        events |= EV_DSR;
    if (now.rng != was.rng)
        events |= EV_RING;
    if (now.dcd != was.dcd)
        events |= EV_RLSD;
    if (now.parity != was.parity)
        events |= EV_PERR;
    if (errors)
        events |= EV_ERR;
    m_counters = now;
    m_pendingErrors.fetch_or(errors);
    return events & mask;
}

uint32_t TermiosPort::DeviceEvents(uint32_t mask, bool received) {
    uint32_t events = CheckCounters(mask);
    if (received && (mask & (EV_RXCHAR | EV_RX80FULL))) {
        int waiting = 0;
        if (ioctl(m_fd, FIONREAD, &waiting) == 0 && waiting > 0) {
            events |= mask & EV_RXCHAR;
            if (m_inQueue > 0 && static_cast<uint32_t>(waiting) * 10 >= m_inQueue * 8)
                events |= mask & EV_RX80FULL;
        }
    }
    if (m_txPending.load()) {
        int queued = 0;
        if (ioctl(m_fd, TIOCOUTQ, &queued) == 0 && queued == 0) {
            m_txPending.store(false);
            events |= mask & EV_TXEMPTY;
        }
    }
    return events;
}

WaitStatus TermiosPort::WaitCommEvent(uint32_t& events, const TVaEvent& cancel) {
    if (!WatchCancel(cancel))
        return WaitStatus::Failed;
    for (;;) {
        if (cancel.IsSet())
            return WaitStatus::Cancelled;
        if (m_lost.load())
            return WaitStatus::Lost;
        const uint32_t mask = m_mask.load();
        // Without notification from the driver, line events are sampled; the default
        // mask (received characters and errors) sleeps until something arrives.
        int timeout = -1;
        if (m_txPending.load())
            timeout = 2;
        else if (m_haveCounters && (mask & kLineEvents & ~EV_ERR))
            timeout = 50;
        epoll_event got[4];
        const int n = epoll_wait(m_epoll, got, 4, timeout);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return WaitStatus::Failed;
        bool received = false, hangup = false, cancelled = false;
        for (int i = 0; i < n; ++i) {
            if (got[i].data.fd == m_cancelFd)
                cancelled = true;
            else if (got[i].data.fd == m_wake) {
                uint64_t v;
                (void)!read(m_wake, &v, sizeof v);
            } else {
                hangup |= (got[i].events & (EPOLLHUP | EPOLLERR | EPOLLRDHUP)) != 0;
                received |= (got[i].events & EPOLLIN) != 0;
            }
        }
        if (cancelled)
            return WaitStatus::Cancelled;
        if (hangup) {
            MarkLost();
            return WaitStatus::Lost;
        }
        events = DeviceEvents(mask, received);
        if (events)
            return WaitStatus::Event;
    }
}

bool TermiosPort::ClearCommError(uint32_t& errors, COMSTAT& stat) {
    stat = COMSTAT{};
    errors = 0;
    int in = 0, out = 0;
    if (!m_lost.load() && (ioctl(m_fd, FIONREAD, &in) < 0 || ioctl(m_fd, TIOCOUTQ, &out) < 0)) {
        if (!IsDeviceGone(errno))
            return false;
        MarkLost();
    }
    if (m_lost.load()) {
        errors = CE_IOE | CE_DEVICELOST;
        return true;
    }
    CheckCounters(0);
    errors = m_pendingErrors.exchange(0);
    stat.cbInQue = static_cast<uint32_t>(in);
    stat.cbOutQue = static_cast<uint32_t>(out);
    return true;
}

bool TermiosPort::Escape(uint32_t function) {
    int rc = 0;
    switch (function) {
    case SETXOFF:
    case SETXON:
        rc = SuspendOutput(m_fd, function == SETXOFF);
        if (rc == 0)
            NoteEscape(function);
        break;
    case SETRTS:
        rc = ModemLine(m_fd, TIOCM_RTS, true);
        break;
    case CLRRTS:
        rc = ModemLine(m_fd, TIOCM_RTS, false);
        break;
    case SETDTR:
        rc = ModemLine(m_fd, TIOCM_DTR, true);
        break;
    case CLRDTR:
        rc = ModemLine(m_fd, TIOCM_DTR, false);
        break;
    case RESETDEV:
        break; // serial devices have nothing to reset
    case SETBREAK:
        rc = ioctl(m_fd, TIOCSBRK) < 0 ? errno : 0;
        break;
    case CLRBREAK:
        rc = ioctl(m_fd, TIOCCBRK) < 0 ? errno : 0;
        break;
    default:
        rc = EINVAL;
        break;
    }
    if (rc != 0)
        return Fail(rc);
    return true;
}

bool TermiosPort::GetModemStatus(uint32_t& status) {
    int lines = 0;
    if (ioctl(m_fd, TIOCMGET, &lines) < 0)
        return false;
    status = 0;
    if (lines & TIOCM_CTS)
        status |= MS_CTS_ON;
    if (lines & TIOCM_DSR)
        status |= MS_DSR_ON;
    if (lines & TIOCM_RNG)
        status |= MS_RING_ON;
    if (lines & TIOCM_CAR)
        status |= MS_RLSD_ON;
    return true;
}

bool TermiosPort::GetProperties(COMMPROP& prop) {
    prop = COMMPROP{};
    prop.wPacketLength = sizeof(COMMPROP);
    prop.wPacketVersion = 2;
    prop.dwServiceMask = 0x1;    // SP_SERIALCOMM
    prop.dwMaxBaud = 0x10000000; // BAUD_USER: any rate the driver accepts
    prop.dwProvSubType = 0x1;    // PST_RS232
    prop.dwProvCapabilities = 0x0002 | 0x0004 | 0x0008 | 0x0010 | 0x0020 | 0x0100;
    prop.dwSettableParams = 0x7F; // parity, baud, data bits, stop bits, handshaking...
    prop.dwSettableBaud = 0x1FFFFFFF;
    prop.wSettableData = 0x000F; // 5 to 8 data bits
    prop.wSettableStopParity = 0x0001 | 0x0004 | 0x1F00;
    prop.dwCurrentTxQueue = m_outQueue;
    prop.dwCurrentRxQueue = m_inQueue;
    return true;
}

} // namespace

std::shared_ptr<IPort> OpenPort(const std::string& path, int& error) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    TermBits found;
    // flock is the one lock that also stops root; TIOCEXCL stops other programs that do
    // not lock. A device in use is reported as busy.
    error = flock(fd, LOCK_EX | LOCK_NB) < 0 ? (errno == EWOULDBLOCK ? EBUSY : errno) : 0;
    if (!error && ioctl(fd, TIOCEXCL) < 0)
        error = errno;
    if (!error)
        error = GetTermBits(fd, found);
    if (error) {
        close(fd);
        return nullptr;
    }
    auto port = std::make_shared<TermiosPort>(fd, found);
    if ((error = port->Init()) != 0)
        return nullptr;
    return port;
}

bool ReadDefaultCommState(const std::string& path, DCB& dcb, int& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    TermBits bits;
    error = GetTermBits(fd, bits);
    close(fd);
    if (error)
        return false;
    TermBitsToDcb(bits, dcb);
    return true;
}

bool IsNotFound(int error) {
    return error == ENOENT || error == ENODEV || error == ENXIO;
}

bool IsDeviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

std::string ErrorText(int error) {
    const char* text = strerrordesc_np(error);
    std::string s = text ? text : "Unknown error " + std::to_string(error);
    while (!s.empty() && (s.back() == '.' || static_cast<unsigned char>(s.back()) <= ' '))
        s.pop_back();
    return s;
}

} // namespace comm::port
