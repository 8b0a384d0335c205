// The port map on fake sysfs and by-id trees: which devices get COM numbers, stable
// numbers for USB adapters, registration and resolution of COM names.
#include "comm/port/port.h"
#include "comm/port_map.h"
#include "comm/va_utils.h"
#include "tests/common/pty.h"
#include "tests/common/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
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

} // namespace
} // namespace comm
