// The session's journal: the live table file of the current log and its marks beside it.
#include "core/common/cp1251.h"
#include "core/session/measurement_session.h"
#include "core/table/table_row.h"

namespace core {

void MeasurementSession::SetJournal(std::string dir, JournalIo io) {
    EndJournal(false);
    m_journalDir = std::move(dir);
    m_journal = m_journalDir.empty() ? nullptr : std::make_unique<JournalWriter>(std::move(io));
}

std::string MeasurementSession::JournalPath() const {
    return m_journalLive ? m_journal->Path() : std::string();
}

bool MeasurementSession::JournalComplete() const {
    return m_journalLive && m_journal->IsOpen() && !m_journal->Failed() && !m_journalMarksFailed &&
           m_journal->Lines() == m_log.Count();
}

void MeasurementSession::LogSaved(const std::string& path) {
    if (!m_journalLive)
        return;
    m_journalSavedTo = path;
    WriteJournalMarks();
}

void MeasurementSession::EndLog() {
    EndJournal(true);
}

// Record `index` was written: its row goes into the journal, which a log's first record opens.
void MeasurementSession::JournalRecord(int index) {
    if (!m_journal || !m_journalThisLog)
        return;
    if (index == 0 && m_journalLive)
        EndJournal(false); // the log began again without a reset: a new file
    if (!m_journalLive) {
        // Tried again at each record after a failed open: a freed disk gets the whole log.
        const FileWriteResult opened = m_journal->Open(m_journalDir, m_log.StartTime());
        if (!opened) {
            JournalFailed(opened);
            return;
        }
        m_journalLive = true;
    }
    if (!m_journal->IsOpen())
        return;
    // Every row the journal lacks: after a failed write or sync (or a journal whose start was
    // missed) the ones since, so a freed disk gets the whole log again.
    const TableView format = m_host.RowFormat();
    std::string rows;
    for (int i = m_journal->Lines(); i <= index; ++i)
        rows += FormatTableRow(m_log[i], format.Delim, format.IsUnit, RowSpacing::LogFile) + "\r\n";
    const FileWriteResult written = m_journal->Append(Utf8ToCp1251(rows), m_clock.SteadyMs());
    if (!written)
        JournalFailed(written);
    // The saved file lacks this record: the journal is the only copy of it again.
    m_journalSavedTo.clear();
    // While the journal is behind, its marks say from which record on.
    WriteJournalMarks();
}

// A log begins (or a loaded one replaces it): the journal of the previous log is let go
// without its closing marker.
void MeasurementSession::StartJournalLog(bool journalled) {
    EndJournal(false);
    m_journalThisLog = journalled;
    m_journalClosed = false;
    m_journalMarksFailed = false;
    m_journalFailureTold = false;
    m_journalSavedTo.clear();
    m_journalMarks.reset();
}

void MeasurementSession::EndJournal(bool normally) {
    if (!m_journalLive)
        return;
    m_journal->Close();
    if (m_journal->Failed())
        JournalFailed({false, 0, "Cannot write file " + m_journal->Path(), {}});
    m_journalClosed = normally;
    WriteJournalMarks();
    m_journalLive = false;
}

// The marks file beside the journal, rewritten whenever what it would hold changes.
void MeasurementSession::WriteJournalMarks() {
    if (!m_journalLive)
        return;
    TestMarks marks = m_test.Marks();
    marks.closed = m_journalClosed;
    marks.offered = false;
    marks.savedTo = m_journalSavedTo;
    if (m_journal->Failed())
        marks.missingFrom = m_journal->Lines() + 1;
    if (m_journalMarks
            ? *m_journalMarks == marks
            : !HasMarks(marks) && !marks.closed && marks.savedTo.empty() && !marks.missingFrom)
        return;
    // Not written: m_journalMarks stays as it was, so the next record tries again.
    const FileWriteResult written =
        WriteFileAtomically(MarksPathFor(m_journal->Path()), FormatMarksFile(marks));
    m_journalMarksFailed = !written;
    if (!written) {
        JournalFailed(written);
        return;
    }
    m_journalMarks = std::move(marks);
}

void MeasurementSession::JournalFailed(const FileWriteResult& result) {
    if (m_journalFailureTold)
        return;
    m_journalFailureTold = true;
    std::string text{session_text::kJournalFailed};
    text += "\n" + result.Message();
    m_host.NotifyJournalFailure(text);
}

} // namespace core
