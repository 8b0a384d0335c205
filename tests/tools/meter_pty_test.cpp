// The simulator's end of the line on real pseudo-terminals: raw mode, hang-ups, leftovers.
#include "tools/vels5-meter/meter_line.h"

#include <array>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace {

using meter::MeterLine;

MeterLine Pty() {
    std::string error;
    std::optional<MeterLine> line = MeterLine::OpenPty(error);
    if (!line)
        ADD_FAILURE() << error;
    return std::move(*line);
}

// Opens the slave the way the monitor does: non-blocking, flock, exclusive.
int OpenAsMonitor(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fd, 0) << path;
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ioctl(fd, TIOCEXCL), 0);
    return fd;
}

std::vector<std::uint8_t> ReadAvailable(int fd, int timeoutMs = 500) {
    std::vector<std::uint8_t> out;
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, out.empty() ? timeoutMs : 50) > 0 && (p.revents & POLLIN)) {
        std::array<std::uint8_t, 512> buf{};
        const ssize_t n = read(fd, buf.data(), buf.size());
        if (n <= 0)
            break;
        out.insert(out.end(), buf.begin(), buf.begin() + n);
    }
    return out;
}

// A descriptor of the slave opened before anyone sets exclusive mode: only root may open a
// terminal in exclusive mode, so the flag is read back through this one.
int Observer(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fd, 0) << path;
    return fd;
}

// Waits until bytes can be read from `fd`.
void WaitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 10000), 1);
}

int Exclusive(int observer) {
    int exclusive = -1;
    ioctl(observer, TIOCGEXCL, &exclusive);
    return exclusive;
}

TEST(MeterPty, BytesPassUnchangedBothWaysWithoutEcho) {
    MeterLine line = Pty();
    ASSERT_TRUE(line.IsPty());
    const int monitor = OpenAsMonitor(line.Path());
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    ASSERT_EQ(line.Write(all), 256);
    EXPECT_EQ(ReadAvailable(monitor), all);
    ASSERT_EQ(write(monitor, all.data(), all.size()), 256);
    EXPECT_EQ(ReadAvailable(line.Fd()), all);
    EXPECT_TRUE(ReadAvailable(monitor, 100).empty()); // no echo
    close(monitor);
}

TEST(MeterPty, MonitorClosingCausesNoHangUpAndItsExclusiveModeIsCleared) {
    MeterLine line = Pty();
    const int observer = Observer(line.Path());
    const int monitor = OpenAsMonitor(line.Path());
    EXPECT_FALSE(line.ReleaseIfAbandoned()); // held: left alone
    EXPECT_EQ(Exclusive(observer), 1);
    close(observer); // only the simulator's own descriptors are left when the monitor closes
    close(monitor);
    // A hang-up would be signalled by the close itself.
    pollfd p{line.Fd(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0) << "revents " << p.revents;
    std::array<std::uint8_t, 8> buf{};
    EXPECT_EQ(read(line.Fd(), buf.data(), buf.size()), -1);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_TRUE(line.ReleaseIfAbandoned());
    EXPECT_FALSE(line.ReleaseIfAbandoned()); // nothing left to do
    // Exclusive mode is cleared: any user opens the port again (root would anyway, so the
    // flag is read back too).
    const int again = Observer(line.Path());
    EXPECT_EQ(Exclusive(again), 0);
    close(again);
}

TEST(MeterPty, UnreadFramesAreDiscardedOnlyWhileNobodyHoldsThePort) {
    MeterLine line = Pty();
    const int observer = Observer(line.Path()); // reads nothing; holds no lock
    const std::vector<std::uint8_t> stale{0xC0, 0x22, 0x00, 0xEE};
    ASSERT_EQ(line.Write(stale), 4);
    WaitReadable(observer); // the pty hands bytes to the slave asynchronously
    EXPECT_TRUE(line.ReleaseIfAbandoned());
    const int monitor = OpenAsMonitor(line.Path());
    EXPECT_TRUE(ReadAvailable(monitor, 0).empty()); // discarded before the opening
    // A monitor that is slow to read keeps its bytes.
    ASSERT_EQ(line.Write(stale), 4);
    WaitReadable(monitor);
    EXPECT_FALSE(line.ReleaseIfAbandoned());
    EXPECT_EQ(ReadAvailable(monitor), stale);
    close(monitor);
    close(observer);
}

TEST(MeterPty, DeviceIsOpenedOnceAndMissingDevicesAreReported) {
    MeterLine pty = Pty();
    std::string error;
    std::optional<MeterLine> device = MeterLine::OpenDevice(pty.Path(), error);
    ASSERT_TRUE(device) << error;
    EXPECT_FALSE(device->IsPty());
    EXPECT_FALSE(MeterLine::OpenDevice(pty.Path(), error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    EXPECT_FALSE(MeterLine::OpenDevice("/dev/no-such-serial-device", error));
    EXPECT_NE(error.find("/dev/no-such-serial-device"), std::string::npos) << error;
    EXPECT_FALSE(MeterLine::OpenDevice("/dev/null", error));
    const std::vector<std::uint8_t> bytes{0xC0, 0x0D, 0x0A, 0x11, 0x13};
    ASSERT_EQ(device->Write(bytes), 5);
    EXPECT_EQ(ReadAvailable(pty.Fd()), bytes);
}

} // namespace
