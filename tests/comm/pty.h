// A pseudo-terminal pair for the serial tests: the component opens the slave by path, the
// test plays the device on the master (never configuring it: that would rewrite the slave).
#pragma once

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

namespace comm::test {

class Pty {
public:
    Pty() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_slave = ptsname(m_master);
    }
    ~Pty() { CloseMaster(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& Slave() const { return m_slave; }
    int Master() const { return m_master; }

    /// Writes all bytes to the master (the device "receives" them on the slave side).
    void Write(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd p{m_master, POLLOUT, 0};
                poll(&p, 1, 100);
            } else if (!(n < 0 && errno == EINTR)) {
                throw std::runtime_error("pty write failed");
            }
        }
    }

    /// Reads from the master until `count` bytes arrived or `timeoutMs` passed.
    std::string Read(size_t count, int timeoutMs = 2000) {
        std::string out;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0) {
                if (left.count() <= 0)
                    break;
                continue;
            }
            char buf[4096];
            const ssize_t n = ::read(m_master, buf, std::min(sizeof buf, count - out.size()));
            if (n > 0)
                out.append(buf, static_cast<size_t>(n));
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
        }
        return out;
    }

    /// Bytes the slave side has not read yet (polls first: the count lags the write).
    int SlaveQueued() const {
        int n = 0;
        ioctl(m_master, TIOCOUTQ, &n);
        return n;
    }

    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    std::string m_slave;
};

/// Open file descriptors of this process.
inline int CountOpenFds() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n - 3; // ".", ".." and the directory's own descriptor
}

/// Milliseconds since an arbitrary start.
inline int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace comm::test
