// The journal of the log being recorded: rows as records are written, marks beside them.
#include "core/journal/session_journal.h"

#include "core/common/cp1251.h"
#include "core/table/table_row.h"

namespace core {

SessionJournal::SessionJournal(const RecordLog& log, FailureNotice notice)
    : m_log(log), m_notice(std::move(notice)) {}

SessionJournal::~SessionJournal() = default;

void SessionJournal::SetDir(std::string dir, const TestMarks& marks, JournalIo io) {
    End(false, marks);
    m_dir = std::move(dir);
    m_writer = m_dir.empty() ? nullptr : std::make_unique<JournalWriter>(std::move(io));
}

std::string SessionJournal::Path() const {
    return m_live ? m_writer->Path() : std::string();
}

bool SessionJournal::Complete() const {
    return m_live && m_writer->IsOpen() && !m_writer->Failed() && !m_marksFailed &&
           m_writer->Lines() == m_log.Count();
}

void SessionJournal::SavedTo(const std::string& path, const TestMarks& marks) {
    if (!m_live)
        return;
    m_savedTo = path;
    WriteMarks(marks);
}

void SessionJournal::RecordWritten(int index, const TableView& format, const TestMarks& marks,
                                   std::int64_t nowMs) {
    if (!m_writer || !m_thisLog)
        return;
    if (index == 0 && m_live)
        End(false, marks); // the log began again without a reset: a new file
    if (!m_live) {
        // Tried again at each record after a failed open: a freed disk gets the whole log.
        const FileWriteResult opened = m_writer->Open(m_dir, m_log.StartTime());
        if (!opened) {
            Failed(opened);
            return;
        }
        m_live = true;
    }
    if (!m_writer->IsOpen())
        return;
    // Every row the journal lacks: after a failed write or sync (or a journal whose start was
    // missed) the ones since, so a freed disk gets the whole log again.
    std::string rows;
    for (int i = m_writer->Lines(); i <= index; ++i)
        rows += FormatTableRow(m_log[i], format.Delim, format.IsUnit, RowSpacing::LogFile) + "\r\n";
    const FileWriteResult written = m_writer->Append(Utf8ToCp1251(rows), nowMs);
    if (!written)
        Failed(written);
    // The saved file lacks this record: the journal is the only copy of it again.
    m_savedTo.clear();
    // While the journal is behind, its marks say from which record on.
    WriteMarks(marks);
}

void SessionJournal::MarksChanged(const TestMarks& marks) {
    WriteMarks(marks);
}

void SessionJournal::LogStarted(bool journalled, const TestMarks& marks) {
    End(false, marks);
    m_thisLog = journalled;
    m_closed = false;
    m_marksFailed = false;
    m_failureTold = false;
    m_savedTo.clear();
    m_written.reset();
}

void SessionJournal::End(bool normally, const TestMarks& marks) {
    if (!m_live)
        return;
    m_writer->Close();
    if (m_writer->Failed())
        Failed({false, 0, "Cannot write file " + m_writer->Path(), {}});
    m_closed = normally;
    WriteMarks(marks);
    m_live = false;
}

void SessionJournal::Tick(std::int64_t nowMs) {
    if (!m_writer || !m_writer->Pending())
        return;
    if (const FileWriteResult synced = m_writer->Tick(nowMs); !synced)
        Failed(synced);
}

void SessionJournal::Sync() {
    if (!m_writer || !m_writer->Pending())
        return;
    if (const FileWriteResult synced = m_writer->Sync(); !synced)
        Failed(synced);
}

// The marks file beside the journal, rewritten whenever what it would hold changes.
void SessionJournal::WriteMarks(const TestMarks& marks) {
    if (!m_live)
        return;
    JournalMarks journal;
    journal.closed = m_closed;
    journal.savedTo = m_savedTo;
    if (m_writer->Failed())
        journal.missingFrom = m_writer->Lines() + 1;
    if (m_written ? m_written->test == marks && m_written->journal == journal
                  : !HasMarks(marks) && journal.Empty())
        return;
    // Not written: what was last written stays, so the next record tries again.
    const FileWriteResult written =
        WriteFileAtomically(MarksPathFor(m_writer->Path()), FormatMarksFile(marks, journal));
    m_marksFailed = !written;
    if (!written) {
        Failed(written);
        return;
    }
    m_written = Written{marks, std::move(journal)};
}

void SessionJournal::Failed(const FileWriteResult& result) {
    if (m_failureTold)
        return;
    m_failureTold = true;
    if (m_notice)
        m_notice(result);
}

} // namespace core
