// The journal folder and the table files written into it.
#include "core/journal/journal.h"

#include "core/common/date_time.h"
#include "core/table/table_row.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {
namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

} // namespace

bool MakeFolders(const std::string& dir) {
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

std::string DefaultDataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return std::string(home) + "/.local/share";
}

std::string JournalDir(const std::string& dataHome) {
    return dataHome + "/vels5/journal";
}

std::string JournalFileName(double startTime, int copy) {
    const DateTimeFields f = DecodeDateTime(startTime);
    char name[64];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d-%02d-%02d", f.year, f.month, f.day,
                  f.hour, f.minute, f.second);
    std::string text = name;
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
    } while (Exists(write.path) && copy < 1000);
    write.result = WriteFileAtomically(write.path, FormatLogFile(log, view.Delim, view.IsUnit));
    return write;
}

} // namespace core
