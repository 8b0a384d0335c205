// Reading and writing through the serial component on real pseudo-terminals: received
// characters on the main thread, binary transparency, the write queue and its limits.
#include "comm/va_dispatch.h"
#include "tests/comm/comm_pty_fixture.h"

#include <gtest/gtest.h>
#include <thread>
#include <utility>

namespace comm {
namespace {

using test::NowMs;

const std::string kSlipBytes("\xC0\xDB\x11\x13\xFF\x00\xDC\xDD\x0D\x0A\x04\x03", 12);

class CommTransferTest : public CommOnPtyTest {
protected:
    // Collects what OnRxChar reads, checking the thread of every call.
    void CollectReceived() {
        m_comm.OnRxChar = [this](TVaCustomComm* sender, int count) {
            EXPECT_EQ(sender, &m_comm);
            EXPECT_EQ(std::this_thread::get_id(), m_mainId);
            EXPECT_GT(count, 0);
            ++m_rxEvents;
            char ch;
            for (int i = 0; i < count && m_comm.ReadChar(ch); ++i)
                m_received += ch;
        };
    }

    // Runs the component's events until `done`; the limit only ends a test that would hang.
    bool Pump(const std::function<bool()>& done, int timeoutMs = 10000) {
        return m_queue->RunUntil(done, timeoutMs);
    }

    // Reads the device side while the main thread keeps handling the component's events
    // (the write thread hands over its transmit-empty report and waits for it).
    std::string ReadDevice(size_t count, int timeoutMs = 10000) {
        std::string got;
        Pump(
            [&] {
                got += m_pty.Read(count - got.size(), 1);
                return got.size() >= count;
            },
            timeoutMs);
        return got;
    }

