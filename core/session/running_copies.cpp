// The running copies' folder: a locked empty file per copy and a note beside it.
#include "core/session/running_copies.h"

#include "core/files/atomic_file.h"
#include "core/files/file_lock.h"
#include "core/files/file_read.h"
#include "core/files/sys_file.h"
#include "core/journal/journal.h"

#include <algorithm>
#include <cerrno>

namespace core {
namespace {

constexpr std::string_view kLockExt = ".lock";
constexpr std::string_view kNoteExt = ".txt";
constexpr std::string_view kPortKey = "port=";
constexpr std::string_view kJournalKey = "journal=";

// "port=COM3" and "journal=<path>", CR LF after each (a path holds no line break).
RunningCopy ParseNote(const std::string& bytes) {
    RunningCopy copy;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string::npos)
            end = bytes.size();
        std::string_view line(bytes.data() + at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.substr(0, kPortKey.size()) == kPortKey)
            copy.port = line.substr(kPortKey.size());
        else if (line.substr(0, kJournalKey.size()) == kJournalKey)
            copy.journal = line.substr(kJournalKey.size());
        at = end + 1;
    }
    return copy;
}

std::string WithoutLineBreaks(const std::string& text) {
    std::string out = text;
    out.erase(std::remove_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }),
              out.end());
    return out;
}

} // namespace

std::string RunningDir(const std::string& dataHome) {
    return dataHome + "/vels5/running";
}

CopyRegistration::~CopyRegistration() {
    Unregister();
}

void CopyRegistration::Unregister() {
    if (m_fd < 0)
        return;
    // The note first: a note without its lock file is never read.
    (void)RemoveFileIfPresent(m_dir + "/" + m_name + std::string(kNoteExt));
    (void)RemoveFileIfPresent(m_dir + "/" + m_name + std::string(kLockExt));
    sys::Close(m_fd);
    m_fd = -1;
    m_name.clear();
}

bool CopyRegistration::Register(const std::string& dir) {
    if (m_fd >= 0)
        return true;
    if (!MakeFolders(dir))
        return false;
    m_dir = dir;
    const std::string pid = std::to_string(sys::ProcessId());
    for (int n = 1; n < 100 && m_fd < 0; ++n) {
        // Another copy with this number (a process of another pid namespace) gets "-2", ...
        const std::string name = n == 1 ? pid : pid + "-" + std::to_string(n);
        const std::string path = dir + "/" + name + std::string(kLockExt);
        if (FileInUse(path))
            continue;
        const int fd = sys::Open(path, sys::kReadOnly | sys::kCreate | sys::kNoFollow);
        if (fd < 0)
            return false;
        if (!LockOpenFile(fd)) {
            sys::Close(fd);
            return false;
        }
        // A clean-up by another copy may have removed the file before the lock was taken.
        sys::FileInfo mine, named;
        if (!sys::FileStat(fd, mine) || !sys::Stat(path, named, false) ||
            mine.inode != named.inode || mine.device != named.device) {
            sys::Close(fd);
            --n;
            continue;
        }
        m_fd = fd;
        m_name = name;
    }
    if (m_fd < 0)
        return false;
    Write();
    return true;
}

void CopyRegistration::Note(const std::string& port, const std::string& journal) {
    if (port == m_port && journal == m_journal)
        return;
    m_port = port;
    m_journal = journal;
    if (m_fd >= 0)
        Write();
}

void CopyRegistration::Write() {
    const std::string note = std::string(kPortKey) + WithoutLineBreaks(m_port) + "\r\n" +
                             std::string(kJournalKey) + WithoutLineBreaks(m_journal) + "\r\n";
    // Not durable beyond the rename: after a power cut nobody runs anyway.
    (void)WriteFileAtomically(m_dir + "/" + m_name + std::string(kNoteExt), note);
}

std::vector<RunningCopy> OtherRunningCopies(const std::string& dir, const std::string& self) {
    std::vector<std::string> names;
    std::vector<std::string> files;
    if (sys::ListFolder(dir, files)) {
        for (const std::string_view file : files) {
            if (file.ends_with(kLockExt) && file.size() > kLockExt.size())
                names.emplace_back(file.substr(0, file.size() - kLockExt.size()));
        }
    }
    std::sort(names.begin(), names.end());
    std::vector<RunningCopy> copies;
    for (const std::string& name : names) {
        if (name == self)
            continue;
        const std::string lockPath = dir + "/" + name + std::string(kLockExt);
        const std::string notePath = dir + "/" + name + std::string(kNoteExt);
        const FileLock lock(lockPath);
        if (lock.Held()) {
            // Its copy ended without removing its files.
            (void)RemoveFileIfPresent(notePath);
            (void)RemoveFileIfPresent(lockPath);
            continue;
        }
        if (!lock.InUse())
            continue;
        std::string bytes;
        RunningCopy copy = ReadWholeFile(notePath, bytes, read_limit::kSettings) ? ParseNote(bytes)
                                                                                 : RunningCopy{};
        copy.name = name;
        copies.push_back(std::move(copy));
    }
    return copies;
}

std::string OtherCopiesQuestion(const std::vector<RunningCopy>& copies) {
    std::string text = "Программа уже запущена";
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const RunningCopy& c = copies[i];
        text += i == 0 ? " (" : ", (";
        text += c.port.empty() ? "порт не открыт" : "порт " + c.port;
        text += c.journal.empty() ? ", журнал не пишется" : ", журнал " + c.journal;
        text += ")";
    }
    return text + ". Запустить ещё одну копию?";
}

} // namespace core
