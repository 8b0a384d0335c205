// A pseudo-terminal pair for tests on a real serial line: the code under test opens the slave
// by path, the test plays the other end on the master (never configuring it: that would
// rewrite the slave). Qt-free, used by the comm, tools and window tests.
#pragma once

#include "tests/common/now.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace test {

/// Owns the master side (non-blocking) of a new pseudo-terminal; the slave stays closed
/// until somebody opens Slave(). Not copyable. One thread at a time.
class Pty {
public:
    /// Opens the pair; Ok() tells whether that worked (a machine out of ptys).
    Pty() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_slave = ptsname(m_master);
    }
    ~Pty() { CloseMaster(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool Ok() const { return m_master >= 0 && !m_slave.empty(); }
    /// "/dev/pts/N"; empty when the pair could not be opened.
    const std::string& Slave() const { return m_slave; }
    /// The master descriptor (-1 after CloseMaster); ioctls on it act on the slave's line.
    int Master() const { return m_master; }

    /// Writes all `size` bytes to the master (the slave side receives them), waiting while
    /// the line is full. False when the master is closed or the write fails.
    bool TryWrite(const void* data, std::size_t size) {
        const char* bytes = static_cast<const char*>(data);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_master, bytes + done, size - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd p{m_master, POLLOUT, 0};
                poll(&p, 1, 100);
            } else if (!(n < 0 && errno == EINTR)) {
                return false;
            }
        }
        return true;
    }
    /// As TryWrite; a failure throws (a test failure under GoogleTest).
    void Write(const std::string& bytes) {
        if (!TryWrite(bytes.data(), bytes.size()))
            throw std::runtime_error("pty write failed");
    }

    /// Reads from the master until `count` bytes arrived or `timeoutMs` passed.
    std::string Read(std::size_t count, int timeoutMs = 2000) {
        std::string out;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0))) <= 0) {
                if (left.count() <= 0)
                    break;
                continue;
            }
            char buf[4096];
            const ssize_t n = ::read(m_master, buf, std::min(sizeof buf, count - out.size()));
            if (n > 0)
                out.append(buf, static_cast<std::size_t>(n));
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
        }
        return out;
    }

    /// At most one read of up to `max` bytes, after waiting up to `timeoutMs` for any; "" when
    /// nothing came.
    std::string ReadSome(std::size_t max, int timeoutMs) {
        pollfd p{m_master, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN))
            return {};
        std::string out(max, '\0');
        const ssize_t n = ::read(m_master, out.data(), max);
        out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return out;
    }

    /// Bytes the slave side has not read yet (polls first: the count lags the write).
    int SlaveQueued() const {
        int n = 0;
        ioctl(m_master, TIOCOUTQ, &n);
        return n;
    }

    /// Closes the master: the slave side hangs up, as an unplugged adapter does.
    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    std::string m_slave;
};

/// Open file descriptors of this process (leak checks).
inline int CountOpenFds() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n - 3; // ".", ".." and the directory's own descriptor
}

} // namespace test
