// The serial component on a real COM port of Windows whose far end echoes every byte back
// and hangs up on 0xFF (under Wine: a pseudo-terminal mapped as the port, its other side
// played by tests/comm/echo_line.py). The port is named by VELS5_TEST_ECHO_PORT; without it
// the tests are skipped.
#include "comm/main_thread.h"
#include "comm/port/port.h"
#include "comm/va_comm.h"
#include "comm/va_threads.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

namespace comm {
namespace {

bool UnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

class EchoLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* port = std::getenv("VELS5_TEST_ECHO_PORT");
        if (!port || !*port)
            GTEST_SKIP() << "no echoing COM port (VELS5_TEST_ECHO_PORT) on this machine";
        m_port = port;
        m_comm.SetMainThread(m_queue);
        m_comm.SetBaudrate(br38400);
        m_comm.SetDeviceName(m_port);
        m_comm.OnRxChar = [this](TVaCustomComm*, int) { m_received += m_comm.ReadText(); };
    }
    void TearDown() override {
        m_comm.Close();
        m_queue->Shutdown();
    }
    /// Waits for `text` to come back; a mismatch shows what came, byte by byte.
    ::testing::AssertionResult Received(const std::string& text) {
        m_queue->RunUntil([&] { return m_received.size() >= text.size(); }, 10000);
        if (m_received == text)
            return ::testing::AssertionSuccess();
        std::string shown;
        for (unsigned char c : m_received)
            shown += std::to_string(c) + ' ';
        return ::testing::AssertionFailure() << m_received.size() << " bytes came: " << shown;
    }

    std::string m_port;
    std::string m_received;
    std::shared_ptr<CallQueue> m_queue = std::make_shared<CallQueue>();
    TVaComm m_comm;
};

TEST_F(EchoLineTest, BytesWrittenComeBackThroughTheReceiveEvent) {
    m_comm.Open();
    ASSERT_TRUE(m_comm.Active());
    // Every byte value but the far end's hang-up byte, in one queued write.
    std::string all;
    for (int c = 0; c < 0xFF; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(m_comm.WriteBuf(all.data(), static_cast<int>(all.size())),
              static_cast<int>(all.size()));
    EXPECT_TRUE(Received(all));
    m_received.clear();
    EXPECT_TRUE(m_comm.WriteText("ping"));
    EXPECT_TRUE(Received("ping"));
}

TEST_F(EchoLineTest, UnreadBytesDoNotReportAgainButANewArrivalDoes) {
    std::vector<int> counts;
    m_comm.OnRxChar = [&](TVaCustomComm*, int count) { counts.push_back(count); };
    m_comm.Open();
    ASSERT_TRUE(m_comm.WriteText("abc"));
    ASSERT_TRUE(m_queue->RunUntil([&] { return !counts.empty() && counts.back() == 3; }, 10000));
    // At most one event per arrival (the echo may bring the three bytes in three pieces),
    // however long the main thread goes on: a wait woken by what is queued would report
    // the same bytes again and again.
    m_queue->RunUntil([] { return false; }, 300);
    EXPECT_LE(counts.size(), 3u);
    ASSERT_TRUE(m_comm.WriteText("d"));
    EXPECT_TRUE(m_queue->RunUntil([&] { return counts.back() == 4; }, 10000));
    EXPECT_EQ(m_comm.ReadText(), "abcd");
    char ch;
    EXPECT_FALSE(m_comm.ReadChar(ch)); // nothing is waiting: at once, not when a byte comes
}

TEST_F(EchoLineTest, AClosedPortOpensAgainAtOnce) {
    m_comm.Open();
    m_comm.Close();
    int error = 0;
    auto again = port::OpenPort("\\\\.\\" + m_port, error);
    ASSERT_NE(again, nullptr) << port::ErrorText(error);
    again->Close();
    m_comm.Open();
    EXPECT_TRUE(m_comm.WriteText("again"));
    EXPECT_TRUE(Received("again"));
}

TEST_F(EchoLineTest, AnOpenPortIsNotOpenedTwice) {
    if (UnderWine())
        GTEST_SKIP() << "Wine does not keep a COM port exclusive: a second CreateFile succeeds";
    m_comm.Open();
    int error = 0;
    EXPECT_EQ(port::OpenPort("\\\\.\\" + m_port, error), nullptr);
    EXPECT_TRUE(port::IsAccessDenied(error)) << error;
    TVaComm second;
    second.SetMainThread(m_queue);
    second.SetDeviceName(m_port);
    EXPECT_THROW(second.Open(), EVaCommError);
}

TEST_F(EchoLineTest, AMissingPortIsReportedAsNotFound) {
    TVaComm missing;
    missing.SetDeviceName("COM199");
    try {
        missing.Open();
        FAIL() << "COM199 opened";
    } catch (const EVaCommError& e) {
        EXPECT_STREQ(e.what(), "Specified device not found (COM199).");
    }
}

// Last: the far end hangs up for good, as an unplugged adapter does.
TEST_F(EchoLineTest, ZAHangUpIsReportedOnceAndNothingKeepsWaking) {
    std::vector<int> errors;
    m_comm.OnError = [&](TVaCustomComm*, int flags) { errors.push_back(flags); };
    m_comm.Open();
    EXPECT_TRUE(m_comm.WriteChar(static_cast<char>(0xFF)));
    ASSERT_TRUE(m_queue->RunUntil([&] { return !errors.empty(); }, 10000));
    EXPECT_TRUE(m_comm.DeviceLost());
    EXPECT_TRUE(m_queue->RunUntil([] { return RunningWorkerThreads() == 1; }, 10000));
    m_queue->RunPending(200);
    EXPECT_EQ(errors.size(), 1u);
    char ch;
    EXPECT_FALSE(m_comm.ReadChar(ch));
}

} // namespace
} // namespace comm
