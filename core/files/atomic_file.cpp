// Whole-file writes through a temporary file and an atomic replacement.
#include "core/files/atomic_file.h"

#include "core/files/file_lock.h"
#include "core/files/sys_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace core {
namespace {

FileWriteResult Failure(const std::string& path, int code) {
    return {false, code, "Cannot create file " + path, SystemErrorText(code)};
}

std::string ParentDir(const std::string& path) {
    const std::size_t slash = sys::LastSeparator(path);
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// O_EXCL with mode 0666 lets the umask decide the permissions, which mkstemp (0600) would not.
int CreateTemp(const std::string& path, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = sys::LastSeparator(path);
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count() %
                        1'000'000'000;
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u-%ld", sys::ProcessId(),
                      counter.fetch_add(1), static_cast<long>(ns));
        tempPath = dir + "." + base + suffix;
        const int fd = sys::Open(tempPath, sys::kWriteOnly | sys::kCreate | sys::kExclusive);
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
        const long n = sys::Write(fd, bytes.data(), bytes.size()); // repeated after a signal
        if (n < 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

std::string SystemErrorText(int code) {
    return sys::ErrorText(code);
}

FileWriteResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
    std::string tempPath;
    const int fd = CreateTemp(path, tempPath);
    if (fd < 0)
        return Failure(path, errno);
    sys::FileInfo old;
    if (sys::Stat(path, old) && old.regular)
        sys::SetMode(fd, old.mode);
    bool ok = WriteAll(fd, bytes) && sys::Sync(fd);
    int code = ok ? 0 : errno;
    // close() can report a deferred write error (NFS, full disk), so it counts too.
    if (sys::Close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && !sys::Replace(tempPath, path)) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        sys::Remove(tempPath);
        return Failure(path, code);
    }
    // Make the replacement itself durable; a failure here no longer endangers either version.
    sys::SyncFolder(ParentDir(path));
    (void)RemoveStaleTempFiles(ParentDir(path));
    return {true, 0, {}, {}};
}

std::vector<std::string> RemoveStaleTempFiles(const std::string& dir) {
    std::vector<std::string> removed;
    std::vector<std::string> names;
    if (!sys::ListFolder(dir, names))
        return removed;
    std::vector<std::string> candidates;
    for (const std::string& name : names)
        if (IsTempName(name))
            candidates.push_back(dir + "/" + name);
    const std::time_t now = std::time(nullptr);
    for (const std::string& path : candidates) {
        sys::FileInfo st;
        if (!sys::Stat(path, st, false) || !st.regular || now - st.modified < kStaleTempSeconds)
            continue;
        const FileLock lock(path);
        if (lock.Held() && sys::Remove(path))
            removed.push_back(path);
    }
    return removed;
}

FileWriteResult RemoveFileIfPresent(const std::string& path) {
    if (sys::Remove(path) || errno == ENOENT)
        return {true, 0, {}, {}};
    const int code = errno;
    return {false, code, "Cannot delete file " + path, SystemErrorText(code)};
}

} // namespace core
