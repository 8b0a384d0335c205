// The journal folder and the table files written into it.
#include "core/journal/journal.h"

#include "core/common/date_time.h"
#include "core/files/sys_file.h"
#include "core/table/table_row.h"

#include <cerrno>
#include <cstdio>

namespace core {

bool MakeFolders(const std::string& dir) {
    const std::string separators = sys::FolderSeparators();
    // From the second character on: a leading "/" (or "\\" of a share) is no folder to make.
    for (std::size_t slash = dir.find_first_of(separators, 1);;
         slash = dir.find_first_of(separators, slash + 1)) {
        const std::string part = dir.substr(0, slash);
        // "C:" (a drive) cannot be made and needs not be.
        const bool drive = part.size() == 2 && part[1] == ':';
        if (!drive && !part.empty() && !sys::MakeFolder(part) && errno != EEXIST) {
            // Windows refuses to make a folder that is there but not ours (EACCES).
            int code = errno;
            sys::FileInfo there;
            if (!sys::Stat(part, there) || !there.folder) {
                // Windows tells a file in the way as a missing path: say what Linux says.
                const std::size_t up = part.find_last_of(separators);
                if (code == ENOENT && up != std::string::npos && up > 0 &&
                    sys::Stat(part.substr(0, up), there) && !there.folder)
                    code = ENOTDIR;
                errno = code;
                return false;
            }
        }
        if (slash == std::string::npos)
            break;
    }
    sys::FileInfo st;
    if (!sys::Stat(dir, st))
        return false;
    if (!st.folder) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

std::string JournalDir(const std::string& dataHome) {
    return dataHome + "/vels5/journal";
}

std::string JournalFileName(double startTime, int copy) {
    std::string text = FormatFileStamp(startTime);
    if (copy > 1)
        text += "-" + std::to_string(copy);
    return text + ".txt";
}

JournalWrite WriteLogToJournal(const RecordLog& log, const TableView& view,
                               const std::string& journalDir) {
    JournalWrite write;
    if (!MakeFolders(journalDir)) {
        const int code = errno;
        write.result = {false, code, "Cannot create file " + journalDir, SystemErrorText(code)};
        write.path = journalDir;
        return write;
    }
    int copy = 1;
    do {
        write.path = journalDir + "/" + JournalFileName(log.StartTime(), copy++);
    } while (sys::Exists(write.path) && copy < 1000);
    write.result = WriteFileAtomically(write.path, FormatLogFile(log, view.Delim, view.IsUnit));
    return write;
}

} // namespace core
