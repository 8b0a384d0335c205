// Taking and giving back the simulator's COM number in the port map.
#include "tools/vels5-meter/registration.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace meter {

std::string Registration::Target(int number) const {
    const std::string link = m_map.Dir() + "/COM" + std::to_string(number);
    char buf[4096];
    const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

int Registration::CleanStale(const std::string& ptsPath) {
    int own = 0;
    for (int number : m_map.Numbers()) {
        const std::string target = Target(number);
        if (target.rfind("/dev/pts/", 0) != 0)
            continue; // only pseudo-terminal entries can be leftovers of a simulator
        struct stat st {};
        if (target == ptsPath && own == 0)
            own = number;
        else if (target == ptsPath || stat(target.c_str(), &st) != 0)
            m_map.Unregister(number, target);
    }
    return own;
}

int Registration::Register(const std::string& ptsPath, int requested, int firstNumber,
                           std::string& error) {
    Remove();
    const int own = CleanStale(ptsPath);
    if (own != 0 && (requested == 0 || requested == own)) {
        m_number = own;
    } else {
        if (own != 0)
            m_map.Unregister(own, ptsPath);
        if (requested != 0)
            m_number = m_map.RegisterAs(ptsPath, requested) ? requested : -1;
        else
            m_number = m_map.Register(ptsPath, firstNumber);
    }
    if (m_number < 0) {
        error = requested != 0 ? "COM" + std::to_string(requested) +
                                     " is in use or cannot be "
                                     "created in " +
                                     m_map.Dir()
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
    m_number = -1;
}

} // namespace meter
