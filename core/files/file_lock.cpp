// Whole-file locks: flock(2) on Linux, LockFileEx on Windows (core/files/sys_file.h).
#include "core/files/file_lock.h"

#include "core/files/sys_file.h"

#include <cerrno>

namespace core {

bool LockOpenFile(int fd) {
    return sys::Lock(fd, true);
}

FileLock::FileLock(const std::string& path) {
    // The open never waits: a FIFO under a journal's name must not hang it.
    const int fd = sys::Open(path, sys::kReadOnly);
    if (fd < 0)
        return;
    if (sys::Lock(fd, false)) {
        m_fd = fd;
        return;
    }
    m_inUse = errno == EWOULDBLOCK;
    sys::Close(fd);
}

FileLock::~FileLock() {
    if (m_fd >= 0)
        sys::Close(m_fd);
}

bool FileInUse(const std::string& path) {
    return FileLock(path).InUse();
}

} // namespace core
