// Whole-file reads limited to regular files of a bounded size.
#include "core/files/file_read.h"

#include "core/files/sys_file.h"

#include <cerrno>

namespace core {
namespace {

// Opens `path` for reading without ever blocking (a FIFO without a writer, a terminal
// waiting for its carrier), accepts it only when it is a regular file, and reports its size.
class RegularFile {
public:
    RegularFile(const std::string& path, FileReadResult& result) {
        m_fd = sys::Open(path, sys::kReadOnly);
        if (m_fd < 0) {
            result = {ReadFailure::CannotOpen, errno};
            return;
        }
        sys::FileInfo st;
        if (!sys::FileStat(m_fd, st)) {
            result = {ReadFailure::CannotOpen, errno};
            return;
        }
        if (!st.regular) {
            result = {ReadFailure::NotRegular, st.folder ? EISDIR : EINVAL};
            return;
        }
        m_size = st.size > 0 ? static_cast<std::size_t>(st.size) : 0;
        m_open = true;
    }
    ~RegularFile() {
        if (m_fd >= 0)
            sys::Close(m_fd);
    }
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool IsOpen() const { return m_open; }
    std::size_t Size() const { return m_size; }
    /// Bytes read into `buffer`, 0 at the end, -1 with errno on failure.
    long Read(char* buffer, std::size_t size) { return sys::Read(m_fd, buffer, size); }

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
