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

void Registration::CleanStale() {
    for (int number : m_map.Numbers()) {
        const std::string target = Target(number);
        if (target.rfind("/dev/pts/", 0) != 0)
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
            unlink(OwnerFile(number).c_str());
        }
    }
}

bool Registration::TryTake(const std::string& ptsPath, int number) {
    const int fd = open(OwnerFile(number).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || !m_map.RegisterAs(ptsPath, number)) {
        close(fd); // a live owner, or the number is an entry of another kind
        return false;
    }
    m_ownerFd = fd;
    return true;
}

int Registration::Register(const std::string& ptsPath, int requested, int firstNumber,
                           std::string& error) {
    Remove();
    std::error_code ec;
    std::filesystem::create_directories(m_map.Dir(), ec);
    CleanStale();
    if (requested != 0) {
        m_number = TryTake(ptsPath, requested) ? requested : -1;
    } else {
        for (int n = std::max(1, firstNumber); n <= kLastComNumber && m_number < 0; ++n) {
            if (TryTake(ptsPath, n))
                m_number = n;
        }
    }
    if (m_number < 0) {
        error = requested != 0 ? "COM" + std::to_string(requested) +
                                     " is in use or cannot be created in " + m_map.Dir()
                               : "cannot register in " + m_map.Dir();
        return -1;
    }
    m_path = ptsPath;
    return m_number;
}

void Registration::Remove() {
    if (m_number < 0)
        return;
    m_map.Unregister(m_number, m_path);
    unlink(OwnerFile(m_number).c_str());
    close(m_ownerFd);
    m_ownerFd = -1;
    m_number = -1;
}

} // namespace meter
