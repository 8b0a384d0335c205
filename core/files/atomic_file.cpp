// Whole-file writes through a temporary file and rename.
#include "core/files/atomic_file.h"

#include "core/files/file_lock.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {
namespace {

FileWriteResult Failure(const std::string& path, int code) {
    return {false, code, "Cannot create file " + path, SystemErrorText(code)};
}

std::string ParentDir(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// O_EXCL with mode 0666 lets the umask decide the permissions, which mkstemp (0600) would not.
int CreateTemp(const std::string& path, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".tmp-%d-%u-%ld", static_cast<int>(getpid()),
                      counter.fetch_add(1), static_cast<long>(ts.tv_nsec));
        tempPath = dir + "." + base + suffix;
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // Locked while written: a clean-up in another program leaves it alone.
            (void)LockOpenFile(fd);
            return fd;
        }
        if (errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool AllDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// ".<name>.tmp-<pid>-<n>-<ns>" as CreateTemp makes it.
bool IsTempName(std::string_view name) {
    const std::size_t tmp = name.rfind(".tmp-");
    if (name.size() < 2 || name[0] != '.' || tmp == std::string_view::npos || tmp < 2)
        return false;
    std::string_view rest = name.substr(tmp + 5);
    for (int part = 0; part < 3; ++part) {
        const std::size_t dash = part < 2 ? rest.find('-') : rest.size();
        if (dash == std::string_view::npos || !AllDigits(rest.substr(0, dash)))
            return false;
        rest.remove_prefix(part < 2 ? dash + 1 : dash);
    }
    return true;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) // a signal before anything was written: try again
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

std::string SystemErrorText(int code) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    std::string text = cLocale ? strerror_l(code, cLocale) : std::strerror(code);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

FileWriteResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
    std::string tempPath;
    const int fd = CreateTemp(path, tempPath);
    if (fd < 0)
        return Failure(path, errno);
    struct stat old {};
    if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        fchmod(fd, old.st_mode & 07777);
    bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    int code = ok ? 0 : errno;
    // close() can report a deferred write error (NFS, full disk), so it counts too.
    if (close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && rename(tempPath.c_str(), path.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        unlink(tempPath.c_str());
        return Failure(path, code);
    }
    // Make the rename itself durable; a failure here no longer endangers either version.
    const int dirFd = open(ParentDir(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    (void)RemoveStaleTempFiles(ParentDir(path));
    return {true, 0, {}, {}};
}

std::vector<std::string> RemoveStaleTempFiles(const std::string& dir) {
    std::vector<std::string> removed;
    DIR* d = opendir(dir.c_str());
    if (!d)
        return removed;
    std::vector<std::string> candidates;
    while (const dirent* e = readdir(d))
        if (IsTempName(e->d_name))
            candidates.push_back(dir + "/" + e->d_name);
    closedir(d);
    const std::time_t now = std::time(nullptr);
    for (const std::string& path : candidates) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
            now - st.st_mtime < kStaleTempSeconds)
            continue;
        const FileLock lock(path);
        if (lock.Held() && unlink(path.c_str()) == 0)
            removed.push_back(path);
    }
    return removed;
}

FileWriteResult RemoveFileIfPresent(const std::string& path) {
    if (unlink(path.c_str()) == 0 || errno == ENOENT)
        return {true, 0, {}, {}};
    const int code = errno;
    return {false, code, "Cannot delete file " + path, SystemErrorText(code)};
}

} // namespace core
