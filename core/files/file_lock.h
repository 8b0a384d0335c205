// Whole-file locks that say "a live process is writing this file". The journal and the
// temporary files of atomic saves are locked for as long as they are written, so another copy
// of the program (or a clean-up) leaves them alone. Advisory: only this program's own code
// looks at them.
//
// Linux: flock(2). A lock belongs to an open file description, so two opens of one file
// conflict even inside one process, and the system drops the lock when the process ends, also
// by a kill. A Windows build implements the same three calls with share modes.
#pragma once

#include <string>

namespace core {

/// Takes the exclusive lock of the open file `fd`, waiting while another holder has it (the
/// checks below hold it only for a moment). false on an error.
bool LockOpenFile(int fd);

/// Takes the lock of the file at `path` without waiting and holds it while the object lives:
/// whoever holds it may delete or rewrite what belongs to the file without racing its writer.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    /// The lock is ours: no live writer has the file.
    bool Held() const { return m_fd >= 0; }
    /// Another open file holds the lock: the file is being written now.
    bool InUse() const { return m_inUse; }

private:
    int m_fd = -1;
    bool m_inUse = false;
};

/// Whether a live writer holds the lock of the file at `path` (false when it is absent).
bool FileInUse(const std::string& path);

} // namespace core
