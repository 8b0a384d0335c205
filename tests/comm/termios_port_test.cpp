// The termios port layer's write on a real pseudo-terminal: how a write ends when the device
// is full, when a cancel event is set, when the time runs out and when the device vanishes.
#include "comm/port/port.h"
#include "tests/common/pty.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace comm::port {
namespace {

class TermiosWriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pty.Ok());
        int error = 0;
        m_port = OpenPort(m_pty.Slave(), error);
        ASSERT_TRUE(m_port) << error;
    }
    void TearDown() override {
        if (m_port)
            m_port->Close();
    }

    // Holds the device's output as if XOFF had come: it takes nothing until resumed.
    void Stop() { ASSERT_TRUE(m_port->Escape(SETXOFF)); }

    // Writes until the device takes nothing more for now (nobody reads the master; the
    // kernel may still make room by moving bytes between its buffers). Returns the count.
    size_t Fill() {
        const std::string block(4096, 'f');
        size_t taken = 0;
        for (;;) {
            const WriteResult r = m_port->Write(block.data(), block.size(), {}, 0, false);
            taken += r.written;
            if (r.status != WriteResult::Done)
                return taken;
        }
    }

    test::Pty m_pty;
    std::shared_ptr<IPort> m_port;
};

TEST_F(TermiosWriteTest, AWholeWriteGoesOutUnchanged) {
    const std::string bytes("\xC0\x22\x00\xEE\xDB\xDC", 6);
    const WriteResult r = m_port->Write(bytes.data(), bytes.size(), {}, 1000, true);
    EXPECT_EQ(r.status, WriteResult::Done);
    EXPECT_EQ(r.written, bytes.size());
    EXPECT_EQ(m_pty.Read(bytes.size()), bytes);
}

TEST_F(TermiosWriteTest, MoreCancelEventsThanTheWaitHoldsAreRefusedBeforeWriting) {
    TVaWaitEvent e[kMaxWriteCancel + 1];
    const WriteResult r = m_port->Write("abc", 3, {&e[0], &e[1], &e[2], &e[3], &e[4]}, 0, true);
    static_assert(kMaxWriteCancel == 4, "the list above holds one event more than allowed");
    EXPECT_EQ(r.status, WriteResult::Failed);
    EXPECT_EQ(r.error, EINVAL);
    EXPECT_EQ(r.written, 0u);
    EXPECT_EQ(m_pty.ReadSome(16, 0), "");
    // The most the wait holds is fine.
    const WriteResult ok = m_port->Write("abc", 3, {&e[0], &e[1], &e[2], &e[3]}, 0, true);
    EXPECT_EQ(ok.status, WriteResult::Done);
    EXPECT_EQ(m_pty.Read(3), "abc");
}

TEST_F(TermiosWriteTest, AStoppedDeviceEndsAPartialWriteAtOnceAndAWholeOneAtItsTimeLimit) {
    Stop();
    const std::string more(100, 'm');
    const WriteResult partial = m_port->Write(more.data(), more.size(), {}, 0, false);
    EXPECT_EQ(partial.status, WriteResult::Timeout);
    EXPECT_EQ(partial.written, 0u);
    // The output stays stopped, so no room comes: the time limit ends the write.
    const WriteResult whole = m_port->Write(more.data(), more.size(), {}, 50, true);
    EXPECT_EQ(whole.status, WriteResult::Timeout);
    EXPECT_EQ(whole.written, 0u);
}

// Output held by SETXOFF is the port's own state, not the device's: closing lets it go, so
// the next program (or the next open) to use the device can send.
TEST_F(TermiosWriteTest, ClosingResumesOutputHeldBySetXoff) {
    Stop();
    m_port->Close();
    m_port.reset();
    int error = 0;
    m_port = OpenPort(m_pty.Slave(), error);
    ASSERT_TRUE(m_port) << error;
    const WriteResult r = m_port->Write("abc", 3, {}, 10000, true);
    EXPECT_EQ(r.status, WriteResult::Done);
    EXPECT_EQ(m_pty.Read(3), "abc");
}

TEST_F(TermiosWriteTest, ACancelEventEndsTheWaitForRoomAndNamesItsIndex) {
    Stop();
    TVaWaitEvent stop, purge;
    std::thread setter([&] { purge.SetEvent(); });
    const WriteResult r = m_port->Write("x", 1, {&stop, &purge}, INFINITE, true);
    setter.join();
    EXPECT_EQ(r.status, WriteResult::Cancelled);
    EXPECT_EQ(r.cancelIndex, 1);
    stop.SetEvent(); // both set: the earlier in the list is named
    EXPECT_EQ(m_port->Write("x", 1, {&stop, &purge}, INFINITE, true).cancelIndex, 0);
    EXPECT_EQ(m_pty.ReadSome(16, 0), ""); // nothing went out
}

TEST_F(TermiosWriteTest, ResumedOutputLetsAWaitingWriteFinish) {
    Stop();
    std::thread resume([&] { m_port->Escape(SETXON); });
    const WriteResult r = m_port->Write("go", 2, {}, INFINITE, true);
    resume.join();
    EXPECT_EQ(r.status, WriteResult::Done);
    EXPECT_EQ(m_pty.Read(2), "go");
}

TEST_F(TermiosWriteTest, ReadingTheOtherEndLetsAWaitingWriteFinish) {
    const size_t taken = Fill();
    std::string drained;
    std::thread reader([&] { drained = m_pty.Read(taken + 3, 10000); });
    const WriteResult r = m_port->Write("end", 3, {}, INFINITE, true);
    reader.join();
    EXPECT_EQ(r.status, WriteResult::Done);
    EXPECT_EQ(r.written, 3u);
    ASSERT_EQ(drained.size(), taken + 3);
    EXPECT_EQ(drained.substr(taken), "end");
}

TEST_F(TermiosWriteTest, AVanishedDeviceEndsTheWriteAsLost) {
    TVaWaitEvent stop;
    m_pty.CloseMaster();
    const WriteResult r = m_port->Write("x", 1, {&stop}, INFINITE, true);
    EXPECT_EQ(r.status, WriteResult::Lost);
    EXPECT_TRUE(m_port->Lost());
    EXPECT_TRUE(m_port->TakeLostReport());
    EXPECT_FALSE(m_port->TakeLostReport()); // reported once
    EXPECT_EQ(m_port->Write("y", 1, {}, 0, true).status, WriteResult::Lost);
}

} // namespace
} // namespace comm::port
