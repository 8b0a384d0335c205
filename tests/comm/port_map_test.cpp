// The port map on fake sysfs and by-id trees: which devices get COM numbers, stable
// numbers for USB adapters, registration and resolution of COM names, and an open port whose
// adapter is pulled and plugged in again.
#include "comm/main_thread.h"
#include "comm/port/port.h"
#include "comm/port_map.h"
#include "comm/va_comm.h"
#include "comm/va_utils.h"
#include "tests/common/pty.h"
#include "tests/common/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <termios.h>
#include <thread>

namespace comm {
namespace {

namespace fs = std::filesystem;

class PortMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* d :
             {"sys/devices/virtual/tty", "sys/class/tty", "dev/serial/by-id", "map"})
            fs::create_directories(m_root / d);
    }

    // A tty in the fake sysfs (`device` link unless virtual, optional 8250 `type` file) and
    // its device node.
    void AddTty(const std::string& name, bool hardware, int type = -1) {
        const fs::path real =
            m_root / (hardware ? "sys/devices/platform" : "sys/devices/virtual/tty") / name;
        fs::create_directories(real);
        if (hardware)
            fs::create_directory_symlink(m_root / "sys/devices/platform", real / "device");
        if (type >= 0)
            std::ofstream(real / "type") << type << "\n";
        fs::create_directory_symlink(real, m_root / "sys/class/tty" / name);
        std::ofstream(m_root / "dev" / name).put('\0');
    }
    // The adapter is unplugged: its sysfs entry, device node and by-id link go.
    void Unplug(const std::string& name, const std::string& id) {
        fs::remove(m_root / "sys/class/tty" / name);
        fs::remove_all(m_root / "sys/devices/platform" / name);
        fs::remove(m_root / "dev" / name);
        fs::remove(m_root / "dev/serial/by-id" / id);
    }
    // A device node that is not in sysfs (a pseudo-terminal, say).
    std::string Node(const std::string& name) {
        std::ofstream(m_root / "dev" / name).put('\0');
        return (m_root / "dev" / name).string();
    }
    void AddById(const std::string& id, const std::string& tty) {
        fs::create_symlink("../../" + tty, m_root / "dev/serial/by-id" / id);
    }
    PortMap Map() {
        return PortMap((m_root / "map").string(), (m_root / "sys/class/tty").string(),
                       (m_root / "dev/serial/by-id").string(), (m_root / "dev").string());
    }
    std::string Target(int n) {
        return fs::read_symlink(m_root / "map" / ("COM" + std::to_string(n))).string();
    }

    test::TempDir m_tmp{"vels5-map-"};
    fs::path m_root{m_tmp.Path()};
};

