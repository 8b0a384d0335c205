// The vels5-meter program as a process: port map entry, frames on a real pty, restart,
// signals, a second simulator, a killed one, a device given by path.
#include "core/link/link_protocol.h"
#include "core/link/link_receiver.h"
#include "tests/common/pty.h"
#include "tests/common/temp_dir.h"
#include "tests/common/tools_dir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <regex>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kMeter = test::ToolsDir() + "/vels5-meter/vels5-meter";

// A private port map: XDG_CONFIG_HOME points into a fresh temporary folder.
class MapDir {
public:
    std::string Root() const { return m_dir.Path().string(); }
    fs::path Entry(int n) const {
        return fs::path(Root()) / "vels5/ports" / ("COM" + std::to_string(n));
    }

private:
    test::TempDir m_dir;
};

// A running simulator with its stdout and stderr in one pipe.
class Meter {
public:
    Meter(const MapDir& map, std::vector<std::string> args) {
        int fds[2];
        EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], 1);
            dup2(fds[1], 2);
            setenv("XDG_CONFIG_HOME", map.Root().c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(kMeter.c_str())};
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(kMeter.c_str(), argv.data());
            _exit(127);
        }
        close(fds[1]);
        m_out = fds[0];
        fcntl(m_out, F_SETFL, O_NONBLOCK);
    }
    ~Meter() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
    }
    // Waits for a line matching `pattern`; returns it, or "" after the timeout (which only
    // bounds a failing test).
    std::string WaitLine(const std::string& pattern, int timeoutMs = 20000) {
        const std::regex re(pattern);
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            for (std::size_t nl; (nl = m_buffer.find('\n', m_scanned)) != std::string::npos;) {
                std::string line = m_buffer.substr(m_scanned, nl - m_scanned);
                m_scanned = nl + 1;
                if (std::regex_search(line, re))
                    return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0)
                return {};
            pollfd p{m_out, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = read(m_out, buf, sizeof buf);
            if (n <= 0)
                return {};
            m_buffer.append(buf, static_cast<std::size_t>(n));
        }
    }
    const std::string& Output() const { return m_buffer; }
    void Signal(int sig) { kill(m_pid, sig); }
    // Exit status after waiting (-1 when killed by a signal or still running at the timeout).
    // The output pipe ends when the program does: that is what is waited for, collecting
    // what it still prints.
    int Wait(int timeoutMs = 20000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0)
                return -1;
            pollfd p{m_out, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = read(m_out, buf, sizeof buf);
            if (n > 0)
                m_buffer.append(buf, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EAGAIN)
                break;
        }
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
    std::size_t m_scanned = 0;
};

// Reads frames from a port the way the monitor does and keeps what it saw.
class FakeMonitor {
public:
    explicit FakeMonitor(const std::string& path) : m_rx(m_status) {
        m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(m_fd, 0) << path;
        EXPECT_EQ(flock(m_fd, LOCK_EX | LOCK_NB), 0);
        ioctl(m_fd, TIOCEXCL);
    }
    ~FakeMonitor() { close(m_fd); }
    void Take(core::Reception what) {
        if (core::IsValidFrame(what))
            m_firstByte.push_back(m_rx.Frame()[0]);
        if (what != core::Reception::Status)
            return;
        const std::uint8_t mode = m_status.Mode();
        if (m_modes.empty() || m_modes.back() != mode)
            m_modes.push_back(mode);
    }
    // Reads for `ms` or until `until` returns true.
    template <typename Pred>
    bool Follow(int ms, Pred until) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < deadline) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) {
                std::uint8_t buf[512];
                const ssize_t n = read(m_fd, buf, sizeof buf);
                if (n > 0)
                    m_readSizes.push_back(n);
                for (ssize_t i = 0; i < n; ++i)
                    Take(m_rx.Push(buf[i]));
            }
            if (until())
                return true;
        }
        return false;
    }
    bool Saw(std::vector<std::uint8_t> sequence) const {
        std::size_t k = 0;
        for (std::uint8_t m : m_modes)
            if (k < sequence.size() && m == sequence[k])
                ++k;
        return k == sequence.size();
    }
    // Waits until the descriptor reports a hang-up (the line's device is gone).
    bool WaitHangUp(int ms) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < deadline) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 100) > 0) {
                if (p.revents & (POLLHUP | POLLERR))
                    return true;
                std::uint8_t buf[512];
                const ssize_t n = read(m_fd, buf, sizeof buf);
                for (ssize_t i = 0; i < n; ++i)
                    Take(m_rx.Push(buf[i]));
            }
        }
        return false;
    }
    void SendRestart() {
        EXPECT_EQ(write(m_fd, core::kRestartFrame.data(), core::kRestartFrame.size()), 4);
    }
    void ClearModes() { m_modes.clear(); }
    const std::vector<std::uint8_t>& Modes() const { return m_modes; }
    const core::LinkReceiver& Receiver() const { return m_rx; }
    const std::vector<std::uint8_t>& FirstBytes() const { return m_firstByte; }
    const std::vector<ssize_t>& ReadSizes() const { return m_readSizes; }