    std::thread::id m_mainId = std::this_thread::get_id();
    std::string m_received;
    int m_rxEvents = 0;
};

TEST_F(CommTransferTest, ReceivedBytesReachOnRxCharOnTheMainThreadUnchanged) {
    CollectReceived();
    m_comm.Open();
    m_pty.Write(kSlipBytes);
    ASSERT_TRUE(Pump([&] { return m_received.size() >= kSlipBytes.size(); }));
    EXPECT_EQ(m_received, kSlipBytes);
    EXPECT_GE(m_rxEvents, 1);
}

TEST_F(CommTransferTest, WrittenBytesReachTheDeviceUnchanged) {
    m_comm.Open();
    EXPECT_EQ(m_comm.WriteBuf(kSlipBytes.data(), static_cast<int>(kSlipBytes.size())),
              static_cast<int>(kSlipBytes.size()));
    EXPECT_EQ(ReadDevice(kSlipBytes.size()), kSlipBytes);
    EXPECT_TRUE(m_comm.WriteText(""));
    EXPECT_TRUE(m_comm.WriteChar('\xC0'));
    EXPECT_EQ(ReadDevice(1), "\xC0");
    EXPECT_EQ(ReadDevice(1, 50), ""); // the empty text sent nothing
}

TEST_F(CommTransferTest, UnreadBytesAreCountedAgainAtTheNextEvent) {
    std::vector<int> counts;
    m_comm.OnRxChar = [&](TVaCustomComm*, int count) { counts.push_back(count); };
    m_comm.Open();
    m_pty.Write("abc");
    ASSERT_TRUE(Pump([&] { return !counts.empty() && counts.back() == 3; }));
    // Bytes left unread do not wake the thread again by themselves: at most one event per
    // arrival (the three bytes may come in three pieces), however long the main thread
    // goes on handling events. A thread woken by what is waiting would report it again
    // and again.
    m_queue->RunUntil([] { return false; }, 300);
    EXPECT_LE(counts.size(), 3u);
    m_pty.Write("d");
    EXPECT_TRUE(Pump([&] { return counts.back() == 4; })); // "abc" left over plus "d"
    EXPECT_EQ(m_comm.ReadText(), "abcd");
}

TEST_F(CommTransferTest, TenThousandBytesArriveWholeAndInOrder) {
    m_comm.Open();
    std::string data(10000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    std::string got;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        got = m_pty.Read(data.size(), 10000);
        done = true;
    });
    // The 2048-byte queue takes the block in pieces as the device drains it; the main
    // thread keeps handling events meanwhile, as a GUI loop would.
    for (size_t done = 0; done < data.size(); done += 1000) {
        EXPECT_TRUE(Pump([&] { return m_comm.WriteBufFree() >= 1000; }));
        EXPECT_EQ(m_comm.WriteBuf(data.data() + done, 1000), 1000);
    }
    Pump([&] { return done.load(); }, 10000);
    reader.join();
    ASSERT_EQ(got.size(), data.size());
    EXPECT_TRUE(got == data) << "first difference at "
                             << std::mismatch(got.begin(), got.end(), data.begin()).first -
                                    got.begin();
}

TEST_F(CommTransferTest, OnTxEmptyFiresOncePerDrainedQueue) {
    int txEmpty = 0;
    m_comm.OnTxEmpty = [&](TVaCustomComm*) {
        EXPECT_EQ(std::this_thread::get_id(), m_mainId);
        ++txEmpty;
    };
    m_comm.Open();
    EXPECT_EQ(m_comm.WaitMask(), EV_RXCHAR | EV_ERR);
    m_comm.WriteText("first");
    ASSERT_TRUE(Pump([&] { return txEmpty == 1; }));
    EXPECT_EQ(ReadDevice(5), "first");
    m_comm.WriteText("second");
    m_comm.WriteText("third");
    ASSERT_TRUE(Pump([&] { return txEmpty >= 2; }));
    EXPECT_EQ(ReadDevice(11), "secondthird");
    m_queue->RunPending(50);
    // Two writes in quick succession may share a transfer, never more reports than writes.
    EXPECT_LE(txEmpty, 3);
    EXPECT_EQ(m_comm.WriteBufUsed(), 0);
}

TEST_F(CommTransferTest, ABlockLargerThanTheQueueFailsAfterTheWriteTimeout) {
    m_comm.Open();
    std::string big(2049, 'x');
    const int64_t start = NowMs();
    try {
        m_comm.WriteBuf(big.data(), static_cast<int>(big.size()));
        FAIL() << "no error";
    } catch (const EVaCommError& e) {
        EXPECT_STREQ(e.what(), "Output buffer is full. Please check comm status.");
    }
    EXPECT_GE(NowMs() - start, 1000); // the default write time limit, waited in full
    EXPECT_EQ(m_comm.WriteBufUsed(), 0);
    // Exactly the capacity is taken at once: with no time at all to wait for room.
    m_comm.Buffers().WriteTimeout = 0;
    std::string exact(2048, 'y');
    EXPECT_EQ(m_comm.WriteBuf(exact.data(), 2048), 2048);
    EXPECT_EQ(ReadDevice(2048), exact);
}

TEST_F(CommTransferTest, ClosedPortTransfersNothingWithoutError) {
    char buf[4];
    EXPECT_EQ(m_comm.WriteBuf("ab", 2), 0);
    EXPECT_EQ(m_comm.ReadBuf(buf, 4), 0);
    EXPECT_EQ(m_comm.ReadBufUsed(), 0);
    EXPECT_EQ(m_comm.WriteBufUsed(), 0);
    EXPECT_EQ(m_comm.WriteBufFree(), 0);
    EXPECT_EQ(m_comm.ReadText(), "");
    EXPECT_FALSE(m_comm.WriteChar('a'));
    EXPECT_FALSE(m_comm.GetModemStatus(1));
    EXPECT_NO_THROW(m_comm.SetBreak(true));
    EXPECT_NO_THROW(m_comm.PurgeReadWrite());
    EXPECT_EQ(m_comm.GetCommStatus().Errors, 0u);
}

TEST_F(CommTransferTest, ReadTextOnAnEmptyQueueIsEmpty) {
    m_comm.Open();
    EXPECT_EQ(m_comm.ReadText(), "");
    char ch = 'q';
    EXPECT_FALSE(m_comm.ReadChar(ch));
}

TEST_F(CommTransferTest, DirectWritesGoOutAtOnce) {
    m_comm.SetDirectWrite(true);
    int txEmpty = 0;
    m_comm.OnTxEmpty = [&](TVaCustomComm*) { ++txEmpty; };
    m_comm.Open();
    EXPECT_EQ(m_comm.WaitMask(), EV_RXCHAR | EV_ERR | EV_TXEMPTY);
    EXPECT_EQ(m_comm.WriteBuf(kSlipBytes.data(), static_cast<int>(kSlipBytes.size())),
              static_cast<int>(kSlipBytes.size()));
    EXPECT_EQ(ReadDevice(kSlipBytes.size()), kSlipBytes);
    EXPECT_TRUE(Pump([&] { return txEmpty == 1; }));
}

class Listener : public TVaCommComponent {
public:
    void DataChanged(PVaData data, int count) override {
        received.append(reinterpret_cast<const char*>(data), static_cast<size_t>(count));
    }
    void LineChanged(uint32_t mask) override { lines |= mask; }
    std::string received;
    uint32_t lines = 0;
};

TEST_F(CommTransferTest, WithClientsBytesGoToOnRxBufAndNeverToOnRxChar) {
    Listener listener;
    listener.SetComm(&m_comm);
    std::string rxBuf;
    int rxChar = 0;
    m_comm.OnRxChar = [&](TVaCustomComm*, int) { ++rxChar; };
    m_comm.OnRxBuf = [&](TVaCustomComm*, PVaData data, int count) {
        rxBuf.append(reinterpret_cast<const char*>(data), static_cast<size_t>(count));
    };
    m_comm.Open();
    m_pty.Write(kSlipBytes);
    ASSERT_TRUE(Pump([&] { return rxBuf.size() >= kSlipBytes.size(); }));
    EXPECT_EQ(rxBuf, kSlipBytes);
    EXPECT_EQ(listener.received, kSlipBytes);
    EXPECT_EQ(rxChar, 0);

    // Controls disabled: clients get nothing, OnRxBuf still does.
    m_comm.DisableControls();
    m_pty.Write("z");
    ASSERT_TRUE(Pump([&] { return rxBuf.size() > kSlipBytes.size(); }));
    EXPECT_EQ(listener.received, kSlipBytes);
    m_comm.EnableControls();

    // An inactive dispatcher receives nothing.
    listener.SetActive(false);
    m_pty.Write("y");
    ASSERT_TRUE(Pump([&] { return rxBuf.back() == 'y'; }));
    EXPECT_EQ(listener.received, kSlipBytes);
}

// A client's handler may take another client off the list or destroy it: the one taken off
// is not called for the same event any more (it may be gone).
TEST_F(CommTransferTest, AClientTakenOffByAnotherClientsHandlerGetsNothingMore) {
    class Remover : public Listener {
    public:
        void DataChanged(PVaData data, int count) override {
            Listener::DataChanged(data, count);
            if (other)
                std::exchange(other, nullptr)->SetComm(nullptr);
        }
        Listener* other = nullptr;
    };
    Remover first;
    Listener second;
    first.SetComm(&m_comm);
    second.SetComm(&m_comm);
    first.other = &second;
    std::string rxBuf;
    m_comm.OnRxBuf = [&](TVaCustomComm*, PVaData data, int count) {
        rxBuf.append(reinterpret_cast<const char*>(data), static_cast<size_t>(count));
    };
    m_comm.Open();
    m_pty.Write("a");
    ASSERT_TRUE(Pump([&] { return !rxBuf.empty(); }));
    EXPECT_EQ(first.received, "a");
    EXPECT_EQ(second.received, "");
    EXPECT_EQ(second.Comm(), nullptr);

    m_pty.Write("b");
    ASSERT_TRUE(Pump([&] { return rxBuf.size() >= 2; }));
    EXPECT_EQ(first.received, "ab");
    EXPECT_EQ(second.received, "");
}

} // namespace
} // namespace comm
