// Line settings, status queries, modem lines and purges of the serial component on real
// pseudo-terminals. The slave's settings are read back through the master (never set).
#include "comm/port/termios2.h"
#include "tests/comm/comm_pty_fixture.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <thread>

namespace comm {
namespace {

class CommDeviceTest : public CommOnPtyTest {
protected:
    // The slave's settings as the line sees them (ioctls on the master act on the slave).
    DCB LineSettings() {
        port::TermBits bits;
        EXPECT_EQ(port::GetTermBits(m_pty.Master(), bits), 0);
        DCB dcb;
        port::TermBitsToDcb(bits, dcb);
        return dcb;
    }
    termios SlaveTermios() {
        termios t{};
        tcgetattr(m_pty.Master(), &t);
        return t;
    }

    template <typename F>
    std::string ErrorOf(F&& f) {
        try {
            f();
        } catch (const EVaCommError& e) {
            return e.what();
        }
        return "(no error)";
    }
};

TEST_F(CommDeviceTest, OpenAppliesRawBinarySettings) {
    m_comm.SetBaudrate(br9600);
    m_comm.Open();
    EXPECT_EQ(LineSettings().BaudRate, 9600u);
    const termios t = SlaveTermios();
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

TEST_F(CommDeviceTest, ChangingTheRateWhileOpenRewritesTheLineAtOnce) {
    m_comm.Open();
    EXPECT_EQ(LineSettings().BaudRate, 38400u);
    m_comm.SetBaudrate(br115200);
    EXPECT_EQ(LineSettings().BaudRate, 115200u);
    m_comm.SetUserBaudrate(250000); // not a standard rate: set as a free rate
    EXPECT_EQ(LineSettings().BaudRate, 250000u);
}

TEST_F(CommDeviceTest, WithoutUpdateDCBNothingIsWritten) {
    m_comm.SetUpdateDCB(false);
    m_comm.SetBaudrate(br9600);
    const uint32_t before = LineSettings().BaudRate;
    m_comm.Open();
    m_comm.SetBaudrate(br4800);
    EXPECT_EQ(LineSettings().BaudRate, before);
    EXPECT_NE(SlaveTermios().c_lflag & ICANON, 0u); // still as found
}

TEST_F(CommDeviceTest, ASettingTheDeviceDoesNotTakeFailsTheOpen) {
    // Pseudo-terminals keep 8 data bits whatever is asked.
    m_comm.SetDatabits(db7);
    EXPECT_EQ(ErrorOf([&] { m_comm.Open(); }), "Error writing dcb (22), Invalid argument");
    EXPECT_FALSE(m_comm.Active());
    m_comm.SetDatabits(db4); // no meaning on Linux at all
    EXPECT_EQ(ErrorOf([&] { m_comm.Open(); }), "Error writing dcb (22), Invalid argument");
    m_comm.SetDatabits(db8);
    m_comm.Open();
    EXPECT_EQ(ErrorOf([&] { m_comm.SetParity(paEven); }),
              "Error writing dcb (22), Invalid argument");
    EXPECT_TRUE(m_comm.Active());
}

TEST_F(CommDeviceTest, SettingsAreRestoredOnClose) {
    const termios before = SlaveTermios();
    m_comm.Open();
    m_comm.Close();
    const termios after = SlaveTermios();
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
}

TEST_F(CommDeviceTest, DevicesWithoutModemLinesOpenButRefuseLineCalls) {
    m_comm.FlowControl().SetControlDtr(dtrEnabled);
    m_comm.FlowControl().SetControlRts(rtsEnabled);
    m_comm.Open(); // the modem-line ioctls answer ENOTTY: not a failure of Open
    EXPECT_EQ(ErrorOf([&] { m_comm.SetDTR(true); }),
              "Error calling comm function (25), Inappropriate ioctl for device");
    EXPECT_EQ(ErrorOf([&] { m_comm.GetModemStatus(1); }),
              "Error reading modem state (25), Inappropriate ioctl for device");
    EXPECT_NO_THROW(m_comm.ResetDev());
    EXPECT_NO_THROW(m_comm.SetXon(false)); // output suspended as if XOFF came
    EXPECT_NO_THROW(m_comm.SetXon(true));
}

TEST_F(CommDeviceTest, StatusCountsWaitingBytesAndPurgeReadDiscardsThem) {
    m_comm.Open();
    m_pty.Write("hello");
    ASSERT_TRUE(PollUntil([&] { return m_comm.ReadBufUsed() >= 5; }));
    EXPECT_EQ(m_comm.ReadBufUsed(), 5);
    EXPECT_EQ(m_comm.ReadBufFree(), 4096 - 5);
    EXPECT_EQ(m_comm.GetCommStatus().Errors, 0u);
    EXPECT_FALSE(m_comm.ClearLineErrors());
    EXPECT_FALSE(m_comm.GetComStat(1));
    EXPECT_FALSE(m_comm.GetComStat(9));
    m_comm.PurgeRead();
    EXPECT_EQ(m_comm.ReadBufUsed(), 0);
    char buf[8];
    EXPECT_EQ(m_comm.ReadBuf(buf, 8), 0);
}

TEST_F(CommDeviceTest, PropertiesDescribeTheOpenDevice) {
    m_comm.Open();
    m_comm.GetProperties();
    EXPECT_EQ(m_comm.Properties().wPacketLength, 64);
    EXPECT_EQ(m_comm.Properties().dwCurrentRxQueue, 4096u);
    EXPECT_EQ(m_comm.Properties().dwCurrentTxQueue, 2048u);
}

TEST_F(CommDeviceTest, ResetPortParametersReadsTheDevicesDefaults) {
    // Closed: read from the device as it is (a fresh pty runs at 38400, 8N1, no flow).
    m_comm.SetBaudrate(br110);
    m_comm.SetParity(paOdd);
    m_comm.ResetPortParameters();
    EXPECT_EQ(m_comm.Baudrate(), br38400);
    EXPECT_EQ(m_comm.Parity(), paNone);
    EXPECT_EQ(m_comm.Databits(), db8);
    EXPECT_EQ(m_comm.EventChars().XonChar(), 17);
    // Open: the settings found at open, although the line now runs at another rate.
    m_comm.SetBaudrate(br9600);
    m_comm.Open();
    m_comm.ResetPortParameters();
    EXPECT_EQ(m_comm.Baudrate(), br38400);
    EXPECT_EQ(LineSettings().BaudRate, 38400u); // and applied, as any change while open

    TVaComm missing;
    missing.SetDeviceName("/dev/no-such-tty");
    EXPECT_EQ(ErrorOf([&] { missing.ResetPortParameters(); }),
              "Error reading default port parameters.");
}

} // namespace
} // namespace comm
