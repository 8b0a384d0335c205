// Opening, closing, naming and exclusivity of the serial component on real pseudo-terminals.
#include "comm/port_map.h"
#include "comm/va_comm.h"
#include "comm/va_threads.h"
#include "tests/common/pty.h"
#include "tests/common/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace comm {
namespace {

using test::Pty;

class CommOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_mapDir = m_tmp.Path() / "ports"; // not there until a test makes it
        Prepare(m_comm);
    }
    void TearDown() override {
        m_comm.Close();
        m_queue->Shutdown(); // releases workers still waiting in a hand-off
    }

    void Prepare(TVaComm& comm) {
        comm.SetMainThread(m_queue);
        comm.SetPortMapDir(m_mapDir.string());
        comm.SetBaudrate(br38400);
        comm.SetDeviceName(m_pty.Slave());
    }

    std::string OpenError(TVaComm& comm) {
        try {
            comm.Open();
        } catch (const EVaCommError& e) {
            return e.what();
        }
        return "(opened)";
    }

    std::shared_ptr<CallQueue> m_queue = std::make_shared<CallQueue>();
    Pty m_pty;
    test::TempDir m_tmp{"vels5-open-"};
    std::filesystem::path m_mapDir;
    TVaComm m_comm;
};

TEST_F(CommOpenTest, OpenAndCloseFireTheirHandlersInOrder) {
    std::string log;
    m_comm.OnOpen = [&](TVaCustomComm* s) { log += s == &m_comm && s->Active() ? "open " : "? "; };
    m_comm.OnClose = [&](TVaCustomComm* s) { log += s->Active() ? "? " : "close"; };
    m_comm.Open();
    EXPECT_TRUE(m_comm.Active());
    m_comm.Close();
    EXPECT_FALSE(m_comm.Active());
    m_comm.Close(); // closed: nothing, no second OnClose
    EXPECT_EQ(log, "open close");
}

TEST_F(CommOpenTest, MissingDeviceIsReportedByNameAndLeavesThePortClosed) {
    m_comm.SetDeviceName("/dev/no-such-tty");
    EXPECT_EQ(OpenError(m_comm), "Specified device not found (/dev/no-such-tty).");
    EXPECT_FALSE(m_comm.Active());
    m_comm.SetDeviceName(m_pty.Slave()); // allowed again: the port stayed closed
    m_comm.Open();
    EXPECT_TRUE(m_comm.Active());
}

TEST_F(CommOpenTest, ComNamesResolveThroughThePortMap) {
    PortMap map(m_mapDir.string());
    ASSERT_TRUE(map.RegisterAs(m_pty.Slave(), 12));
    m_comm.SetDeviceName("\\\\.\\COM12");
    m_comm.Open();
    EXPECT_TRUE(m_comm.Active());
    m_comm.Close();

    m_comm.SetDeviceName("COM%d");
    m_comm.SetPortNum(12);
    EXPECT_EQ(m_comm.GetDeviceName(), "COM12");
    m_comm.Open();
    EXPECT_TRUE(m_comm.Active());
    m_comm.Close();

    m_comm.SetDeviceName("COM7"); // no entry
    EXPECT_EQ(OpenError(m_comm), "Specified device not found (COM7).");
}

TEST_F(CommOpenTest, AnOpenDeviceCannotBeOpenedTwice) {
    m_comm.Open();
    TVaComm second;
    Prepare(second);
    EXPECT_EQ(OpenError(second), "Can't open specified device " + m_pty.Slave() +
                                     " (Error 16, Device or resource busy)");
    EXPECT_FALSE(second.Active());
    // Close gives the device up at once, although its threads may still be ending.
    m_comm.Close();
    second.Open();
    EXPECT_TRUE(second.Active());
}

TEST_F(CommOpenTest, OpenWhileOpenIsRefusedAndKeepsThePort) {
    m_comm.Open();
    EXPECT_EQ(OpenError(m_comm), "Can't perform this operation while port is open");
    EXPECT_TRUE(m_comm.Active());
    EXPECT_THROW(m_comm.SetDeviceName("COM1"), EVaCommError);
    EXPECT_EQ(m_comm.DeviceName(), m_pty.Slave());
    EXPECT_THROW(m_comm.SetDirectWrite(true), EVaCommError);
    EXPECT_THROW(m_comm.SetMonitorEvents({}), EVaCommError);
    EXPECT_THROW(m_comm.SetUpdateDCB(false), EVaCommError);
    EXPECT_THROW(m_comm.SetPortNum(4), EVaCommError);
    // A single Buffers setting is stored but refused.
    EXPECT_THROW(m_comm.Buffers().SetReadSize(100), EVaCommError);
    EXPECT_EQ(m_comm.Buffers().ReadSize(), 100);
}

TEST_F(CommOpenTest, ANonTerminalFailsWithTheSystemsReason) {
    const auto file = m_mapDir / "plain";
    std::filesystem::create_directories(m_mapDir);
    { std::ofstream(file) << "x"; }
    m_comm.SetDeviceName(file.string());
    EXPECT_EQ(OpenError(m_comm), "Can't open specified device " + file.string() +
                                     " (Error 25, Inappropriate ioctl for device)");
    EXPECT_FALSE(m_comm.Active());
}

TEST_F(CommOpenTest, OnOpenExceptionIsReportedAndTheOpenStands) {
    std::string reported;
    SetApplicationExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            reported = x.what();
        }
    });
    m_comm.OnOpen = [](TVaCustomComm*) { throw std::runtime_error("handler failed"); };
    EXPECT_NO_THROW(m_comm.Open());
    SetApplicationExceptionHandler(nullptr);
    EXPECT_TRUE(m_comm.Active());
    EXPECT_EQ(reported, "handler failed");
}

TEST_F(CommOpenTest, LoadedOpensOnlyWithAutoOpenOutsideDesignMode) {
    m_comm.Loaded();
    EXPECT_FALSE(m_comm.Active());
    m_comm.SetAutoOpen(true);
    m_comm.SetDesigning(true);
    m_comm.Loaded();
    EXPECT_FALSE(m_comm.Active());
    m_comm.SetDesigning(false);
    m_comm.Loaded();
    EXPECT_TRUE(m_comm.Active());
}

TEST_F(CommOpenTest, OnCloseExceptionReachesTheCallerAfterThePortClosed) {
    m_comm.OnClose = [](TVaCustomComm*) { throw EVaCommError("from OnClose"); };
    m_comm.Open();
    EXPECT_THROW(m_comm.Close(), EVaCommError);
    EXPECT_FALSE(m_comm.Active());
    m_comm.Open(); // and the device was given up
    EXPECT_TRUE(m_comm.Active());
    m_comm.OnClose = nullptr;
}

TEST_F(CommOpenTest, AnEmptyEventMaskRunsNoEventThreadAndReportsNothing) {
    m_comm.SetMonitorEvents({});
    m_comm.SetDirectWrite(true);
    int events = 0;
    m_comm.OnRxChar = [&](TVaCustomComm*, int) { ++events; };
    m_comm.SetMainThread(nullptr); // no thread may need it
    m_comm.Open();
    EXPECT_EQ(m_comm.WaitMask(), 0u);
    m_pty.Write("abc");
    EXPECT_FALSE(
        m_queue->RunUntil([&] { return events > 0 || m_comm.ReadBufUsed() == 3; }, 10000) &&
        events > 0);
    EXPECT_EQ(m_comm.ReadText(), "abc");
    EXPECT_EQ(events, 0);
}

} // namespace
} // namespace comm
