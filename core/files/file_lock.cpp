// Whole-file locks on Linux: flock(2).
#include "core/files/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace core {

bool LockOpenFile(int fd) {
    while (::flock(fd, LOCK_EX) != 0)
        if (errno != EINTR)
            return false;
    return true;
}

FileLock::FileLock(const std::string& path) {
    // O_NONBLOCK: a FIFO under a journal's name must not hang the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return;
    int rc;
    while ((rc = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc == 0) {
        m_fd = fd;
        return;
    }
    m_inUse = errno == EWOULDBLOCK;
    ::close(fd);
}

FileLock::~FileLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileInUse(const std::string& path) {
    return FileLock(path).InUse();
}

} // namespace core