private:
    core::StatusArea m_status;
    core::LinkReceiver m_rx;
    int m_fd = -1;
    std::vector<std::uint8_t> m_modes;
    std::vector<std::uint8_t> m_firstByte;
    std::vector<ssize_t> m_readSizes;
};

const std::vector<std::string> kFast{"--start", "0,2",         "--stab", "2",          "--adjust",
                                     "1",       "--measuring", "0,3",    "--interval", "50"};

std::vector<std::string> Fast(std::vector<std::string> more = {}) {
    std::vector<std::string> args = kFast;
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::string PtsOf(const std::string& readyLine) {
    std::smatch m;
    const std::regex re("-> (/dev/pts/[0-9]+)");
    return std::regex_search(readyLine, m, re) ? m[1].str() : std::string();
}

TEST(MeterProcess, RunsThePhasesAnswersRestartAndRemovesItsEntryOnSigterm) {
    MapDir map;
    Meter meter(map, Fast());
    const std::string ready =
        meter.WaitLine(R"(^vels5-meter: COM5 -> /dev/pts/[0-9]+ \(fire ТП1, 50 ms\)$)");
    ASSERT_FALSE(ready.empty()) << meter.Output();
    const std::string pts = PtsOf(ready);
    ASSERT_EQ(fs::read_symlink(map.Entry(5)), pts);

    FakeMonitor monitor(map.Entry(5).string());
    ASSERT_TRUE(monitor.Follow(30000, [&] {
        return monitor.Saw({0x01, 0x02, 0x84, 0x04});
    })) << meter.Output();
    monitor.ClearModes();
    monitor.SendRestart();
    EXPECT_FALSE(meter.WaitLine("rx C0 22 00 EE: restart: work phase begins again").empty())
        << meter.Output();
    EXPECT_TRUE(monitor.Follow(20000, [&] { return monitor.Saw({0x84, 0x04}); }));
    EXPECT_EQ(monitor.Receiver().Dropped().badCrc, 0u);

    meter.Signal(SIGTERM);
    EXPECT_EQ(meter.Wait(), 0);
    EXPECT_NE(meter.Output().find("vels5-meter: stopped, COM5 removed"), std::string::npos);
    EXPECT_FALSE(fs::is_symlink(map.Entry(5)));
}

TEST(MeterProcess, TellsWhenTheFireLeavesItsBandAndWhenDetectorsAlarm) {
    MapDir map;
    Meter meter(map, Fast({"--fire", "TP5", "--speed", "20", "--detectors", "3", "--outside",
                           "upper@10+10"}));
    ASSERT_FALSE(meter
                     .WaitLine(R"(^vels5-meter: COM5 -> \S+ \(fire ТП5, 50 ms, outside above )"
                               R"(from 10 to 20 s, 3 detectors around 0,1 dB/m\)$)")
                     .empty())
        << meter.Output();
    FakeMonitor monitor(map.Entry(5).string()); // the scenario starts when the port is opened
    // 50 ms frames at 20 fire seconds per second: a frame every fire second.
    std::smatch m;
    const std::string leaves = meter.WaitLine("fire leaves its band above at ([0-9,]+) s", 8000);
    ASSERT_TRUE(std::regex_search(leaves, m, std::regex("at ([0-9]+)(,[0-9]+)? s"))) << leaves;
    EXPECT_EQ(m[1].str(), "10") << leaves;
    const std::string back = meter.WaitLine("fire back inside its band at ([0-9,]+) s", 8000);
    ASSERT_TRUE(std::regex_search(back, m, std::regex("at ([0-9]+)(,[0-9]+)? s"))) << back;
    EXPECT_EQ(m[1].str(), "20") << back;
    // By then m has passed every threshold (ТП5 starts at 0,1 dB/m and was 0,4 outside): each
    // detector alarmed once, at an m at or above its threshold.
    const std::string out = meter.Output();
    const std::regex alarm(
        R"(detector И([0-9]+) alarms: m=([0-9]),([0-9]{3}) dB/m \(threshold 0,([0-9]{3}) dB/m\))");
    std::vector<int> detectors;
    for (auto it = std::sregex_iterator(out.begin(), out.end(), alarm);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& a = *it;
        detectors.push_back(std::stoi(a[1].str()));
        const int mThousandths = std::stoi(a[2].str()) * 1000 + std::stoi(a[3].str());
        const int threshold = std::stoi(a[4].str());
        EXPECT_EQ(threshold, 80 + 20 * (detectors.back() - 1)) << a.str();
        EXPECT_GE(mThousandths, threshold) << a.str();
    }
    std::sort(detectors.begin(), detectors.end());
    EXPECT_EQ(detectors, (std::vector<int>{1, 2, 3})) << out;
}

TEST(MeterProcess, TheStartPhaseWaitsUntilTheMonitorOpensThePort) {
    MapDir map;
    Meter meter(map, Fast({"--verbose"})); // 0,2 s of start, a frame every 50 ms
    ASSERT_FALSE(meter.WaitLine("^vels5-meter: COM5 ").empty()) << meter.Output();
    // Twelve frames take well over the start phase, and all of them are start frames.
    for (int i = 0; i < 12; ++i)
        ASSERT_FALSE(meter.WaitLine(" tx mode=").empty()) << meter.Output();
    EXPECT_EQ(meter.Output().find(" tx mode=01"), std::string::npos) << meter.Output();
    FakeMonitor monitor(map.Entry(5).string());
    EXPECT_TRUE(monitor.Follow(20000, [&] {
        return monitor.Saw({0x08, 0x01, 0x02, 0x84, 0x04});
    })) << meter.Output();
    EXPECT_EQ(monitor.Modes().front(), 0x08);
    EXPECT_FALSE(meter.WaitLine(" opened: the scenario starts$").empty()) << meter.Output();
}

TEST(MeterProcess, RestartBeforeWorkIsLoggedAndIgnored) {
    MapDir map;
    Meter meter(map, {"--stab", "30", "--interval", "50"});
    const std::string ready = meter.WaitLine("^vels5-meter: COM5");
    ASSERT_FALSE(ready.empty()) << meter.Output();
    FakeMonitor monitor(PtsOf(ready));
    monitor.SendRestart();
    EXPECT_FALSE(meter.WaitLine("restart ignored in (start|stabilisation)").empty())
        << meter.Output();
    meter.Signal(SIGINT);
    EXPECT_EQ(meter.Wait(), 0);
}

TEST(MeterProcess, SimulatorsNeverShareANumber) {
    MapDir map;
    Meter first(map, Fast());
    ASSERT_FALSE(first.WaitLine("^vels5-meter: COM5 ").empty()) << first.Output();
    Meter second(map, Fast());
    ASSERT_FALSE(second.WaitLine("^vels5-meter: COM6 ").empty()) << second.Output();
    Meter taken(map, Fast({"--port", "5"}));
    EXPECT_EQ(taken.Wait(), 2);
    EXPECT_NE(taken.Output().find("COM5 is in use"), std::string::npos) << taken.Output();
    Meter chosen(map, Fast({"--port", "12"}));
    EXPECT_FALSE(chosen.WaitLine("^vels5-meter: COM12 ").empty()) << chosen.Output();
    EXPECT_NE(fs::read_symlink(map.Entry(5)), fs::read_symlink(map.Entry(6)));
}

TEST(MeterProcess, EntryOfAKilledSimulatorIsTakenOverByTheNextOne) {
    MapDir map;
    {
        Meter killed(map, Fast());
        ASSERT_FALSE(killed.WaitLine("^vels5-meter: COM5 ").empty()) << killed.Output();
        killed.Signal(SIGKILL);
        EXPECT_EQ(killed.Wait(), -1);
    }
    ASSERT_TRUE(fs::is_symlink(map.Entry(5))); // left behind
    Meter next(map, Fast());
    const std::string ready = next.WaitLine("^vels5-meter: COM");
    EXPECT_NE(ready.find("COM5 "), std::string::npos) << next.Output();
    EXPECT_EQ(fs::read_symlink(map.Entry(5)), PtsOf(ready));
}

TEST(MeterProcess, EntryOfAKilledSimulatorIsTakenOverEvenWhenItsPtyNumberWasReused) {
    MapDir map;
    {
        Meter killed(map, Fast());
        ASSERT_FALSE(killed.WaitLine("^vels5-meter: COM5 ").empty()) << killed.Output();
        killed.Signal(SIGKILL);
        EXPECT_EQ(killed.Wait(), -1);
    }
    // The kernel hands the dead simulator's /dev/pts/N to another program: the entry now
    // points to a live device that is not a simulator's.
    test::Pty other;
    ASSERT_TRUE(other.Ok());
    const std::string otherPath = other.Slave();
    fs::remove(map.Entry(5));
    fs::create_symlink(otherPath, map.Entry(5));

    Meter next(map, Fast());
    const std::string ready = next.WaitLine("^vels5-meter: COM");
    EXPECT_NE(ready.find("COM5 "), std::string::npos) << next.Output();
    EXPECT_EQ(fs::read_symlink(map.Entry(5)), PtsOf(ready));
}

// A pulled cable: the monitor's descriptor hangs up and the entry stays but leads nowhere;
// after the gap the same entry, through the same link, leads to a new terminal on which the
// fire goes on where it would be.
TEST(MeterProcess, UnplugClosesTheLineAndOffersANewOneUnderTheSameEntry) {
    MapDir map;
    // Fire seconds run ten times as fast: the 1,5 s gap is 15 s of the fire.
    Meter meter(map, Fast({"--speed", "10", "--unplug", "5+1,5"}));
    const std::string ready =
        meter.WaitLine(R"(^vels5-meter: COM5 -> .*unplugged at 5 s of the fire for 1,5 s\)$)");
    ASSERT_FALSE(ready.empty()) << meter.Output();
    const fs::path entry = map.Entry(5);
    const fs::path link = fs::read_symlink(entry);
    EXPECT_EQ(link, entry.parent_path() / ".COM5.device");
    EXPECT_EQ(fs::canonical(entry), PtsOf(ready));

    {
        FakeMonitor before(entry.string());
        ASSERT_TRUE(before.Follow(30000, [&] { return before.Saw({0x04}); })) << meter.Output();
        const std::string pulled = meter.WaitLine("unplugged at 5 s of the fire: " + PtsOf(ready) +
                                                  " closed, COM5 without a device");
        ASSERT_FALSE(pulled.empty()) << meter.Output();
        EXPECT_TRUE(before.WaitHangUp(10000));
        // As an unplugged adapter's: the entry keeps its number and names the same link,
        // which leads nowhere.
        EXPECT_TRUE(fs::is_symlink(entry));
        EXPECT_EQ(fs::read_symlink(entry), link);
        EXPECT_FALSE(fs::exists(entry));
        EXPECT_LT(open(entry.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC), 0);
        EXPECT_EQ(errno, ENOENT);
    }

    std::smatch m;
    const std::string back = meter.WaitLine("plugged in again: COM5 -> ");
    ASSERT_TRUE(std::regex_search(
        back, m, std::regex(R"(COM5 -> (/dev/pts/[0-9]+) at ([0-9]+),([0-9]+) s of the fire)")))
        << meter.Output();
    // The fire ran on through the gap: 5 s of the fire plus 15 at least.
    EXPECT_GE(std::stoi(m[2].str()), 20) << back;
    EXPECT_EQ(fs::read_symlink(entry), link);
    EXPECT_EQ(fs::canonical(entry), m[1].str());
    FakeMonitor after(entry.string());
    EXPECT_TRUE(after.Follow(30000, [&] { return after.Receiver().Accepted() >= 5; }))
        << meter.Output();
    EXPECT_EQ(after.Modes(), (std::vector<std::uint8_t>{0x04})) << "no new start, no restart";

    meter.Signal(SIGTERM);
    EXPECT_EQ(meter.Wait(), 0);
    EXPECT_FALSE(fs::is_symlink(entry));
    EXPECT_FALSE(fs::is_symlink(link));
}

TEST(MeterProcess, EntryOfAKilledUnpluggingSimulatorIsTakenOverByTheNextOne) {
    MapDir map;
    fs::path link;
    {
        Meter killed(map, Fast({"--unplug", "600+1"}));
        ASSERT_FALSE(killed.WaitLine("^vels5-meter: COM5 ").empty()) << killed.Output();
        link = fs::read_symlink(map.Entry(5));
        killed.Signal(SIGKILL);
        EXPECT_EQ(killed.Wait(), -1);
    }
    ASSERT_TRUE(fs::is_symlink(link)); // left behind, with the entry
    Meter next(map, Fast());
    const std::string ready = next.WaitLine("^vels5-meter: COM");
    EXPECT_NE(ready.find("COM5 "), std::string::npos) << next.Output();
    EXPECT_EQ(fs::read_symlink(map.Entry(5)), PtsOf(ready));
    EXPECT_FALSE(fs::is_symlink(link));
}

TEST(MeterProcess, LongHeaderAndLineErrors) {
    MapDir map;
    Meter meter(map, Fast({"--addr", "5", "--line-errors", "0,3", "--seed", "3"}));
    const std::string ready = meter.WaitLine("^vels5-meter: COM5 .*address 5");
    ASSERT_FALSE(ready.empty()) << meter.Output();
    FakeMonitor monitor(PtsOf(ready));
    const core::DropCounters& d = monitor.Receiver().Dropped();
    // Damaged frames of both kinds among more than ten good ones.
    EXPECT_TRUE(monitor.Follow(30000, [&] {
        return d.badCrc > 0 && d.interrupted > 0 && monitor.Receiver().Accepted() > 10;
    })) << meter.Output();
    for (std::uint8_t first : monitor.FirstBytes())
        ASSERT_EQ(first, 0x85);
}

TEST(MeterProcess, SplitFramesArriveInTwoReadsAndAreStillAccepted) {
    MapDir map;
    Meter meter(map, Fast({"--interval", "400", "--split", "200"}));
    const std::string ready = meter.WaitLine("^vels5-meter: COM5 .*400 ms");
    ASSERT_FALSE(ready.empty()) << meter.Output();
    FakeMonitor monitor(PtsOf(ready));
    const auto halves = [&] {
        int n = 0;
        for (ssize_t size : monitor.ReadSizes())
            n += size < 60;
        return n;
    };
    // A reader that is late by the 200 ms between the halves gets a frame in one read;
    // the check is that halves, when they come apart, are joined.
    EXPECT_TRUE(
        monitor.Follow(30000, [&] { return monitor.Receiver().Accepted() >= 5 && halves() >= 8; }))
        << "accepted " << monitor.Receiver().Accepted() << ", halves " << halves();
    const core::DropCounters& d = monitor.Receiver().Dropped();
    EXPECT_EQ(d.badCrc + d.badEscape + d.interrupted + d.overlong, 0u);
}

// While the start is held for a late monitor, the second half of a split frame is due at a
// scenario time that moves with the hold; it must still go out, or the line stays "full".
TEST(MeterProcess, SplitFramesFlowWhenThePortIsOpenedLate) {
    MapDir map;
    Meter meter(map, Fast({"--verbose", "--split", "20"}));
    ASSERT_FALSE(meter.WaitLine("^vels5-meter: COM5 ").empty()) << meter.Output();
    for (int i = 0; i < 4; ++i) // several frame periods pass, each longer than the split
        ASSERT_FALSE(meter.WaitLine(" tx mode=08").empty()) << meter.Output();
    FakeMonitor monitor(map.Entry(5).string());
    EXPECT_TRUE(monitor.Follow(30000, [&] { return monitor.Receiver().Accepted() >= 5; }))
        << "accepted " << monitor.Receiver().Accepted() << "\n"
        << meter.Output();
    EXPECT_EQ(meter.Output().find("line full"), std::string::npos) << meter.Output();
}

TEST(MeterProcess, DrivesADeviceGivenByPathWithoutRegistering) {
    MapDir map;
    test::Pty pty;
    ASSERT_TRUE(pty.Ok());
    const std::string slave = pty.Slave();
    Meter meter(map, Fast({"--device", slave, "--verbose"}));
    ASSERT_FALSE(meter.WaitLine("^vels5-meter: " + slave + R"( \(fire)").empty()) << meter.Output();
    EXPECT_FALSE(meter.WaitLine("tx mode=08 Ui=").empty());
    const std::string sent = pty.ReadSome(256, 2000);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(static_cast<std::uint8_t>(sent[0]), core::kFrameStart);
    EXPECT_FALSE(fs::exists(fs::path(map.Root()) / "vels5/ports/COM5"));
    meter.Signal(SIGTERM);
    EXPECT_EQ(meter.Wait(), 0);
    pty.CloseMaster();
}

TEST(MeterProcess, HelpAndBadOptions) {
    MapDir map;
    Meter help(map, {"--help"});
    EXPECT_EQ(help.Wait(), 0);
    EXPECT_NE(help.Output().find("Usage: vels5-meter"), std::string::npos);
    Meter bad(map, {"--fire", "TP9"});
    EXPECT_EQ(bad.Wait(), 2);
    EXPECT_NE(bad.Output().find("vels5-meter: --fire: unknown test fire 'TP9'"), std::string::npos)
        << bad.Output();
}

} // namespace
