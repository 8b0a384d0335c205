// Threads of the serial component over their lifetime: stalled writes with purge and
// close, a device that vanishes, hand-offs left over from a closed or destroyed
// component, and many open/close cycles without leaks. Nothing here depends on how fast
// the machine is: waits end on events, and only lower bounds of the component's own time
// limits are checked.
#include "comm/va_comm.h"
#include "comm/va_threads.h"
#include "tests/comm/comm_pty_fixture.h"
#include "tests/common/pty.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

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

    // Holds the device's output as if XOFF had come, then queues kStalled: the write thread
    // takes it into a transfer that cannot go on, and the queue keeps it until a purge or
    // SetXon(true).
    void StallWrites() {
        m_comm.SetXon(false);
        ASSERT_TRUE(m_comm.WriteText(kStalled));
        ASSERT_EQ(m_comm.WriteBufUsed(), static_cast<int>(kStalled.size()));
    }

    static inline const std::string kStalled = "stalled";

    std::shared_ptr<CallQueue> m_queue = std::make_shared<CallQueue>();
    Pty m_pty;
    TVaComm m_comm;
};

TEST_F(CommLifecycleTest, QueueRoomIsBoundedByTheWriteTimeout) {
    m_comm.Open();
    StallWrites();
    const int free = m_comm.WriteBufFree();
    EXPECT_EQ(free, 2048 - static_cast<int>(kStalled.size()));
    const std::string block(static_cast<size_t>(free) + 1, 'x');
    // One byte more than the room waits its write time limit for the stalled thread, then
    // gives up. The read time limit is far longer, so a wait on the wrong limit shows.
    m_comm.Buffers().WriteTimeout = 300;
    m_comm.Buffers().ReadTimeout = 60000;
    const int64_t start = NowMs();
    try {
        m_comm.WriteBuf(block.data(), free + 1);
        FAIL() << "no error";
    } catch (const EVaCommError& e) {
        EXPECT_STREQ(e.what(), "Output buffer is full. Please check comm status.");
    }
    const int64_t spent = NowMs() - start;
    EXPECT_GE(spent, 300);
    EXPECT_LT(spent, 30000);
    EXPECT_EQ(m_comm.WriteBufUsed(), static_cast<int>(kStalled.size())); // nothing queued
    // Exactly the room is taken at once: with no time at all to wait for room.
    m_comm.Buffers().WriteTimeout = 0;
    EXPECT_EQ(m_comm.WriteBuf(block.data(), free), free);
    EXPECT_EQ(m_comm.WriteBufFree(), 0);
}

TEST_F(CommLifecycleTest, PurgeWhileAWriteIsStalledEmptiesTheQueue) {
    m_comm.Open();
    StallWrites();
    m_comm.PurgeWrite();
    // Emptied, which happens only once the stalled thread has acknowledged the purge.
    EXPECT_EQ(m_comm.WriteBufUsed(), 0);
    // The purged bytes never go out: once the output runs again, the next write is all
    // that arrives.
    m_comm.SetXon(true);
    m_comm.WriteText("next");
    EXPECT_EQ(m_pty.Read(4, 10000), "next");
}

TEST_F(CommLifecycleTest, PurgeWaitsForAFreshAcknowledgementEachTime) {
    m_comm.Open();
    StallWrites();
    m_comm.PurgeWrite(); // acknowledged at once by the stalled thread
    ASSERT_EQ(m_comm.WriteBufUsed(), 0);
    m_comm.SetXon(true);
    // The next write drains, and the thread then waits in its transmit-empty hand-off,
    // which this (main) thread does not run yet: it cannot acknowledge a purge.
    m_comm.WriteText("again");
    EXPECT_EQ(m_pty.Read(5, 10000), "again");
    ASSERT_TRUE(PollUntil([&] { return m_queue->Pending() == 1; }));
    m_comm.WriteText("more");
    const int64_t start = NowMs();
    m_comm.PurgeWrite();
    EXPECT_GE(NowMs() - start, 2000);    // it waited its whole time for an acknowledgement,
    EXPECT_EQ(m_comm.WriteBufUsed(), 4); // the earlier one did not count: the queue stays
    // Once the hand-off has run, the thread goes on and writes what stayed queued.
    EXPECT_TRUE(m_queue->RunUntil([&] { return m_comm.WriteBufUsed() == 0; }, 10000));
    EXPECT_EQ(m_pty.Read(4, 10000), "more");
}

