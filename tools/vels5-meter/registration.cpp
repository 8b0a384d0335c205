// Taking and giving back the simulator's COM number in the port map.
#include "tools/vels5-meter/registration.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace meter {
namespace {
// The highest COM number a simulator takes.
constexpr int kLastComNumber = 255;
} // namespace

std::string Registration::Target(int number) const {
    const std::string link = m_map.Dir() + "/COM" + std::to_string(number);
    char buf[4096];
    const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::string Registration::OwnerFile(int number) const {
    return m_map.Dir() + "/.COM" + std::to_string(number) + ".owner";
}

std::string Registration::DeviceLink(int number) const {
    return m_map.Dir() + "/.COM" + std::to_string(number) + ".device";
}

bool Registration::PointDeviceLink(int number, const std::string& ptsPath) const {
    const std::string link = DeviceLink(number);
    const std::string fresh = link + ".new";
    unlink(fresh.c_str());
    if (symlink(ptsPath.c_str(), fresh.c_str()) != 0)
        return false;
    if (rename(fresh.c_str(), link.c_str()) != 0) {
        unlink(fresh.c_str());
        return false;
    }
    return true;
}

void Registration::CleanStale() {
    for (int number : m_map.Numbers()) {
        const std::string target = Target(number);
        const bool viaLink = target == DeviceLink(number);
        if (target.rfind("/dev/pts/", 0) != 0 && !viaLink)
            continue; // only pseudo-terminal entries can be leftovers of a simulator
        bool abandoned = false;
        const int fd = open(OwnerFile(number).c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            // A free lock: the simulator that took this number is gone.
            abandoned = flock(fd, LOCK_EX | LOCK_NB) == 0;
            close(fd);
        } else {
            // Registered by hand or by an older simulator: stale only when the device is.
            struct stat st {};
            abandoned = stat(target.c_str(), &st) != 0;
        }
        if (abandoned) {
            m_map.Unregister(number, target);
            if (viaLink)
                unlink(DeviceLink(number).c_str());
            unlink(OwnerFile(number).c_str());
        }
    }
}

bool Registration::TryTake(const std::string& ptsPath, int number, bool replugable) {
    const int fd = open(OwnerFile(number).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd); // a live owner
        return false;
    }
    // With the lock held, a device link of this number is a dead simulator's or none.
    const bool linked = replugable && PointDeviceLink(number, ptsPath);
    if ((replugable && !linked) ||
        !m_map.RegisterAs(replugable ? DeviceLink(number) : ptsPath, number)) {
        if (linked)
            unlink(DeviceLink(number).c_str());
        close(fd); // the number is an entry of another kind
        return false;
    }
    m_ownerFd = fd;
    return true;
}

int Registration::Register(const std::string& ptsPath, int requested, int firstNumber,
                           std::string& error, bool replugable) {
    Remove();
    std::error_code ec;
    std::filesystem::create_directories(m_map.Dir(), ec);
    CleanStale();
    if (requested != 0) {
        m_number = TryTake(ptsPath, requested, replugable) ? requested : -1;
    } else {
        for (int n = std::max(1, firstNumber); n <= kLastComNumber && m_number < 0; ++n) {
            if (TryTake(ptsPath, n, replugable))
                m_number = n;
        }
    }
    if (m_number < 0) {
        error = requested != 0 ? "COM" + std::to_string(requested) +
                                     " is in use or cannot be created in " + m_map.Dir()
                               : "cannot register in " + m_map.Dir();
        return -1;
    }
    m_replugable = replugable;
    m_path = replugable ? DeviceLink(m_number) : ptsPath;
    return m_number;
}

void Registration::Unplugged() {
    if (m_number > 0 && m_replugable)
        unlink(DeviceLink(m_number).c_str());
}

bool Registration::PluggedIn(const std::string& ptsPath, std::string& error) {
    if (m_number < 0 || !m_replugable) {
        error = "no replugable entry";
        return false;
    }
    if (!PointDeviceLink(m_number, ptsPath)) {
        error = "cannot point " + DeviceLink(m_number) + " to " + ptsPath;
        return false;
    }
    return true;
}

void Registration::Remove() {
    if (m_number < 0)
        return;
    m_map.Unregister(m_number, m_path);
    if (m_replugable)
        unlink(DeviceLink(m_number).c_str());
    unlink(OwnerFile(m_number).c_str());
    close(m_ownerFd);
    m_ownerFd = -1;
    m_number = -1;
    m_replugable = false;
}

} // namespace meter
