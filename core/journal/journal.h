// The journal: a folder of table files, one per record log, named by the log's start, so a
// log the user wanted kept is never lost. $XDG_DATA_HOME/vels5/journal/ (by default
// ~/.local/share/vels5/journal/).
#pragma once

#include "core/files/atomic_file.h"
#include "core/log/record_log.h"
#include "core/table/table_view.h"

#include <string>

namespace core {

/// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share (the home folder of
/// the user's account when HOME is unset). On Windows %LOCALAPPDATA%.
std::string DefaultDataHome();
/// "<dataHome>/vels5/journal": the journal folder.
std::string JournalDir(const std::string& dataHome);
/// The file name of a log that started at `startTime` (a date-time), local time:
/// "2026-01-31_14-05-09.txt"; `copy` 2, 3, ... gives "2026-01-31_14-05-09-2.txt".
std::string JournalFileName(double startTime, int copy = 1);

/// mkdir -p with mode 0777 minus the umask: true when `dir` is a folder afterwards; errno
/// tells why not otherwise.
bool MakeFolders(const std::string& dir);

/// Outcome of WriteLogToJournal: the file written, or why nothing was.
struct JournalWrite {
    FileWriteResult result;
    std::string path; ///< the file written (or the one that could not be)
    explicit operator bool() const { return result.ok; }
};

/// Writes records 0 to Count - 1 of `log` into `journalDir` (created as needed) as a table
/// file in the row format of `view`, named by the log's start time; a name already taken
/// gets the next copy number, so no earlier journal file is replaced. Through the atomic
/// writer: on failure no partial file is left.
JournalWrite WriteLogToJournal(const RecordLog& log, const TableView& view,
                               const std::string& journalDir);

} // namespace core
