// Threads of the serial component over their lifetime: stalled writes with purge and
// close, a device that vanishes, hand-offs left over from a closed or destroyed
// component, and many open/close cycles without leaks.
#include "comm/va_comm.h"
#include "comm/va_threads.h"
#include "tests/common/pty.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <thread>

namespace comm {
namespace {

using test::NowMs;
using test::Pty;

int64_t CpuMicros() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000LL + u.ru_utime.tv_usec +
           u.ru_stime.tv_usec;
}

class CommLifecycleTest : public ::testing::Test {
protected:
    void SetUp() override { Prepare(m_comm, m_pty); }
    void TearDown() override {
        m_comm.Close();
        // Let the threads of this test end before the next one counts anything.
        m_queue->RunUntil([] { return RunningWorkerThreads() == 0; }, 5000);
        m_queue->Shutdown();
    }

    void Prepare(TVaCustomComm& comm, Pty& pty) {
        comm.SetMainThread(m_queue);
        comm.SetBaudrate(br38400);
        comm.SetDeviceName(pty.Slave());
    }

    // Fills the device until it takes no more (nobody reads the master): the write
    // thread is then stalled in a transfer and the queue stays non-empty.
    void StallWrites() {
        const std::string block(1024, 'w');
        int64_t lastProgress = NowMs();
        int lastUsed = -1;
        while (NowMs() - lastProgress < 200) {
            if (m_comm.WriteBufFree() >= 1024)
                m_comm.WriteBuf(block.data(), 1024);
            m_queue->RunPending(5);
            const int used = m_comm.WriteBufUsed();
            if (used != lastUsed || used == 0)
                lastProgress = NowMs();
            lastUsed = used;
        }
        ASSERT_GT(m_comm.WriteBufUsed(), 0);
    }

