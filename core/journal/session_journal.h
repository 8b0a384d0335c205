// The journal of the log being recorded: its live table file in the journal folder and the
// marks file beside it, with the state that says which log the file belongs to.
#pragma once

#include "core/files/atomic_file.h"
#include "core/fire/fire_marks.h"
#include "core/journal/journal_writer.h"
#include "core/log/record_log.h"
#include "core/table/table_view.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace core {

/// Journals every log built here into a folder: a new file at the first record of a log, a
/// row per record, and beside it the marks file ("<file>.test.txt") with the fire test's
/// marks and the journal's own state (closed, saved to, rows missing). A log that was loaded
/// from a table file gets no journal: it is on disk already.
///
/// A journal that cannot be written is told once per log through the failure callback, with
/// the result of the write that failed; recording goes on in memory, and each later record
/// tries again, so a freed disk gets the whole log. Keeps `log` by reference; it must outlive
/// the journal. GUI thread only.
class SessionJournal {
public:
    using FailureNotice = std::function<void(const FileWriteResult& failed)>;

    SessionJournal(const RecordLog& log, FailureNotice notice);
    ~SessionJournal();
    SessionJournal(const SessionJournal&) = delete;
    SessionJournal& operator=(const SessionJournal&) = delete;

    /// Journals the logs from now on into `dir` ("" journals nothing); the file of the current
    /// log is let go without its closing marker. `io` replaces the system calls (tests).
    void SetDir(std::string dir, const TestMarks& marks, JournalIo io = {});
    /// A new log begins (or a loaded one replaces the current one): the journal of the previous
    /// log is let go without its closing marker. `journalled`: the log is built here.
    void LogStarted(bool journalled, const TestMarks& marks);
    /// Record `index` of the log was written: its row, and every row the file lacks before it,
    /// go into the journal in `format`; the log's first record opens a new file. `nowMs` is the
    /// steady clock (ms). The saved-to note goes: the saved file lacks this record.
    void RecordWritten(int index, const TableView& format, const TestMarks& marks,
                       std::int64_t nowMs);
    /// The test's marks may have changed: the marks file follows.
    void MarksChanged(const TestMarks& marks);
    /// The user saved the log to the table file `path`.
    void SavedTo(const std::string& path, const TestMarks& marks);
    /// The log ends: `normally` (the program closes, a new log is begun after the save offer)
    /// gives the closing marker.
    void End(bool normally, const TestMarks& marks);
    /// Syncs waiting rows when the interval has passed (the record timer's tick), or now.
    void Tick(std::int64_t nowMs);
    void Sync();

    /// The folder the logs are journalled into ("" for none).
    const std::string& Dir() const { return m_dir; }
    /// The journal file of the current log, "" when it has none.
    std::string Path() const;
    /// The journal holds every record of the current log and its marks, so it can stand in
    /// for a save.
    bool Complete() const;

private:
    void WriteMarks(const TestMarks& marks);
    void Failed(const FileWriteResult& result);

    const RecordLog& m_log;
    FailureNotice m_notice;
    std::string m_dir;
    std::unique_ptr<JournalWriter> m_writer;
    bool m_thisLog = true; ///< the current log is built here, so it is journalled
    bool m_live = false;   ///< the writer's file belongs to the current log
    bool m_closed = false;
    bool m_marksFailed = false;
    bool m_failureTold = false;
    std::string m_savedTo;
    /// The marks file as last written.
    struct Written {
        TestMarks test;
        JournalMarks journal;
    };
    std::optional<Written> m_written;
};

} // namespace core
