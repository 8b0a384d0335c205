// The core's file system calls on Linux: POSIX descriptors, fsync, flock, rename.
#include "core/files/sys_file.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core::sys {

namespace {

void Fill(const struct stat& st, FileInfo& info) {
    info.regular = S_ISREG(st.st_mode);
    info.folder = S_ISDIR(st.st_mode);
    info.size = static_cast<std::int64_t>(st.st_size);
    info.modified = static_cast<std::int64_t>(st.st_mtime);
    info.mode = static_cast<unsigned>(st.st_mode & 07777);
    info.device = static_cast<std::uint64_t>(st.st_dev);
    info.inode = static_cast<std::uint64_t>(st.st_ino);
}

} // namespace

int Open(const std::string& path, int flags) {
    int native = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    native |= (flags & kWriteOnly) ? O_WRONLY : O_RDONLY;
    if (flags & kCreate)
        native |= O_CREAT;
    if (flags & kExclusive)
        native |= O_EXCL;
    if (flags & kAppend)
        native |= O_APPEND;
    if (flags & kNoFollow)
        native |= O_NOFOLLOW;
    const int fd = ::open(path.c_str(), native, 0666);
    if (fd < 0)
        return fd;
    // Only the open must not wait; reads and writes of a regular file stay whole.
    const int now = fcntl(fd, F_GETFL);
    if (now >= 0)
        fcntl(fd, F_SETFL, now & ~O_NONBLOCK);
    return fd;
}

int Close(int fd) {
    return ::close(fd);
}

long Read(int fd, void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return static_cast<long>(n);
    }
}

long Write(int fd, const void* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::write(fd, data, size);
        if (n >= 0 || errno != EINTR)
            return static_cast<long>(n);
    }
}

bool Truncate(int fd, std::int64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}

bool SyncData(int fd) {
    return ::fdatasync(fd) == 0;
}

bool Sync(int fd) {
    return ::fsync(fd) == 0;
}

void SyncFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

void SetMode(int fd, unsigned mode) {
    (void)::fchmod(fd, static_cast<mode_t>(mode & 07777));
}

bool Stat(const std::string& path, FileInfo& info, bool follow) {
    struct stat st {};
    if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return false;
    Fill(st, info);
    return true;
}

bool FileStat(int fd, FileInfo& info) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    Fill(st, info);
    return true;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool Replace(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool Remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool ListFolder(const std::string& dir, std::vector<std::string>& names) {
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return false;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    }
    ::closedir(d);
    return true;
}

bool Lock(int fd, bool wait) {
    for (;;) {
        if (::flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

const char* FolderSeparators() {
    return "/";
}

std::size_t LastSeparator(const std::string& path) {
    return path.rfind('/');
}

long ProcessId() {
    return static_cast<long>(::getpid());
}

std::string ErrorText(int code) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    std::string text = cLocale ? strerror_l(code, cLocale) : std::strerror(code);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace core::sys
