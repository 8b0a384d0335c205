// A pseudo-terminal standing in for the meter in the window tests: the test holds the master
// side, the program opens the slave through the port map. Reads keep the Qt event loop running.
#pragma once

#include "tests/common/pty.h"

#include <QElapsedTimer>
#include <QTest>
#include <cstdint>
#include <string>
#include <vector>

namespace test {

class PtyDevice : public Pty {
public:
    const std::string& SlavePath() const { return Slave(); }

    /// Writes the bytes to the master; after a hang-up nothing is written.
    void Write(const std::vector<std::uint8_t>& bytes) { TryWrite(bytes.data(), bytes.size()); }

    /// Reads what the program sent until `count` bytes arrived or `timeoutMs` passed; keeps
    /// the Qt event loop running meanwhile (the program writes from its own threads).
    std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs) {
        std::vector<std::uint8_t> got;
        QElapsedTimer timer;
        timer.start();
        while (got.size() < count && timer.elapsed() < timeoutMs) {
            const std::string bytes = ReadSome(256, 10);
            got.insert(got.end(), bytes.begin(), bytes.end());
            QTest::qWait(1);
        }
        return got;
    }

    /// Closes the master: the slave side hangs up, as an unplugged adapter does.
    void Hangup() { CloseMaster(); }
};

} // namespace test
