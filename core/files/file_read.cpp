// Whole-file reads limited to regular files of a bounded size.
#include "core/files/file_read.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {
namespace {

// The platform's part: opens `path` for reading without ever blocking (a FIFO without a
// writer, a terminal waiting for its carrier), accepts it only when it is a regular file,
// and reports its size. A Windows build puts CreateFileW with FILE_FLAG_OVERLAPPED and a
// GetFileType(FILE_TYPE_DISK) check here; the rest of the reader stays as it is.
class RegularFile {
public:
    RegularFile(const std::string& path, FileReadResult& result) {
        m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0) {
            result = {ReadFailure::CannotOpen, errno};
            return;
        }
        struct stat st {};
        if (fstat(m_fd, &st) != 0) {
            result = {ReadFailure::CannotOpen, errno};
            return;
        }
        if (!S_ISREG(st.st_mode)) {
            result = {ReadFailure::NotRegular, S_ISDIR(st.st_mode) ? EISDIR : EINVAL};
            return;
        }
        m_size = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
        // Reads of a regular file do not block anyway; clearing the flag keeps them whole.
        const int flags = fcntl(m_fd, F_GETFL);
        if (flags >= 0)
            fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK);
        m_open = true;
    }
    ~RegularFile() {
        if (m_fd >= 0)
            close(m_fd);
    }
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool IsOpen() const { return m_open; }
    std::size_t Size() const { return m_size; }
    /// Bytes read into `buffer`, 0 at the end, -1 with errno on failure.
    long Read(char* buffer, std::size_t size) {
        for (;;) {
            const ssize_t n = read(m_fd, buffer, size);
            if (n >= 0 || errno != EINTR)
                return static_cast<long>(n);
        }
    }

private:
    int m_fd = -1;
    bool m_open = false;
    std::size_t m_size = 0;
};

} // namespace

FileReadResult ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes) {
    bytes.clear();
    FileReadResult result;
    RegularFile file(path, result);
    if (!file.IsOpen())
        return result;
    if (file.Size() > maxBytes)
        return {ReadFailure::TooLarge, EFBIG};
    bytes.reserve(file.Size());
    // The size may change while it is read (a journal being written): the limit holds for
    // the bytes actually read.
    char buffer[16384];
    for (;;) {
        const long n = file.Read(buffer, sizeof buffer);
        if (n < 0) {
            result = {ReadFailure::ReadError, errno};
            break;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
            result = {ReadFailure::TooLarge, EFBIG};
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    if (!result)
        std::string().swap(bytes);
    return result;
}

} // namespace core