    std::shared_ptr<CallQueue> m_queue = std::make_shared<CallQueue>();
    Pty m_pty;
    TVaComm m_comm;
};

TEST_F(CommLifecycleTest, QueueRoomIsBoundedByTheWriteTimeout) {
    m_comm.Open();
    StallWrites();
    const int free = m_comm.WriteBufFree();
    const std::string block(static_cast<size_t>(free) + 1, 'x');
    // One byte more than the room waits for the stalled thread, then gives up.
    int64_t start = NowMs();
    try {
        m_comm.WriteBuf(block.data(), free + 1);
        FAIL() << "no error";
    } catch (const EVaCommError& e) {
        EXPECT_STREQ(e.what(), "Output buffer is full. Please check comm status.");
    }
    EXPECT_GE(NowMs() - start, 1000);
    EXPECT_LT(NowMs() - start, 1500);
    // Exactly the room is taken at once.
    start = NowMs();
    EXPECT_EQ(m_comm.WriteBuf(block.data(), free), free);
    EXPECT_LT(NowMs() - start, 200);
}

TEST_F(CommLifecycleTest, PurgeWhileAWriteIsStalledReturnsPromptlyAndEmptiesTheQueue) {
    m_comm.Open();
    StallWrites();
    const int64_t start = NowMs();
    m_comm.PurgeWrite();
    EXPECT_LT(NowMs() - start, 500);
    EXPECT_EQ(m_comm.WriteBufUsed(), 0);
}

TEST_F(CommLifecycleTest, PurgeWaitsForAFreshAcknowledgementEachTime) {
    m_comm.Open();
    StallWrites();
    m_comm.PurgeWrite(); // acknowledged at once by the stalled thread
    while (!m_pty.Read(65536, 20).empty()) {
    }
    // The next write drains, and the thread then waits in its transmit-empty hand-off,
    // which this (main) thread does not run yet: it cannot acknowledge a purge.
    m_comm.WriteText("again");
    EXPECT_EQ(m_pty.Read(5), "again");
    // The bytes can reach the device before the thread has taken them off its queue; only
    // an empty queue means the thread has gone on into its hand-off.
    const int64_t drainStart = NowMs();
    while (m_comm.WriteBufUsed() != 0 && NowMs() - drainStart < 2000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(m_comm.WriteBufUsed(), 0);
    m_comm.WriteText("more");
    const int64_t start = NowMs();
    m_comm.PurgeWrite();
    EXPECT_GE(NowMs() - start, 2000); // the earlier acknowledgement did not count
    EXPECT_LT(NowMs() - start, 2500);
    EXPECT_EQ(m_comm.WriteBufUsed(), 4); // without acknowledgement the queue stays
    // Once the hand-off has run, the thread goes on and writes what stayed queued.
    EXPECT_TRUE(m_queue->RunUntil([&] { return m_comm.WriteBufUsed() == 0; }, 2000));
    EXPECT_EQ(m_pty.Read(4), "more");
}

TEST_F(CommLifecycleTest, CloseWhileAWriteIsStalledReturnsAtOnceAndOpenWorksAgain) {
    m_comm.Open();
    StallWrites();
    const int64_t start = NowMs();
    m_comm.Close();
    EXPECT_LT(NowMs() - start, 100);
    // Drain the device, then the component works with fresh threads.
    while (!m_pty.Read(65536, 20).empty()) {
    }
    m_comm.Open();
    std::string got;
    m_comm.OnRxChar = [&](TVaCustomComm*, int) { got += m_comm.ReadText(); };
    m_pty.Write("fresh");
    EXPECT_TRUE(m_queue->RunUntil([&] { return got == "fresh"; }, 2000));
}

TEST_F(CommLifecycleTest, AVanishedDeviceIsReportedOnceWithoutBusyWaiting) {
    std::vector<int> errors;
    m_comm.OnError = [&](TVaCustomComm*, int flags) { errors.push_back(flags); };
    m_comm.Open();
    m_pty.CloseMaster(); // the adapter is pulled out
    ASSERT_TRUE(m_queue->RunUntil([&] { return !errors.empty(); }, 2000));
    EXPECT_EQ(errors[0], static_cast<int>(CE_IOE | CE_DEVICELOST));
    EXPECT_TRUE(m_comm.DeviceLost());
    // Nothing keeps running: CPU of the whole process in the next 500 ms.
    const int64_t cpu = CpuMicros();
    m_queue->RunPending(500);
    EXPECT_LT(CpuMicros() - cpu, 50000);
    EXPECT_EQ(errors.size(), 1u);
    char buf[4];
    EXPECT_EQ(m_comm.ReadBuf(buf, 4), 0);
    EXPECT_EQ(m_comm.ReadBufUsed(), 0);
    m_comm.WriteText("lost"); // queued, never written, no further report
    m_queue->RunPending(100);
    EXPECT_EQ(errors.size(), 1u);
    m_comm.Close();
    EXPECT_FALSE(m_comm.DeviceLost());

    Pty replacement;
    m_comm.SetDeviceName(replacement.Slave());
    m_comm.Open();
    m_comm.WriteText("back");
    std::string got;
    EXPECT_TRUE(m_queue->RunUntil(
        [&] { return (got += replacement.Read(4 - got.size(), 1)) == "back"; }, 2000));
}

TEST_F(CommLifecycleTest, AHungUpTerminalIsReportedAsVanished) {
    int errors = 0;
    m_comm.OnError = [&](TVaCustomComm*, int flags) { errors += (flags & CE_DEVICELOST) != 0; };
    m_comm.Open();
    const int other = open(m_pty.Slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(other, 0);
    const bool hungUp = ioctl(other, TIOCVHANGUP) == 0;
    close(other);
    if (!hungUp)
        GTEST_SKIP() << "TIOCVHANGUP needs CAP_SYS_ADMIN";
    ASSERT_TRUE(m_queue->RunUntil([&] { return errors > 0; }, 2000));
    m_queue->RunPending(200);
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(m_comm.DeviceLost());
}

TEST_F(CommLifecycleTest, EventsOfAClosedOpeningNeverRun) {
    int events = 0;
    m_comm.OnRxChar = [&](TVaCustomComm*, int) { ++events; };
    m_comm.Open();
    m_pty.Write("late");
    for (int i = 0; i < 2000 && m_queue->Pending() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(m_queue->Pending(), 1u); // the event thread waits in its hand-off
    m_comm.Close();
    m_queue->RunPending(50);
    EXPECT_EQ(events, 0);
}

TEST_F(CommLifecycleTest, AQueuedHandOffNeverReachesADestroyedComponent) {
    Pty pty;
    auto comm = std::make_unique<TVaComm>();
    Prepare(*comm, pty);
    bool ran = false;
    comm->OnRxChar = [&](TVaCustomComm*, int) { ran = true; };
    comm->Open();
    pty.Write("x");
    for (int i = 0; i < 2000 && m_queue->Pending() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GT(m_queue->Pending(), 0u);
    comm.reset(); // the address sanitizer build would see any use of it
    m_queue->RunPending(50);
    EXPECT_FALSE(ran);
}

TEST_F(CommLifecycleTest, StopThreadEndsAWaitingEventThreadWithoutAnEvent) {
    ASSERT_TRUE(m_queue->RunUntil([] { return RunningWorkerThreads() == 0; }, 2000));
    m_comm.Open();
    ASSERT_EQ(RunningWorkerThreads(), 2);
    m_comm.Close();
    EXPECT_TRUE(m_queue->RunUntil([] { return RunningWorkerThreads() == 0; }, 2000));
    EXPECT_EQ(m_queue->Pending(), 0u);
}

TEST_F(CommLifecycleTest, ThousandOpenCloseCyclesWithTrafficLeakNothing) {
    // Warm up once, so lazily allocated runtime state is not counted.
    m_comm.Open();
    m_comm.Close();
    m_queue->RunUntil([] { return RunningWorkerThreads() == 0; }, 2000);
    const int fds = test::CountOpenFds();
    const size_t heap = mallinfo2().uordblks;
    int received = 0;
    m_comm.OnRxChar = [&](TVaCustomComm*, int) { received += !m_comm.ReadText().empty(); };
    for (int i = 0; i < 1000; ++i) {
        m_comm.Open();
        m_comm.WriteText("ping");
        m_pty.Write("pong");
        m_queue->RunPending(i % 10 == 0 ? 20 : 0);
        m_comm.Close();
        m_pty.Read(4096, 0);
    }
    ASSERT_TRUE(m_queue->RunUntil([] { return RunningWorkerThreads() == 0; }, 5000));
    m_queue->RunPending(0);
    EXPECT_GT(received, 0);
    EXPECT_EQ(test::CountOpenFds(), fds);
    // Under the address sanitizer mallinfo2 reports nothing; its leak check covers it.
    EXPECT_LT(mallinfo2().uordblks, heap + 256 * 1024);
}

} // namespace
} // namespace comm