TEST_F(CommLifecycleTest, CloseWhileAWriteIsStalledLetsTheThreadEndAndOpenWorksAgain) {
    m_comm.Open();
    StallWrites();
    m_comm.Close();
    EXPECT_FALSE(m_comm.Active());
    // The stalled thread sees its stop signal inside the transfer and has ended.
    EXPECT_EQ(RunningWorkerThreads(), 0);
    // The component works again with fresh threads, and the old queue was dropped: once
    // the output runs again, only the new bytes arrive.
    m_comm.Open();
    std::string got;
    m_comm.OnRxChar = [&](TVaCustomComm*, int) { got += m_comm.ReadText(); };
    m_pty.Write("fresh");
    EXPECT_TRUE(m_queue->RunUntil([&] { return got == "fresh"; }, 10000));
    m_comm.SetXon(true);
    m_comm.WriteText("new");
    EXPECT_EQ(m_pty.Read(3, 10000), "new");
}

TEST_F(CommLifecycleTest, AVanishedDeviceIsReportedOnceWithoutBusyWaiting) {
    std::vector<int> errors;
    m_comm.OnError = [&](TVaCustomComm*, int flags) { errors.push_back(flags); };
    m_comm.Open();
    m_pty.CloseMaster(); // the adapter is pulled out
    ASSERT_TRUE(m_queue->RunUntil([&] { return !errors.empty(); }, 10000));
    EXPECT_EQ(errors[0], static_cast<int>(CE_IOE | CE_DEVICELOST));
    EXPECT_TRUE(m_comm.DeviceLost());
    // The event thread stops waiting and ends; the write thread sleeps until Close.
    EXPECT_TRUE(m_queue->RunUntil([] { return RunningWorkerThreads() == 1; }, 10000));
    // Nothing keeps running: the process's CPU time (not wall time: a loaded machine
    // only lowers it) while the main thread waits half a second for events.
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
        [&] { return (got += replacement.Read(4 - got.size(), 1)) == "back"; }, 10000));
}

