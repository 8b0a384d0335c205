// The live journal of a record log: one table file that grows by a row as each record is
// written, kept on disk within a second, so a crash or a power cut loses no test.
#pragma once

#include "core/files/atomic_file.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace core {

/// The system calls the writer makes on its file, replaceable so tests can make them fail
/// (a full disk, an I/O error). Defaults: write(2) and fdatasync(2).
struct JournalIo {
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    std::function<int(int fd)> sync;
};

/// Appends rows to one journal file through a POSIX file descriptor.
///
/// Durability: each row goes to the file with write(2) as it is appended; the data reach
/// the disk with fdatasync(2) at most every `syncIntervalMs` (by Append or by Tick).
/// Whoever calls Tick at least every `tickMs` keeps every row on disk within
/// syncIntervalMs + tickMs: the session ticks every 300 ms with the default 700 ms, so each
/// record is on disk within 1 s. A row that cannot be written whole is cut off again
/// (ftruncate), so the file always ends with a complete line.
///
/// The open file is locked (core/file_lock.h) until Close: another copy of the program
/// neither offers, marks nor deletes a journal being written.
///
/// A failed write or sync leaves the file open (and locked) and Failed() true: the file then
/// holds Lines() whole rows (after a failed sync, those synced before it; what came after is
/// cut off). The next Append cuts the file back to them and tries again, so a caller that
/// appends every row from Lines() on catches up once the disk has room again; a success
/// clears Failed(). A failed Open leaves the writer closed and Failed() true until the next
/// Open. The start time of Open is a wall date-time (the file's name); the
/// times of Append and Tick are the caller's steady clock in milliseconds, so a wall clock set
/// back cannot hold a sync off. Not thread-safe.
class JournalWriter {
public:
    static constexpr int kDefaultSyncIntervalMs = 700;

    explicit JournalWriter(JournalIo io = {}, int syncIntervalMs = kDefaultSyncIntervalMs);
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    /// Creates `dir` as needed and a new file in it named JournalFileName(startTime) (the next
    /// copy number when the name is taken; an existing file is never opened or replaced).
    /// Closes a file still open first.
    FileWriteResult Open(const std::string& dir, double startTime);
    /// Writes `bytes` (one or more whole lines, CR LF included) at the end of the file, and
    /// syncs when the last sync is at least the interval old (at once after a failure).
    /// Nothing is done when closed; the result then still says whether the journal failed.
    FileWriteResult Append(std::string_view bytes, std::int64_t nowMs);
    /// Syncs rows still waiting when the last sync is at least the interval old.
    FileWriteResult Tick(std::int64_t nowMs);
    /// Syncs rows still waiting now.
    FileWriteResult Sync();
    /// Syncs what is waiting and closes the file (its path stays known).
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    bool Failed() const { return m_failed; }
    /// Rows waiting for a sync.
    bool Pending() const { return m_pending; }
    /// The file of the latest Open (also after Close), or "".
    const std::string& Path() const { return m_path; }
    /// Whole lines the file holds (written since Open and not lost to a failure).
    int Lines() const { return m_lines; }
    /// Their bytes.
    off_t Size() const { return m_size; }

private:
    FileWriteResult OpenFailed(int code);
    /// A write or sync failed: the file goes back to the rows still good.
    FileWriteResult Fail(int code, bool syncFailed);

    JournalIo m_io;
    int m_syncIntervalMs;
    int m_fd = -1;
    std::string m_path;
    off_t m_size = 0;
    int m_lines = 0;
    off_t m_syncedSize = 0; ///< what the last good sync put on the disk
    int m_syncedLines = 0;
    bool m_pending = false;
    bool m_failed = false;
    std::optional<std::int64_t> m_lastSync; ///< steady ms
};

} // namespace core
