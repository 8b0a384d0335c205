// The port map: COMn symbolic links in a folder, filled from the machine's serial devices.
#include "comm/port_map.h"

#include "comm/com_name.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <set>
#include <unistd.h>

namespace comm {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxNumber = 9999;

std::string ReadLink(const fs::path& link) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(link, ec);
    return ec ? std::string() : target.string();
}

std::string Canonical(const fs::path& p) {
    std::error_code ec;
    const fs::path c = fs::canonical(p, ec);
    return ec ? std::string() : c.string();
}

// A sysfs tty that stands for real hardware: it has a device link, is not virtual, and
// an 8250 port is present (type not 0; the driver lists every possible port).
bool IsSerialDevice(const fs::path& ttyDir) {
    std::error_code ec;
    if (!fs::exists(ttyDir / "device", ec))
        return false;
    if (Canonical(ttyDir).find("/virtual/") != std::string::npos)
        return false;
    std::ifstream type(ttyDir / "type");
    int value = -1;
    if (type && (type >> value) && value == 0)
        return false;
    return true;
}

// ttyS<k> -> k + 1, the number Windows would give; others 0.
int PreferredNumber(const std::string& tty) {
    if (tty.rfind("ttyS", 0) != 0 || tty.size() == 4)
        return 0;
    int k = 0;
    for (char c : tty.substr(4)) {
        if (c < '0' || c > '9')
            return 0;
        k = k * 10 + (c - '0');
    }
    return k + 1;
}

} // namespace

std::string DefaultConfigDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/vels5";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return std::string(home) + "/.config/vels5";
}

std::string DefaultPortMapDir() {
    return DefaultConfigDir() + "/ports";
}

PortMap::PortMap(std::string mapDir, std::string sysfsRoot, std::string byIdDir, std::string devDir)
    : m_mapDir(std::move(mapDir)), m_sysfsRoot(std::move(sysfsRoot)), m_byIdDir(std::move(byIdDir)),
      m_devDir(std::move(devDir)) {}

std::optional<std::string> PortMap::Resolve(std::string_view deviceName) const {
    const int number = ComNumber(deviceName);
    if (number <= 0)
        return std::string(deviceName);
    const fs::path entry = fs::path(m_mapDir) / ("COM" + std::to_string(number));
    const std::string target = ReadLink(entry);
    if (target.empty())
        return std::nullopt;
    return fs::path(target).is_absolute() ? target : (fs::path(m_mapDir) / target).string();
}

bool PortMap::Present(std::string_view deviceName) const {
    const std::optional<std::string> path = Resolve(deviceName);
    std::error_code ec;
    return path && fs::exists(*path, ec);
}

std::vector<int> PortMap::Numbers() const {
    std::vector<int> numbers;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(m_mapDir, ec)) {
        const std::string name = entry.path().filename().string();
        const int n = name.rfind("COM", 0) == 0 ? ComNumber(name) : 0;
        if (n > 0 && entry.is_symlink(ec))
            numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

std::vector<int> PortMap::Refresh() {
    std::set<std::string> mapped; // link texts and device nodes the entries lead to
    for (int n : Numbers()) {
        const fs::path entry = fs::path(m_mapDir) / ("COM" + std::to_string(n));
        mapped.insert(ReadLink(entry));
        mapped.insert(Canonical(entry));
    }
    std::vector<std::string> ttys;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(m_sysfsRoot, ec))
        ttys.push_back(entry.path().filename().string());
    std::sort(ttys.begin(), ttys.end());
    for (const std::string& tty : ttys) {
        if (!IsSerialDevice(fs::path(m_sysfsRoot) / tty))
            continue;
        const std::string node = (fs::path(m_devDir) / tty).string();
        std::string target = node;
        for (const auto& link : fs::directory_iterator(m_byIdDir, ec)) {
            if (fs::path(ReadLink(link.path())).filename() == tty)
                target = link.path().string();
        }
        const std::string canonical = Canonical(node);
        if (mapped.count(target) || mapped.count(node) ||
            (!canonical.empty() && mapped.count(canonical)))
            continue;
        const int preferred = PreferredNumber(tty);
        if (preferred == 0 || !RegisterAs(target, preferred))
            Register(target, 1);
        mapped.insert(target);
    }
    std::vector<int> present;
    for (int n : Numbers()) {
        // exists() follows the link: false when the device behind the entry is gone.
        if (fs::exists(fs::path(m_mapDir) / ("COM" + std::to_string(n)), ec))
            present.push_back(n);
    }
    return present;
}

int PortMap::Register(const std::string& devicePath, int minNumber) {
    std::error_code ec;
    fs::create_directories(m_mapDir, ec);
    for (int n = std::max(1, minNumber); n <= kMaxNumber; ++n) {
        const std::string entry = m_mapDir + "/COM" + std::to_string(n);
        // symlink() fails with EEXIST when taken, so two registrations never share a number.
        if (symlink(devicePath.c_str(), entry.c_str()) == 0)
            return n;
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

bool PortMap::RegisterAs(const std::string& devicePath, int number) {
    if (number <= 0)
        return false;
    std::error_code ec;
    fs::create_directories(m_mapDir, ec);
    const std::string entry = m_mapDir + "/COM" + std::to_string(number);
    return symlink(devicePath.c_str(), entry.c_str()) == 0;
}

void PortMap::Unregister(int number, const std::string& devicePath) {
    const fs::path entry = fs::path(m_mapDir) / ("COM" + std::to_string(number));
    if (!devicePath.empty() && ReadLink(entry) != devicePath)
        return;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(entry, ec)))
        fs::remove(entry, ec);
}

} // namespace comm