TEST_F(CommLifecycleTest, AHungUpTerminalIsReportedAsVanished) {
    int errors = 0;
    m_comm.OnError = [&](TVaCustomComm*, int flags) { errors += (flags & CE_DEVICELOST) != 0; };
    // A second descriptor of the terminal, opened before the component takes it: once it
    // is held exclusively, only root could open it again.
    const int other = open(m_pty.Slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(other, 0);
    m_comm.Open();
    // Root hangs the terminal up directly. A normal user may not (CAP_SYS_ADMIN); closing
    // the master is a user's way, and the pty driver hangs the slave up the same way,
    // while the second descriptor keeps the terminal itself open.
    if (ioctl(other, TIOCVHANGUP) != 0) {
        ASSERT_EQ(errno, EPERM);
        m_pty.CloseMaster();
    }
    ASSERT_TRUE(m_queue->RunUntil([&] { return errors > 0; }, 10000));
    EXPECT_TRUE(m_queue->RunUntil([] { return RunningWorkerThreads() == 1; }, 10000));
    m_queue->RunPending(0);
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(m_comm.DeviceLost());
    char ch;
    EXPECT_FALSE(m_comm.ReadChar(ch));
    close(other);
}

TEST_F(CommLifecycleTest, CloseJoinsAThreadWaitingInItsHandOffAndTheEventNeverRuns) {
    int events = 0;
    m_comm.OnRxChar = [&](TVaCustomComm*, int) { ++events; };
    m_comm.Open();
    m_pty.Write("late");
    ASSERT_TRUE(PollUntil([&] { return m_queue->Pending() == 1; })); // waiting in its hand-off
    // The main thread does not run the queued event, yet Close returns with both threads
    // ended: the waiting thread was told to stop waiting.
    m_comm.Close();
    EXPECT_EQ(RunningWorkerThreads(), 0);
    EXPECT_EQ(m_queue->RunPending(0), 1);
    EXPECT_EQ(events, 0);
}

// The event thread waits for the very handler that closes the port: joining it there must
// not wait for the handler to return.
TEST_F(CommLifecycleTest, CloseFromAnEventHandlerJoinsBothThreads) {
    int closed = 0, events = 0, errors = 0, running = -1;
    m_comm.OnClose = [&](TVaCustomComm*) { ++closed; };
    m_comm.OnError = [&](TVaCustomComm*, int) { ++errors; };
    m_comm.OnRxChar = [&](TVaCustomComm*, int) {
        ++events;
        m_comm.Close();
        running = RunningWorkerThreads();
    };
    m_comm.Open();
    m_pty.Write("bye");
    ASSERT_TRUE(m_queue->RunUntil([&] { return events > 0; }, 10000));
    EXPECT_EQ(running, 0);
    EXPECT_FALSE(m_comm.Active());
    EXPECT_EQ(closed, 1);
    // The port works again with fresh threads.
    m_comm.OnRxChar = [&](TVaCustomComm*, int) { events += !m_comm.ReadText().empty(); };
    m_comm.Open();
    m_pty.Write("again");
    EXPECT_TRUE(m_queue->RunUntil([&] { return events == 2; }, 10000));
    EXPECT_EQ(errors, 0);
}

TEST_F(CommLifecycleTest, CloseFromTheTransmitEmptyHandlerJoinsBothThreads) {
    int running = -1;
    m_comm.OnTxEmpty = [&](TVaCustomComm*) {
        m_comm.Close();
        running = RunningWorkerThreads();
    };
    m_comm.Open();
    m_comm.WriteText("out");
    EXPECT_EQ(m_pty.Read(3, 10000), "out");
    ASSERT_TRUE(m_queue->RunUntil([&] { return running >= 0; }, 10000));
    EXPECT_EQ(running, 0);
    EXPECT_FALSE(m_comm.Active());
}

// Output held by SetXon(false) is this opening's: Close lets it go after the write thread
// has ended, so the bytes stalled in the closed opening's queue never go out, and the next
// opening (or program) can send.
TEST_F(CommLifecycleTest, CloseResumesOutputHeldByXoffAndDropsWhatWasStalled) {
    m_comm.Open();
    StallWrites();
    m_comm.Close();
    EXPECT_EQ(RunningWorkerThreads(), 0);
    m_comm.Open();
    m_comm.WriteText("new");
    EXPECT_EQ(m_pty.Read(3, 10000), "new"); // "sta" if the stalled bytes had gone out
}

TEST_F(CommLifecycleTest, AQueuedHandOffNeverReachesADestroyedComponent) {
    Pty pty;
    auto comm = std::make_unique<TVaComm>();
    Prepare(*comm, pty);
    bool ran = false;
    comm->OnRxChar = [&](TVaCustomComm*, int) { ran = true; };
    comm->Open();
    pty.Write("x");
    ASSERT_TRUE(PollUntil([&] { return m_queue->Pending() > 0; }));
    comm.reset(); // the address sanitizer build would see any use of it
    EXPECT_GE(m_queue->RunPending(0), 1);
    EXPECT_FALSE(ran);
}

TEST_F(CommLifecycleTest, StopThreadEndsAWaitingEventThreadWithoutAnEvent) {
    ASSERT_TRUE(m_queue->RunUntil([] { return RunningWorkerThreads() == 0; }, 10000));
    m_comm.Open();
    ASSERT_EQ(RunningWorkerThreads(), 2);
    m_comm.Close();
    EXPECT_EQ(RunningWorkerThreads(), 0); // nothing pumped
    EXPECT_EQ(m_queue->Pending(), 0u);
}

TEST_F(CommLifecycleTest, ThousandOpenCloseCyclesWithTrafficLeakNothing) {
    // Warm up once, so lazily allocated runtime state is not counted.
    m_comm.Open();
    m_comm.Close();
    m_queue->RunUntil([] { return RunningWorkerThreads() == 0; }, 10000);
    const int fds = test::CountOpenFds();
    const size_t heap = mallinfo2().uordblks;
    int received = 0;
    m_comm.OnRxChar = [&](TVaCustomComm*, int) { received += !m_comm.ReadText().empty(); };
    for (int i = 0; i < 1000; ++i) {
        m_comm.Open();
        m_comm.WriteText("ping");
        m_pty.Write("pong");
        if (i % 100 == 0) { // now and then the traffic is handled before the close
            const int before = received;
            ASSERT_TRUE(m_queue->RunUntil([&] { return received > before; }, 10000)) << i;
        }
        m_comm.Close();
        m_queue->RunPending(0);
        m_pty.Read(4096, 0);
    }
    ASSERT_TRUE(m_queue->RunUntil([] { return RunningWorkerThreads() == 0; }, 10000));
    m_queue->RunPending(0);
    EXPECT_GT(received, 0);
    EXPECT_EQ(test::CountOpenFds(), fds);
    // Under the address sanitizer mallinfo2 reports nothing; its leak check covers it.
    EXPECT_LT(mallinfo2().uordblks, heap + 256 * 1024);
}

} // namespace
} // namespace comm
