// Opening the simulator's end of the line: POSIX pseudo-terminals and termios devices.
#include "tools/vels5-meter/meter_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <utility>

namespace meter {
namespace {

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// 38400 8N1, raw, no flow control, receiver on, modem lines ignored, no hang-up on close.
bool SetRaw38400(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

MeterLine::MeterLine(int fd, int keeper, std::string path)
    : m_fd(fd), m_keeper(keeper), m_path(std::move(path)) {}

MeterLine::MeterLine(MeterLine&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_keeper(std::exchange(other.m_keeper, -1)),
      m_opens(std::exchange(other.m_opens, -1)), m_path(std::move(other.m_path)) {}

MeterLine::~MeterLine() {
    if (m_opens >= 0)
        close(m_opens);
    if (m_keeper >= 0)
        close(m_keeper);
    if (m_fd >= 0)
        close(m_fd);
}

std::optional<MeterLine> MeterLine::OpenPty(std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        error = ErrnoText("posix_openpt");
        return std::nullopt;
    }
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name)) {
        error = ErrnoText("pseudo-terminal");
        close(master);
        return std::nullopt;
    }
    // The keeper is opened blocking: it is only ever used for ioctls, never read.
    const int keeper = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keeper < 0 || !SetRaw38400(keeper)) {
        error = ErrnoText(std::string("slave ") + name);
        if (keeper >= 0)
            close(keeper);
        close(master);
        return std::nullopt;
    }
    MeterLine line(master, keeper, name);
    line.WatchOpens();
    return line;
}

std::optional<MeterLine> MeterLine::OpenDevice(const std::string& path, std::string& error) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A terminal in exclusive mode refuses every open but root's with EBUSY.
        error = errno == EBUSY ? path + ": in use by another program" : ErrnoText(path);
        return std::nullopt;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? path + ": in use by another program" : ErrnoText(path);
        close(fd);
        return std::nullopt;
    }
    // Exclusive mode is a second line of defence; a pseudo-terminal slave given as the
    // device may refuse it, which is harmless.
    ioctl(fd, TIOCEXCL);
    if (!SetRaw38400(fd)) {
        error = ErrnoText(path + ": not a serial device");
        close(fd);
        return std::nullopt;
    }
    return MeterLine(fd, -1, path);
}

bool MeterLine::ReleaseIfAbandoned() {
    if (m_keeper < 0)
        return false;
    int exclusive = 0;
    int unread = 0;
    ioctl(m_keeper, TIOCGEXCL, &exclusive);
    ioctl(m_keeper, FIONREAD, &unread);
    if (!exclusive && unread == 0)
        return false;
    // The monitor holds flock(LOCK_EX) while the port is open; if we get the lock, nobody
    // has the port. The lock is held only for the two calls below.
    if (flock(m_keeper, LOCK_EX | LOCK_NB) != 0)
        return false;
    if (unread > 0)
        tcflush(m_keeper, TCIFLUSH);
    if (exclusive)
        ioctl(m_keeper, TIOCNXCL);
    flock(m_keeper, LOCK_UN);
    return true;
}

long MeterLine::Write(std::span<const std::uint8_t> bytes) {
    for (;;) {
        const ssize_t n = write(m_fd, bytes.data(), bytes.size());
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue; // a signal arrived mid-call; the stop flag is checked by the loop
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        m_error = std::strerror(errno);
        return -1;
    }
}

long MeterLine::Read(std::span<std::uint8_t> into) {
    for (;;) {
        const ssize_t n = read(m_fd, into.data(), into.size());
        if (n > 0)
            return n;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return 0;
        m_error = n == 0 ? "hung up" : std::strerror(errno);
        return -1;
    }
}

LineReady MeterLine::Wait(double seconds, bool wantWrite, const StopRequest& stop) {
    LineReady ready;
    const timespec timeout{
        static_cast<time_t>(seconds),
        static_cast<long>((seconds - static_cast<double>(static_cast<time_t>(seconds))) * 1e9)};
    pollfd p{m_fd, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0};
    const int rc = ppoll(&p, 1, &timeout, &stop.WaitMask());
    if (rc < 0 && errno == EINTR) {
        ready.stopped = true; // only the stop signals are let through here
    } else if (rc < 0) {
        ready.failed = true;
        m_error = std::string("poll: ") + std::strerror(errno);
    } else if (rc > 0) {
        ready.readable = p.revents & POLLIN;
        ready.writable = p.revents & POLLOUT;
        ready.hungUp = p.revents & (POLLHUP | POLLERR | POLLNVAL);
    }
    return ready;
}

// Set up after the simulator's own opens of the slave, so only other programs' opens count.
void MeterLine::WatchOpens() {
    m_opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_opens >= 0 && inotify_add_watch(m_opens, m_path.c_str(), IN_OPEN) < 0) {
        close(m_opens);
        m_opens = -1;
    }
}

bool MeterLine::OpenedByOther() {
    if (m_keeper < 0 || m_opens < 0)
        return true;
    alignas(inotify_event) char events[sizeof(inotify_event) + 256];
    if (read(m_opens, events, sizeof events) <= 0)
        return false; // EAGAIN: nobody has opened it yet
    close(m_opens);
    m_opens = -1;
    return true;
}

} // namespace meter
