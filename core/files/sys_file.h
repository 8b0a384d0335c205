// The file system as the core uses it, on either platform: UTF-8 paths (wide on Windows, so
// names with Cyrillic letters work), descriptors that no child process inherits and that
// never block on a special file, durable writes, whole-file locks and atomic replacement.
// sys_file.cpp holds the POSIX side, sys_file_win32.cpp the Windows one.
//
// Every function may be called on any thread and raises nothing but std::bad_alloc.
// Failures return false or -1 with errno set (on Windows the Win32 codes are mapped onto
// the nearest errno value).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace core::sys {

/// Flags of Open, combined with |.
enum OpenFlag : int {
    kReadOnly = 0x00,
    kWriteOnly = 0x01,
    kCreate = 0x02,    ///< create when missing
    kExclusive = 0x04, ///< with kCreate: fail with EEXIST when present
    kAppend = 0x08,    ///< every write goes to the end
    kNoFollow = 0x10,  ///< a symbolic link under the name is not followed
};

/// Opens `path` (mode 0666 less the umask for a new file). A FIFO or a terminal under the
/// name does not make it wait. Returns the descriptor, or -1.
int Open(const std::string& path, int flags);
int Close(int fd);
/// read(2) and write(2), repeated after a signal; -1 on failure.
long Read(int fd, void* buffer, std::size_t size);
long Write(int fd, const void* data, std::size_t size);
/// Cuts the file to `size` bytes.
bool Truncate(int fd, std::int64_t size);
/// The file's data reach the disk (fdatasync / FlushFileBuffers).
bool SyncData(int fd);
/// The file's data and attributes reach the disk (fsync / FlushFileBuffers).
bool Sync(int fd);
/// The folder's entries reach the disk, so a new or renamed name survives a power cut.
/// Windows journals its folders itself: nothing to do there.
void SyncFolder(const std::string& dir);
/// Gives the file of `fd` the permission bits `mode` (nothing on Windows).
void SetMode(int fd, unsigned mode);

struct FileInfo {
    bool regular = false;
    bool folder = false;
    std::int64_t size = 0;
    std::int64_t modified = 0;           ///< seconds since 1970 (UTC)
    unsigned mode = 0;                   ///< permission bits (0666 or 0444 on Windows)
    std::uint64_t device = 0, inode = 0; ///< with `device`, tells the file itself
};
/// What is at `path`; `follow` false describes a symbolic link itself. false when nothing.
bool Stat(const std::string& path, FileInfo& info, bool follow = true);
bool FileStat(int fd, FileInfo& info);
/// Something (a file, folder or link) has the name.
bool Exists(const std::string& path);

/// Puts `from` in the place of `to` in one step, replacing it (rename / MoveFileExW with
/// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
bool Replace(const std::string& from, const std::string& to);
/// Deletes a file (also one that is open elsewhere).
bool Remove(const std::string& path);
/// Creates one folder (mode 0777 less the umask).
bool MakeFolder(const std::string& path);
/// The names in a folder, without "." and "..". false when it cannot be read.
bool ListFolder(const std::string& dir, std::vector<std::string>& names);

/// Takes the exclusive whole-file lock of `fd`: waits for it (`wait`) or fails at once with
/// EWOULDBLOCK while another open file holds it. A lock belongs to its descriptor: two
/// opens of one file conflict even inside one process; closing (or the process ending)
/// drops it. flock on Linux, LockFileEx on Windows (on a byte beyond any file's end, so
/// reads and writes by others are never refused).
bool Lock(int fd, bool wait);

/// The characters that separate folders in a path: "/", and on Windows "/\\".
const char* FolderSeparators();
/// Where the last folder separator of `path` is ('/', and on Windows also '\\'), or npos.
std::size_t LastSeparator(const std::string& path);

/// The process's id.
long ProcessId();
/// The English text for an errno value, without a trailing full stop.
std::string ErrorText(int code);

} // namespace core::sys
