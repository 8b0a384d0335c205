// Whole-file reads of the files the program reads back (settings, table, template, journal,
// marks): only regular files, each kind within the largest size it can validly have, opened
// so that no special file (a FIFO, a device) can block the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace core {

/// The largest file of each kind that is read, in bytes. A valid file is far smaller: the
/// settings file has 33 lines of at most a few dozen bytes, a table, template or journal
/// file at most 32,767 lines of under 100 bytes as the writers make them.
namespace read_limit {
inline constexpr std::size_t kSettings = 64 * 1024;
inline constexpr std::size_t kMarks = 1024 * 1024;
/// Table, journal and template files: 32,767 lines of up to 256 bytes.
inline constexpr std::size_t kTable = 32'767 * 256;
} // namespace read_limit

/// Why a file was not read.
enum class ReadFailure : std::uint8_t {
    None,
    CannotOpen, ///< absent, no permission, ...: errorCode tells
    NotRegular, ///< a folder (EISDIR), FIFO, socket or device (EINVAL)
    TooLarge,   ///< more than the kind's limit (EFBIG)
    ReadError,  ///< reading failed part way: errorCode tells
};

/// Outcome of ReadWholeFile.
struct FileReadResult {
    ReadFailure failure = ReadFailure::None;
    int errorCode = 0; ///< errno of the failing step, 0 on success
    explicit operator bool() const { return failure == ReadFailure::None; }
};

/// Reads the whole of the regular file `path` into `bytes` (cleared first; on failure it is
/// left empty). Anything but a regular file is refused without being read, and a file longer
/// than `maxBytes` is refused without reading more than `maxBytes` + 1 bytes of it. Never
/// blocks on a FIFO or a device: the file is opened without blocking and checked before
/// anything is read. Any thread.
FileReadResult ReadWholeFile(const std::string& path, std::string& bytes,
                             std::size_t maxBytes = read_limit::kTable);

} // namespace core