TEST_F(PortMapTest, RefreshEntersHardwareSerialPortsOnly) {
    AddTty("tty0", false);
    AddTty("ttyS0", true, 4);
    AddTty("ttyS1", true, 0); // listed by the 8250 driver, but no port there
    AddTty("ttyS3", true, 4);
    AddTty("ttyUSB0", true);
    AddById("usb-FTDI_FT232R_A1B2C3-if00-port0", "ttyUSB0");
    PortMap map = Map();
    EXPECT_EQ(map.Refresh(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(Target(1), (m_root / "dev/ttyS0").string());
    EXPECT_EQ(Target(4), (m_root / "dev/ttyS3").string()); // ttyS3 prefers COM4
    EXPECT_EQ(Target(2), (m_root / "dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0").string());
    // Nothing new the second time.
    EXPECT_EQ(map.Refresh(), (std::vector<int>{1, 2, 4}));
}

TEST_F(PortMapTest, AUsbAdapterKeepsItsNumberAcrossReplugs) {
    AddTty("ttyUSB0", true);
    AddById("usb-Prolific_1234-if00-port0", "ttyUSB0");
    PortMap map = Map();
    map.RegisterAs(Node("pts9"), 1); // taken by hand before
    EXPECT_EQ(map.Refresh(), (std::vector<int>{1, 2}));
    // Replugged: the kernel now calls it ttyUSB1; the by-id path is the same.
    Unplug("ttyUSB0", "usb-Prolific_1234-if00-port0");
    AddTty("ttyUSB1", true);
    AddById("usb-Prolific_1234-if00-port0", "ttyUSB1");
    EXPECT_EQ(map.Refresh(), (std::vector<int>{1, 2}));
}

TEST_F(PortMapTest, AnUnpluggedAdapterKeepsItsNumberButIsNotOffered) {
    AddTty("ttyUSB0", true);
    AddById("usb-FTDI_A-if00-port0", "ttyUSB0");
    PortMap map = Map();
    ASSERT_EQ(map.Refresh(), (std::vector<int>{1}));
    Unplug("ttyUSB0", "usb-FTDI_A-if00-port0");
    EXPECT_EQ(map.Refresh(), (std::vector<int>{}));
    EXPECT_EQ(map.Numbers(), (std::vector<int>{1})); // reserved
    // Another adapter meanwhile gets the next number; the first gets its own back.
    AddTty("ttyUSB1", true);
    AddById("usb-FTDI_B-if00-port0", "ttyUSB1");
    EXPECT_EQ(map.Refresh(), (std::vector<int>{2}));
    AddTty("ttyUSB0", true);
    AddById("usb-FTDI_A-if00-port0", "ttyUSB0");
    EXPECT_EQ(map.Refresh(), (std::vector<int>{1, 2}));
    // An entry made by hand for a device that is not there is not offered either.
    map.RegisterAs((m_root / "dev/pts-gone").string(), 7);
    EXPECT_EQ(map.Refresh(), (std::vector<int>{1, 2}));
    Node("pts-gone");
    EXPECT_EQ(map.Refresh(), (std::vector<int>{1, 2, 7}));
}

TEST_F(PortMapTest, ResolveMapsComNamesAndPassesPathsThrough) {
    PortMap map = Map();
    ASSERT_TRUE(map.RegisterAs("/dev/pts/5", 3));
    EXPECT_EQ(map.Resolve("COM3"), "/dev/pts/5");
    EXPECT_EQ(map.Resolve("\\\\.\\COM3"), "/dev/pts/5");
    EXPECT_EQ(map.Resolve("COM4"), std::nullopt);
    EXPECT_EQ(map.Resolve("/dev/ttyACM0"), "/dev/ttyACM0");
    EXPECT_EQ(map.Resolve("COMPORT"), "COMPORT");
}

TEST_F(PortMapTest, RegistrationTakesTheLowestFreeNumberOnceEach) {
    PortMap map = Map();
    EXPECT_EQ(map.Register("/dev/pts/1"), 1);
    EXPECT_EQ(map.Register("/dev/pts/2", 5), 5);
    EXPECT_FALSE(map.RegisterAs("/dev/pts/3", 5));
    // Two registrations at the same time never share a number.
    int a = 0, b = 0;
    std::thread t([&] { a = Map().Register("/dev/pts/7", 2); });
    b = Map().Register("/dev/pts/8", 2);
    t.join();
    EXPECT_NE(a, b);
    EXPECT_EQ(std::min(a, b), 2);
    map.Unregister(5, "/dev/pts/other"); // not ours: kept
    EXPECT_EQ(map.Numbers(), (std::vector<int>{1, 2, 3, 5}));
    map.Unregister(5, "/dev/pts/2");
    map.Unregister(1);
    EXPECT_EQ(map.Numbers(), (std::vector<int>{2, 3}));
}

TEST_F(PortMapTest, PortStateTellsOpenableMissingAndBusy) {
    PortMap map = Map();
    map.RegisterAs("/dev/no-such-tty", 1);
    EXPECT_EQ(GetPortStateIn(map.Dir(), 1), 2);
    EXPECT_EQ(GetPortStateIn(map.Dir(), 2), 2); // no entry at all
    test::Pty pty;
    map.RegisterAs(pty.Slave(), 3);
    EXPECT_EQ(GetPortStateIn(map.Dir(), 3), 1);
    int error = 0;
    auto held = port::OpenPort(pty.Slave(), error);
    ASSERT_TRUE(held);
    EXPECT_EQ(GetPortStateIn(map.Dir(), 3), 0); // in use
    held->Close();
    EXPECT_EQ(GetPortStateIn(map.Dir(), 3), 1);
}

// A USB adapter whose device node is a pseudo-terminal, so the serial component can really
// open it by its COM name, lose it and get it back.
class ReplugTest : public PortMapTest {
protected:
    static constexpr const char* kId = "usb-FTDI_FT232R_R3PLUG-if00-port0";

    void SetUp() override {
        PortMapTest::SetUp();
        m_comm.SetMainThread(m_queue);
        m_comm.SetPortMapDir((m_root / "map").string());
        m_comm.SetBaudrate(br38400);
        m_comm.SetDeviceName("COM1");
        m_comm.OnRxChar = [this](TVaCustomComm*, int count) {
            std::string part(static_cast<std::size_t>(count), '\0');
            part.resize(static_cast<std::size_t>(m_comm.ReadBuf(part.data(), count)));
            m_received += part;
        };
        m_comm.OnError = [this](TVaCustomComm*, int flags) {
            m_lost += (flags & CE_DEVICELOST) != 0;
        };
    }
    void TearDown() override {
        m_comm.Close();
        m_queue->Shutdown();
    }
    // The adapter appears as `tty` (sysfs entry, by-id link) with `pty`'s terminal as node.
    void PlugIn(const std::string& tty, const test::Pty& pty) {
        AddTty(tty, true);
        fs::remove(m_root / "dev" / tty);
        fs::create_symlink(pty.Slave(), m_root / "dev" / tty);
        AddById(kId, tty);
    }
    bool Receive(test::Pty& pty, const std::string& text) {
        m_received.clear();
        pty.Write(text);
        return m_queue->RunUntil([&] { return m_received == text; }, 10000);
    }
    std::string OpenError() {
        try {
            m_comm.Open();
        } catch (const EVaCommError& e) {
            return e.what();
        }
        return "(opened)";
    }

    // COM1 is open on the adapter when it is pulled out; it comes back as `returnTty`.
    void PullAndPlugBackAs(const std::string& returnTty) {
        test::Pty first;
        ASSERT_TRUE(first.Ok());
        PlugIn("ttyUSB0", first);
        PortMap map = Map();
        ASSERT_EQ(map.Refresh(), (std::vector<int>{1}));
        const std::string entry = Target(1);
        m_comm.Open();
        ASSERT_TRUE(Receive(first, "before"));

        first.CloseMaster();
        Unplug("ttyUSB0", kId);
        ASSERT_TRUE(m_queue->RunUntil([&] { return m_lost > 0; }, 10000));
        EXPECT_TRUE(m_comm.DeviceLost());
        m_comm.Close();
        // Gone: not offered, the number kept, the name not found (not some other failure).
        EXPECT_EQ(map.Refresh(), (std::vector<int>{}));
        EXPECT_EQ(map.Numbers(), (std::vector<int>{1}));
        EXPECT_EQ(OpenError(), "Specified device not found (COM1).");
        EXPECT_EQ(GetPortStateIn(map.Dir(), 1), 2);

        test::Pty second;
        ASSERT_TRUE(second.Ok());
        PlugIn(returnTty, second);
        EXPECT_EQ(map.Refresh(), (std::vector<int>{1})); // no second entry for it
        EXPECT_EQ(Target(1), entry);
        EXPECT_EQ(map.Resolve("COM1"), entry);
        EXPECT_EQ(GetPortStateIn(map.Dir(), 1), 1);
        // The same component, the same name and settings: the device now behind the entry.
        m_comm.Open();
        termios t{};
        ASSERT_EQ(tcgetattr(second.Master(), &t), 0);
        EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B38400));
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
        EXPECT_TRUE(Receive(second, "after"));
        ASSERT_TRUE(m_comm.WriteText("out"));
        EXPECT_EQ(second.Read(3, 10000), "out");
        EXPECT_EQ(m_lost, 1);
        m_comm.Close();
    }

    std::shared_ptr<CallQueue> m_queue = std::make_shared<CallQueue>();
    TVaComm m_comm;
    std::string m_received;
    int m_lost = 0;
};

TEST_F(ReplugTest, AnAdapterBackUnderItsNodeIsReopenedByTheSameComName) {
    PullAndPlugBackAs("ttyUSB0");
}

TEST_F(ReplugTest, AnAdapterBackAsAnotherNodeIsReopenedThroughItsByIdLink) {
    PullAndPlugBackAs("ttyUSB1");
}

} // namespace
} // namespace comm
