// The worker threads on their own, over a link to a real pseudo-terminal and a call queue:
// no component is involved, only what the link gives them.
#include "comm/port/port.h"
#include "comm/va_threads.h"
#include "tests/comm/comm_pty_fixture.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace comm {
namespace {

class WorkerLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pty.Ok());
        int error = 0;
        m_link.port = port::OpenPort(m_pty.Slave(), error);
        ASSERT_TRUE(m_link.port) << error;
        DCB raw; // 38400 8N1, raw: every byte is readable as it comes
        raw.BaudRate = 38400;
        raw.fBinary = 1;
        raw.ByteSize = 8;
        ASSERT_TRUE(m_link.port->SetCommState(raw));
        m_link.mainThread = m_queue;
        m_link.writeLock = std::make_shared<TVaCriticalSection>();
        m_link.cancelled = std::make_shared<bool>(false);
        m_link.deliver = [this](uint32_t mask) {
            EXPECT_EQ(std::this_thread::get_id(), m_mainId);
            m_delivered.push_back(mask);
        };
        m_threadsBefore = RunningWorkerThreads();
    }
    void TearDown() override {
        // Destroying a thread object stops and joins its thread.
        m_writer.reset();
        m_events.reset();
        EXPECT_EQ(RunningWorkerThreads(), m_threadsBefore);
        m_queue->Shutdown();
        if (m_link.port)
            m_link.port->Close();
    }

    std::shared_ptr<CallQueue> m_queue = std::make_shared<CallQueue>();
    test::Pty m_pty;
    TVaCommLink m_link;
    std::unique_ptr<TVaCommWriteThread> m_writer;
    std::unique_ptr<TVaCommEventThread> m_events;
    std::vector<uint32_t> m_delivered;
    std::thread::id m_mainId = std::this_thread::get_id();
    int m_threadsBefore = 0;
};

TEST_F(WorkerLinkTest, TheWriteThreadWritesTheQueueAndReportsItDrained) {
    m_writer = std::make_unique<TVaCommWriteThread>(m_link, 8);
    TVaCommWriteThread& writer = *m_writer;
    writer.Start(tpNormal);
    EXPECT_FALSE(writer.WriteData("123456789", 9, 0)); // more than the capacity
    ASSERT_TRUE(writer.WriteData("abc", 3, 0));
    EXPECT_EQ(m_pty.Read(3), "abc");
    ASSERT_TRUE(m_queue->RunUntil([&] { return !m_delivered.empty(); }, 10000));
    EXPECT_EQ(m_delivered, std::vector<uint32_t>{EV_TXEMPTY});
    EXPECT_EQ(writer.Used(), 0);
}

TEST_F(WorkerLinkTest, TheEventThreadHandsOverReceivedBytesUntilTheLinkIsCancelled) {
    ASSERT_TRUE(m_link.port->SetCommMask(EV_RXCHAR | EV_ERR));
    m_events = std::make_unique<TVaCommEventThread>(m_link);
    m_events->Start(tpNormal);
    m_pty.Write("x");
    ASSERT_TRUE(m_queue->RunUntil([&] { return !m_delivered.empty(); }, 10000));
    EXPECT_EQ(m_delivered[0], EV_RXCHAR);

    // Cancelled on the main thread: a hand-off already on its way does nothing.
    *m_link.cancelled = true;
    m_pty.Write("y");
    ASSERT_TRUE(PollUntil([&] { return m_queue->Pending() > 0; }));
    m_queue->RunPending();
    EXPECT_EQ(m_delivered.size(), 1u);
}

TEST_F(WorkerLinkTest, AVanishedDeviceIsHandedOverOnceAsALineError) {
    ASSERT_TRUE(m_link.port->SetCommMask(EV_RXCHAR | EV_ERR));
    m_events = std::make_unique<TVaCommEventThread>(m_link);
    m_events->Start(tpNormal);
    m_pty.CloseMaster();
    ASSERT_TRUE(m_queue->RunUntil([&] { return !m_delivered.empty(); }, 10000));
    EXPECT_EQ(m_delivered, std::vector<uint32_t>{EV_ERR});
    // The thread has stopped waiting: it ends without being told to.
    EXPECT_TRUE(
        m_queue->RunUntil([&] { return RunningWorkerThreads() <= m_threadsBefore; }, 10000));
    EXPECT_EQ(m_delivered.size(), 1u);
}

} // namespace
} // namespace comm
