// Whole-file writes that never leave a half-written file behind: the bytes go to a
// temporary file in the target's folder, are flushed to disk, and replace the target by rename.
#pragma once

#include "core/files/file_read.h" // ReadWholeFile, the reading counterpart

#include <string>
#include <string_view>
#include <vector>

namespace core {

/// Outcome of an atomic write.
struct FileWriteResult {
    bool ok = false;
    int errorCode = 0;  ///< errno of the failing step, 0 on success
    std::string error;  ///< "Cannot create file <path>" on failure
    std::string reason; ///< strerror text of errorCode (C locale), without a full stop
    explicit operator bool() const { return ok; }
    /// What the user is told of a failure: `error` as the first line, unchanged, and the
    /// reason on the line below it (just `error` when there is no reason).
    std::string Message() const { return reason.empty() ? error : error + "\n" + reason; }
};

/// Writes `bytes` as the whole content of `path`. On any failure the earlier file at `path`
/// (if any) is left untouched and no temporary file remains. A new file gets mode 0666 minus
/// the umask; an existing file keeps its mode. Any thread; concurrent writers of the same
/// path each leave one complete version.
FileWriteResult WriteFileAtomically(const std::string& path, std::string_view bytes);

/// A temporary file of an atomic write is kept this long (seconds since its last change)
/// before a later write into its folder removes it as left behind by a killed program.
inline constexpr int kStaleTempSeconds = 3600;

/// Removes the temporary files of atomic writes (".<name>.tmp-<pid>-<n>-<ns>") that a killed
/// program left in `dir`: only regular files of that naming, unchanged for kStaleTempSeconds
/// and not locked. A writer holds the lock of its temporary file from just after creating it
/// to its close, and the two moments it is unlocked (before the lock, between the close and
/// the rename) follow a change of the file at once, so the age covers them. Every successful
/// WriteFileAtomically does this for its folder. The paths removed.
std::vector<std::string> RemoveStaleTempFiles(const std::string& dir);

/// Removes `path`; a file that is not there counts as removed. On failure `error` is
/// "Cannot delete file <path>".
FileWriteResult RemoveFileIfPresent(const std::string& path);
/// The system's text for an errno value in the C locale, without a trailing full stop
/// ("No space left on device").
std::string SystemErrorText(int code);

} // namespace core
