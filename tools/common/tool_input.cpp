#include "tools/common/tool_input.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tool_input {

namespace {

bool ReadAll(const std::string& path, std::string& bytes) {
    std::FILE* in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (!in)
        return false;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        bytes.append(buffer, n);
    const bool ok = !std::ferror(in);
    if (in != stdin)
        std::fclose(in);
    return ok;
}

} // namespace

bool ReadInput(std::string_view tool, const std::string& path, std::string& bytes) {
    errno = 0;
    if (ReadAll(path, bytes))
        return true;
    std::fprintf(stderr, "%.*s: cannot read %s: %s\n", static_cast<int>(tool.size()), tool.data(),
                 path.c_str(), std::strerror(errno != 0 ? errno : EIO));
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
