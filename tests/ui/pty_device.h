// A pseudo-terminal standing in for the meter in the window tests: the test holds the master
// side, the program opens the slave through the port map. Reads keep the Qt event loop running.
#pragma once

#include "tests/common/pty.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace test {

class PtyDevice : public Pty {
public:
    const std::string& SlavePath() const { return Slave(); }

    /// Writes the bytes to the master; after a hang-up nothing is written.
    void Write(const std::vector<std::uint8_t>& bytes) { TryWrite(bytes.data(), bytes.size()); }

    /// Reads what the program sent until `count` bytes arrived or `timeoutMs` passed (which
    /// only bounds a failing test); keeps the Qt event loop running meanwhile (the program
    /// writes from its own threads).
    std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs = 20000) {
        return ReadWhile([&](const std::vector<std::uint8_t>& got) { return got.size() < count; },
                         timeoutMs);
    }

    /// Reads until what arrived ends with `end`, which is not returned; empty after the
    /// timeout. Lets a test see everything the program sent before it queued `end` itself.
    std::vector<std::uint8_t> ReadUntil(const std::vector<std::uint8_t>& end,
                                        int timeoutMs = 20000) {
        const auto ended = [&](const std::vector<std::uint8_t>& got) {
            return got.size() >= end.size() &&
                   std::equal(end.begin(), end.end(), got.end() - end.size());
        };
        std::vector<std::uint8_t> got =
            ReadWhile([&](const std::vector<std::uint8_t>& g) { return !ended(g); }, timeoutMs);
        if (!ended(got))
            return {};
        got.resize(got.size() - end.size());
        return got;
    }

    /// Closes the master: the slave side hangs up, as an unplugged adapter does.
    void Hangup() { CloseMaster(); }

private:
    template <typename More>
    std::vector<std::uint8_t> ReadWhile(More more, int timeoutMs) {
        std::vector<std::uint8_t> got;
        QElapsedTimer timer;
        timer.start();
        while (more(got) && timer.elapsed() < timeoutMs) {
            const std::string bytes = ReadSome(256, 10);
            got.insert(got.end(), bytes.begin(), bytes.end());
            QCoreApplication::processEvents();
        }
        return got;
    }
};

} // namespace test
