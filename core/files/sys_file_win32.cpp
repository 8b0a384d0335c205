// The core's file system calls on Windows: wide paths, files opened with CreateFileW and
// every share mode (so a file open elsewhere can still be replaced or deleted, as on
// Linux), C runtime descriptors over the handles, FlushFileBuffers, LockFileEx, MoveFileExW.
#include "core/files/sys_file.h"
#include "core/files/wide_text_win32.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace core::sys {

namespace {

// The errno value nearest to a Win32 code.
int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_LOCK_VIOLATION:
    case ERROR_IO_PENDING:
        return EWOULDBLOCK;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

bool FailLast() {
    errno = ErrnoOf(GetLastError());
    return false;
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

constexpr std::int64_t kEpochDifference = 11644473600LL; // 1601 to 1970, in seconds

std::int64_t UnixSeconds(const FILETIME& t) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000ULL) - kEpochDifference;
}

void Fill(const BY_HANDLE_FILE_INFORMATION& data, FileInfo& info) {
    info.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.regular = !info.folder && !(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE);
    info.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                          data.nFileSizeLow);
    info.modified = UnixSeconds(data.ftLastWriteTime);
    info.mode = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    info.device = data.dwVolumeSerialNumber;
    info.inode = (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
}

bool HandleStat(HANDLE handle, FileInfo& info) {
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        info = FileInfo{}; // a device or a pipe: neither a regular file nor a folder
        return true;
    }
    BY_HANDLE_FILE_INFORMATION data{};
    if (!GetFileInformationByHandle(handle, &data))
        return FailLast();
    Fill(data, info);
    return true;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

int Open(const std::string& path, int flags) {
    const bool write = (flags & kWriteOnly) != 0;
    DWORD disposition = OPEN_EXISTING;
    if ((flags & kCreate) && (flags & kExclusive))
        disposition = CREATE_NEW;
    else if (flags & kCreate)
        disposition = OPEN_ALWAYS;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (flags & kNoFollow)
        attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
    // FILE_FLAG_BACKUP_SEMANTICS lets a folder open, so it reads as "not a regular file"
    // instead of failing like a missing one.
    HANDLE handle =
        CreateFileW(Wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ, kShareAll, nullptr,
                    disposition, attributes | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        FailLast();
        return -1;
    }
    int crt = _O_BINARY | _O_NOINHERIT | (write ? _O_WRONLY : _O_RDONLY);
    if (flags & kAppend)
        crt |= _O_APPEND;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), crt);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

int Close(int fd) {
    return _close(fd);
}

long Read(int fd, void* buffer, std::size_t size) {
    const unsigned chunk = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
    return _read(fd, buffer, chunk);
}

long Write(int fd, const void* data, std::size_t size) {
    const unsigned chunk = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
    return _write(fd, data, chunk);
}

bool Truncate(int fd, std::int64_t size) {
    errno = _chsize_s(fd, size);
    return errno == 0;
}

bool SyncData(int fd) {
    return FlushFileBuffers(HandleOf(fd)) || FailLast();
}

bool Sync(int fd) {
    return SyncData(fd);
}

void SyncFolder(const std::string&) {}

void SetMode(int, unsigned) {}

bool Stat(const std::string& path, FileInfo& info, bool follow) {
    DWORD attributes = FILE_FLAG_BACKUP_SEMANTICS;
    if (!follow)
        attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
    // No access asked: this also describes a file that another program holds exclusively.
    HANDLE handle =
        CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return FailLast();
    const bool ok = HandleStat(handle, info);
    CloseHandle(handle);
    return ok;
}

bool FileStat(int fd, FileInfo& info) {
    return HandleStat(HandleOf(fd), info);
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Replace(const std::string& from, const std::string& to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           FailLast();
}

bool Remove(const std::string& path) {
    return DeleteFileW(Wide(path).c_str()) || FailLast();
}

bool MakeFolder(const std::string& path) {
    return CreateDirectoryW(Wide(path).c_str(), nullptr) || FailLast();
}

bool ListFolder(const std::string& dir, std::vector<std::string>& names) {
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(Wide(dir + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return FailLast();
    do {
        if (std::wcscmp(data.cFileName, L".") != 0 && std::wcscmp(data.cFileName, L"..") != 0)
            names.push_back(Utf8(data.cFileName));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

bool Lock(int fd, bool wait) {
    OVERLAPPED at{};
    // The last byte a file could have: never data, so the lock refuses no read or write.
    at.Offset = 0xFFFFFFFEu;
    at.OffsetHigh = 0x7FFFFFFFu;
    DWORD how = LOCKFILE_EXCLUSIVE_LOCK;
    if (!wait)
        how |= LOCKFILE_FAIL_IMMEDIATELY;
    return LockFileEx(HandleOf(fd), how, 0, 1, 0, &at) || FailLast();
}

const char* FolderSeparators() {
    return "/\\";
}

std::size_t LastSeparator(const std::string& path) {
    return path.find_last_of(FolderSeparators());
}

long ProcessId() {
    return static_cast<long>(GetCurrentProcessId());
}

std::string ErrorText(int code) {
    // The C runtime's texts are English.
    std::string text = std::strerror(code);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace core::sys
