// Building blocks of the serial threads: manual-reset signals, waiting on several, the
// linear write queue, and the CallQueue hand-off.
#include "comm/main_thread.h"
#include "comm/va_sync.h"
#include "comm/va_threads.h"
#include "tests/common/now.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace comm {
namespace {

TEST(TVaWaitEvent, StaysSetUntilResetAndTimesOutWhenClear) {
    TVaWaitEvent e;
    EXPECT_EQ(e.WaitFor(0), wrTimeout);
    e.SetEvent();
    e.SetEvent();
    EXPECT_EQ(e.WaitFor(0), wrSignaled);
    EXPECT_EQ(e.WaitFor(INFINITE), wrSignaled); // manual reset: still set
    e.ResetEvent();
    const int64_t start = test::NowMs();
    EXPECT_EQ(e.WaitFor(30), wrTimeout);
    EXPECT_GE(test::NowMs() - start, 30); // a timed-out wait never ends early
    TVaEvent autoReset(false, true);
    EXPECT_EQ(autoReset.WaitFor(0), wrSignaled);
    EXPECT_EQ(autoReset.WaitFor(0), wrTimeout);
}

TEST(TVaWaitEvent, WaitForAnyPrefersTheEarlierAndWakesAcrossThreads) {
    TVaWaitEvent stop, purge, data;
    data.SetEvent();
    purge.SetEvent();
    EXPECT_EQ(WaitForAny({&stop, &purge, &data}, 0), 1);
    purge.ResetEvent();
    data.ResetEvent();
    EXPECT_EQ(WaitForAny({&stop, &purge, &data}, 0), -1);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stop.SetEvent();
    });
    EXPECT_EQ(WaitForAny({&stop, &purge, &data}, INFINITE), 0);
    setter.join();
}

TEST(TVaWaitEvent, WaitForAnyRefusesMoreEventsThanItWatches) {
    TVaWaitEvent e[kMaxWaitEvents + 1];
    e[kMaxWaitEvents].SetEvent(); // the one that would be left out
    static_assert(kMaxWaitEvents == 8, "the list below holds one event more");
    errno = 0;
    EXPECT_EQ(WaitForAny({&e[0], &e[1], &e[2], &e[3], &e[4], &e[5], &e[6], &e[7], &e[8]}, 0), -2);
    EXPECT_EQ(errno, EINVAL);
    e[7].SetEvent();
    EXPECT_EQ(WaitForAny({&e[0], &e[1], &e[2], &e[3], &e[4], &e[5], &e[6], &e[7]}, 0), 7);
}

TEST(TVaCommBuffer, IsALinearQueue) {
    TVaCommBuffer b(8);
    b.Write("abcdef", 6);
    char out[4] = {};
    b.Peek(out, 2);
    EXPECT_EQ(std::string(out, 2), "ab");
    EXPECT_EQ(b.Size(), 6);
    b.Read(out, 3);
    EXPECT_EQ(std::string(out, 3), "abc");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b.DataPtr()), 3), "def"); // moved down
    b.Write("gh", 2);
    b.Remove(4);
    EXPECT_EQ(b.Size(), 1);
    EXPECT_EQ(*b.DataPtr(), 'h');
    b.Clear();
    EXPECT_EQ(b.Size(), 0);
    EXPECT_EQ(b.Capacity(), 8);
}

TEST(CallQueue, RunsPostedCallsOnThePumpingThreadInOrder) {
    CallQueue queue;
    std::vector<int> order;
    const auto main = std::this_thread::get_id();
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            queue.Post([&, i] {
                EXPECT_EQ(std::this_thread::get_id(), main);
                order.push_back(i);
            });
    });
    worker.join(); // posting never waits for the main thread
    EXPECT_EQ(queue.Pending(), 3u);
    EXPECT_TRUE(queue.RunUntil([&] { return order.size() == 3; }, 10000));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST(CallQueue, ShutdownDestroysQueuedCallsWithoutRunningThem) {
    CallQueue queue;
    bool ran = false;
    // What a call holds is released when it is dropped: that is what releases a worker
    // waiting for it.
    auto held = std::make_shared<int>(0);
    std::weak_ptr<int> watch = held;
    std::thread worker([&, held = std::move(held)]() mutable {
        queue.Post([&, held] { ran = true; });
        held.reset();
    });
    worker.join();
    ASSERT_EQ(queue.Pending(), 1u);
    EXPECT_FALSE(watch.expired());
    queue.Shutdown();
    EXPECT_TRUE(watch.expired());
    queue.Post([&] { ran = true; }); // after shutdown: dropped at once
    EXPECT_EQ(queue.RunPending(0), 0);
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace comm
