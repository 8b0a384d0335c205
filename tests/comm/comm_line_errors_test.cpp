// Line errors that the device reports together with received data reach OnError.
//
// A pseudo-terminal has no line to damage and no error counters (TIOCGICOUNT), so the
// errors come from a port that wraps the real termios port of a pty and adds what a serial
// driver would report: the next wake-up for received bytes also carries EV_ERR, and the next
// status query returns the error flags once (then they are cleared, as on a device).
// Everything else, the bytes included, is the real pty.
#include "comm/port/port.h"
#include "tests/comm/comm_pty_fixture.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace comm {
namespace {

class LineErrorPort final : public port::IPort {
public:
    explicit LineErrorPort(std::shared_ptr<port::IPort> inner) : m_inner(std::move(inner)) {}

    /// The errors come with the next received bytes. Any thread.
    void ArmErrors(uint32_t errors) { m_armed.store(errors); }

    port::WaitStatus WaitCommEvent(uint32_t& events, const TVaEvent& cancel) override {
        const port::WaitStatus status = m_inner->WaitCommEvent(events, cancel);
        if (status == port::WaitStatus::Event && (events & EV_RXCHAR)) {
            if (const uint32_t errors = m_armed.exchange(0)) {
                m_pending.fetch_or(errors);
                events |= m_mask.load() & EV_ERR;
            }
        }
        return status;
    }
    bool ClearCommError(uint32_t& errors, COMSTAT& stat) override {
        if (!m_inner->ClearCommError(errors, stat))
            return false;
        errors |= m_pending.exchange(0);
        return true;
    }
    bool SetCommMask(uint32_t mask) override {
        m_mask.store(mask);
        return m_inner->SetCommMask(mask);
    }

    bool SetupComm(uint32_t in, uint32_t out) override { return m_inner->SetupComm(in, out); }
    bool SetCommState(const DCB& dcb) override { return m_inner->SetCommState(dcb); }
    bool GetCommState(DCB& dcb) override { return m_inner->GetCommState(dcb); }
    bool GetDefaultCommState(DCB& dcb) override { return m_inner->GetDefaultCommState(dcb); }
    bool SetCommTimeouts(const COMMTIMEOUTS& t) override { return m_inner->SetCommTimeouts(t); }
    long Read(void* buf, size_t count) override { return m_inner->Read(buf, count); }
    port::WriteResult Write(const void* buf, size_t count,
                            std::initializer_list<const TVaEvent*> cancel, uint32_t timeoutMs,
                            bool whole) override {
        return m_inner->Write(buf, count, cancel, timeoutMs, whole);
    }
    bool Purge(uint32_t flags) override { return m_inner->Purge(flags); }
    bool Escape(uint32_t function) override { return m_inner->Escape(function); }
    bool GetModemStatus(uint32_t& status) override { return m_inner->GetModemStatus(status); }
    bool GetProperties(COMMPROP& prop) override { return m_inner->GetProperties(prop); }
    bool Lost() const override { return m_inner->Lost(); }
    void MarkLost() override { m_inner->MarkLost(); }
    bool TakeLostReport() override { return m_inner->TakeLostReport(); }
    void Close() override { m_inner->Close(); }

private:
    std::shared_ptr<port::IPort> m_inner;
    std::atomic<uint32_t> m_armed{0}, m_pending{0}, m_mask{0};
};

// The component as the program has it, on a LineErrorPort.
class LineErrorComm final : public TVaComm {
public:
    std::shared_ptr<LineErrorPort> port;

protected:
    std::shared_ptr<port::IPort> OpenDevice(const std::string& path, int& error) override {
        auto inner = TVaComm::OpenDevice(path, error);
        port = inner ? std::make_shared<LineErrorPort>(std::move(inner)) : nullptr;
        return port;
    }
};

class CommLineErrorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pty.Ok());
        m_comm.SetMainThread(m_queue);
        m_comm.SetBaudrate(br38400);
        m_comm.SetDeviceName(m_pty.Slave());
        m_comm.SetMonitorEvents({ceRxChar, ceError}); // the program's events
        m_comm.OnError = [&](TVaCustomComm*, int flags) { m_errors.push_back(flags); };
        // As the program's handler: everything waiting, counted again after each read.
        m_comm.OnRxChar = [&](TVaCustomComm*, int) {
            char buf[64];
            while (m_comm.ReadBufUsed() > 0) {
                const int n = m_comm.ReadBuf(buf, sizeof buf);
                if (n <= 0)
                    break;
                m_received.append(buf, static_cast<size_t>(n));
            }
        };
        m_comm.Open();
        ASSERT_TRUE(m_comm.port);
    }
    void TearDown() override {
        m_comm.Close();
        m_queue->Shutdown();
    }

    std::shared_ptr<CallQueue> m_queue = std::make_shared<CallQueue>();
    test::Pty m_pty;
    LineErrorComm m_comm;
    std::vector<int> m_errors;
    std::string m_received;
};

TEST_F(CommLineErrorsTest, ErrorsArrivingWithDataReachOnErrorOnce) {
    for (const uint32_t error : {CE_FRAME, CE_RXPARITY, CE_OVERRUN}) {
        m_errors.clear();
        m_received.clear();
        m_comm.port->ArmErrors(error);
        m_pty.Write("abc");
        ASSERT_TRUE(m_queue->RunUntil([&] { return m_received == "abc"; }, 10000)) << error;
        // The data event's counts took the flags from the device; its EV_ERR reports them.
        EXPECT_EQ(m_errors, std::vector<int>{static_cast<int>(error)});
        // Reported, so cleared: the next status query finds none.
        EXPECT_EQ(m_comm.GetCommStatus().Errors, 0u);
    }
}

TEST_F(CommLineErrorsTest, CountsKeepTheErrorsForTheNextStatusQuery) {
    m_comm.OnRxChar = nullptr; // the bytes stay waiting
    m_comm.port->ArmErrors(CE_FRAME);
    m_pty.Write("x");
    // The event is not run: only the device wait has taken the errors in.
    ASSERT_TRUE(PollUntil([&] { return m_queue->Pending() == 1; }));
    EXPECT_EQ(m_comm.ReadBufUsed(), 1);
    EXPECT_FALSE(m_comm.GetComStat(4));
    const TVaCommStatus status = m_comm.GetCommStatus();
    EXPECT_EQ(status.Errors, CE_FRAME);
    EXPECT_EQ(status.Stat.cbInQue, 1u);
    EXPECT_FALSE(m_comm.ClearLineErrors()); // already reported by GetCommStatus
}

} // namespace
} // namespace comm
