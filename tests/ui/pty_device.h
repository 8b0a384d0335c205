// A pseudo-terminal standing in for the meter: the test holds the master side, the program
// opens the slave through the port map.
#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace test {

class PtyDevice {
public:
    PtyDevice() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_slavePath = ptsname(m_master);
    }
    ~PtyDevice() { Hangup(); }
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    bool Ok() const { return m_master >= 0 && !m_slavePath.empty(); }
    const std::string& SlavePath() const { return m_slavePath; }

    void Write(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    }

    /// Reads what the program sent until `count` bytes arrived or `timeoutMs` passed; keeps
    /// the Qt event loop running meanwhile (the program writes from its own threads).
    std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs) {
        std::vector<std::uint8_t> got;
        QElapsedTimer timer;
        timer.start();
        while (got.size() < count && timer.elapsed() < timeoutMs) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
                std::uint8_t buffer[256];
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                if (n > 0)
                    got.insert(got.end(), buffer, buffer + n);
            }
            QTest::qWait(1);
        }
        return got;
    }

    /// Closes the master: the slave side hangs up, as an unplugged adapter does.
    void Hangup() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    std::string m_slavePath;
};

} // namespace test
