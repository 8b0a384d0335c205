// The serial component on a fresh pseudo-terminal at 38400 baud, its events delivered through
// a call queue the test thread runs: the common setup of the device and transfer tests.
#pragma once

#include "comm/main_thread.h"
#include "comm/va_comm.h"
#include "tests/common/pty.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace comm {

/// Checks `done` every millisecond until it holds or `timeoutMs` have passed; returns
/// done(). For conditions another thread brings about (a worker waiting in its hand-off)
/// where pumping the call queue would consume the very event being waited for. The limit
/// only ends a test that would otherwise hang; it is never part of the expectation.
inline bool PollUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

/// Owns the queue, the pty and the component (destroyed in that reverse order, the component
/// first). SetUp points the component at the slave without opening it; TearDown closes it.
class CommOnPtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pty.Ok());
        m_comm.SetMainThread(m_queue);
        m_comm.SetBaudrate(br38400);
        m_comm.SetDeviceName(m_pty.Slave());
    }
    void TearDown() override {
        m_comm.Close();
        m_queue->Shutdown(); // releases workers still waiting in a hand-off
    }

    std::shared_ptr<CallQueue> m_queue = std::make_shared<CallQueue>();
    test::Pty m_pty;
    TVaComm m_comm;
};

} // namespace comm
