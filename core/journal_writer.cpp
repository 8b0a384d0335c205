// The live journal file: appends with write(2), fdatasync at most every interval.
#include "core/journal_writer.h"

#include "core/journal.h"
#include "core/record_log.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace core {

JournalWriter::JournalWriter(JournalIo io, int syncIntervalMs)
    : m_io(std::move(io)), m_syncIntervalMs(syncIntervalMs) {
    if (!m_io.write)
        m_io.write = [](int fd, const void* data, std::size_t size) {
            return ::write(fd, data, size);
        };
    if (!m_io.sync)
        m_io.sync = [](int fd) { return ::fdatasync(fd); };
}

JournalWriter::~JournalWriter() {
    Close();
}

FileWriteResult JournalWriter::Fail(int code, const std::string& what) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_pending = false;
    m_failed = true;
    return {false, code, what + " " + m_path, SystemErrorText(code)};
}

FileWriteResult JournalWriter::Open(const std::string& dir, double startTime) {
    Close();
    m_size = 0;
    m_lines = 0;
    m_failed = false;
    m_pending = false;
    m_lastSync.reset();
    m_path = dir;
    if (!MakeFolders(dir))
        return Fail(errno, "Cannot create file");
    for (int copy = 1; copy < 1000; ++copy) {
        m_path = dir + "/" + JournalFileName(startTime, copy);
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
        if (m_fd >= 0)
            break;
        if (errno != EEXIST)
            return Fail(errno, "Cannot create file");
    }
    if (m_fd < 0)
        return Fail(EEXIST, "Cannot create file");
    // The new name must survive a power cut too, not only the rows written into the file.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    return {true, 0, {}, {}};
}

FileWriteResult JournalWriter::Append(std::string_view bytes, std::int64_t nowMs) {
    if (m_fd < 0)
        return {!m_failed, 0, {}, {}};
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = m_io.write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue; // a signal arrived before anything was written: try again
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;
            // A part of a row would break the table file: cut it off again.
            (void)::ftruncate(m_fd, m_size);
            return Fail(code, "Cannot write file");
        }
        done += static_cast<std::size_t>(n);
    }
    m_size += static_cast<off_t>(bytes.size());
    for (char c : bytes)
        m_lines += c == '\n';
    m_pending = true;
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
        return Fail(errno, "Cannot write file");
    m_pending = false;
    return {true, 0, {}, {}};
}

void JournalWriter::Close() {
    if (m_fd < 0)
        return;
    (void)Sync();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace core
