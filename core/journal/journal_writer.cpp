// The live journal file: appends with write(2), fdatasync (FlushFileBuffers on Windows) at
// most every interval.
#include "core/journal/journal_writer.h"

#include "core/files/file_lock.h"
#include "core/files/sys_file.h"
#include "core/journal/journal.h"
#include "core/log/record_log.h"

#include <cerrno>

namespace core {

JournalWriter::JournalWriter(JournalIo io, int syncIntervalMs)
    : m_io(std::move(io)), m_syncIntervalMs(syncIntervalMs) {
    if (!m_io.write)
        m_io.write = [](int fd, const void* data, std::size_t size) {
            return sys::Write(fd, data, size);
        };
    if (!m_io.sync)
        m_io.sync = [](int fd) { return sys::SyncData(fd) ? 0 : -1; };
}

JournalWriter::~JournalWriter() {
    Close();
}

FileWriteResult JournalWriter::OpenFailed(int code) {
    if (m_fd >= 0)
        sys::Close(m_fd);
    m_fd = -1;
    m_failed = true;
    return {false, code, "Cannot create file " + m_path, SystemErrorText(code)};
}

FileWriteResult JournalWriter::Fail(int code, bool syncFailed) {
    if (syncFailed) {
        // What was not synced may be lost on the disk even though write(2) took it: those
        // rows are written again.
        m_size = m_syncedSize;
        m_lines = m_syncedLines;
    }
    // A part of a row would break the table file: cut it off again (the next Append does
    // it once more if this fails too).
    (void)sys::Truncate(m_fd, static_cast<std::int64_t>(m_size));
    m_pending = false;
    m_failed = true;
    return {false, code, "Cannot write file " + m_path, SystemErrorText(code)};
}

FileWriteResult JournalWriter::Open(const std::string& dir, double startTime) {
    Close();
    m_size = 0;
    m_lines = 0;
    m_syncedSize = 0;
    m_syncedLines = 0;
    m_failed = false;
    m_pending = false;
    m_lastSync.reset();
    m_path = dir;
    if (!MakeFolders(dir))
        return OpenFailed(errno);
    for (int copy = 1; copy < 1000 && m_fd < 0; ++copy) {
        m_path = dir + "/" + JournalFileName(startTime, copy);
        m_fd = sys::Open(m_path, sys::kWriteOnly | sys::kCreate | sys::kExclusive | sys::kAppend);
        if (m_fd < 0) {
            if (errno != EEXIST)
                return OpenFailed(errno);
            continue;
        }
        if (!LockOpenFile(m_fd))
            return OpenFailed(errno);
        // Between the create and the lock the empty file was unlocked: if another copy
        // deleted it meanwhile, this one is not the file of the name any more.
        sys::FileInfo mine, named;
        if (!sys::FileStat(m_fd, mine) || !sys::Stat(m_path, named, false) ||
            mine.inode != named.inode || mine.device != named.device) {
            sys::Close(m_fd);
            m_fd = -1;
            --copy; // the name is free again
        }
    }
    if (m_fd < 0)
        return OpenFailed(EEXIST);
    // The new name must survive a power cut too, not only the rows written into the file.
    sys::SyncFolder(dir);
    return {true, 0, {}, {}};
}

FileWriteResult JournalWriter::Append(std::string_view bytes, std::int64_t nowMs) {
    if (m_fd < 0)
        return {!m_failed, 0, {}, {}};
    if (m_failed) {
        // Catching up after a failure: from the rows still good, synced at once.
        if (!sys::Truncate(m_fd, static_cast<std::int64_t>(m_size)))
            return Fail(errno, false);
        m_lastSync.reset();
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = m_io.write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue; // a signal arrived before anything was written: try again
        if (n <= 0)
            return Fail(n < 0 ? errno : ENOSPC, false);
        done += static_cast<std::size_t>(n);
    }
    m_size += static_cast<off_t>(bytes.size());
    for (char c : bytes)
        m_lines += c == '\n';
    m_pending = true;
    m_failed = false;
    return Tick(nowMs);
}

FileWriteResult JournalWriter::Tick(std::int64_t nowMs) {
    if (!m_pending)
        return {!m_failed, 0, {}, {}};
    if (m_lastSync && nowMs - *m_lastSync < m_syncIntervalMs)
        return {true, 0, {}, {}};
    m_lastSync = nowMs;
    return Sync();
}

FileWriteResult JournalWriter::Sync() {
    if (m_fd < 0 || !m_pending)
        return {!m_failed, 0, {}, {}};
    if (m_io.sync(m_fd) != 0)
        return Fail(errno, true);
    m_pending = false;
    m_syncedSize = m_size;
    m_syncedLines = m_lines;
    return {true, 0, {}, {}};
}

void JournalWriter::Close() {
    if (m_fd < 0)
        return;
    (void)Sync();
    if (m_fd >= 0)
        sys::Close(m_fd);
    m_fd = -1;
}

} // namespace core
