// Who may open a device: the access failure and the group that owns the device node.
#include "comm/port/port.h"

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <vector>

namespace comm::port {

bool IsAccessDenied(int error) {
    return error == EACCES || error == EPERM;
}

std::string OwningGroup(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(16'384);
    // ERANGE: the group's member list does not fit; try again with more room.
    while (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 22))
        buffer.resize(buffer.size() * 4);
    if (!found)
        return std::to_string(info.st_gid);
    return found->gr_name;
}

} // namespace comm::port
