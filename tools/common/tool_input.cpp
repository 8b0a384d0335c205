#include "tools/common/tool_input.h"

#include "core/files/file_read.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tool_input {

namespace {

// Standard input may be a pipe: it is read as it comes, up to the same limit.
bool ReadStdin(std::string& bytes) {
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        if (bytes.size() + n > core::read_limit::kTable) {
            errno = EFBIG;
            return false;
        }
        bytes.append(buffer, n);
    }
    if (std::ferror(stdin)) {
        errno = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

} // namespace

bool ReadInput(std::string_view tool, const std::string& path, std::string& bytes) {
    errno = 0;
    int code = 0;
    if (path == "-") {
        if (ReadStdin(bytes))
            return true;
        code = errno;
    } else {
        // A file: regular only and bounded, as the windows read it (a FIFO or /dev/zero
        // named by mistake is refused at once instead of hanging or filling the memory).
        const core::FileReadResult read =
            core::ReadWholeFile(path, bytes, core::read_limit::kTable);
        if (read)
            return true;
        code = read.errorCode;
    }
    std::fprintf(stderr, "%.*s: cannot read %s: %s\n", static_cast<int>(tool.size()), tool.data(),
                 path.c_str(), std::strerror(code != 0 ? code : EIO));
    return false;
}

void SayRefused(std::string_view tool, const std::string& path, const std::string& message,
                int line) {
    std::fprintf(stderr, "%.*s: %s: %s", static_cast<int>(tool.size()), tool.data(), path.c_str(),
                 message.c_str());
    if (line > 0)
        std::fprintf(stderr, " (line %d)", line);
    std::fputc('\n', stderr);
}

} // namespace tool_input
