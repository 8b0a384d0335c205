// The session's record log: accumulation, the record timer, reset, the save offer, the journal.
#include "core/session/measurement_session.h"
#include "core/session/session_call.h"

#include <string>
#include <utility>

namespace core {

void MeasurementSession::Accumulate() {
    const Call call(*this);
    const double density = static_cast<double>(m_status.Di()) / static_cast<double>(m_params.fDist);
    // A NaN or an infinity (or a density beyond the float range) would make the record and
    // its journal line unreadable: such a frame is left out and counted.
    if (!RecordLog::Recordable(m_status.Ui(), density)) {
        ++m_badValueFrames;
        return;
    }
    if (m_log.NSamples() < 0) {
        // A new log begins with this frame; the old one was dropped without a question, so
        // its journal stays unfinished and is offered at the next start.
        NewTest();
        m_journal.LogStarted(true, m_test.Marks());
        m_link.LogStarted();
    }
    m_log.Accumulate(m_clock.Read(), m_status.Ui(), density);
}

void MeasurementSession::Timer1Timer() {
    if (!m_timer1.running || m_recording.state != RecordingState::On || m_link.Lost())
        return;
    const Call call(*this);
    const TickResult result = m_log.Tick(m_clock.Read(), m_params.wTimeStep, m_status.AnyFault());
    if (result.outcome == TickOutcome::Written) {
        m_link.RecordWritten(result.copied);
        RecordWritten();
    }
    if (m_log.Count() > 0) {
        ShowElapsed(ElapsedText(m_log.ElapsedSeconds()));
    }
    m_journal.Tick(m_clock.SteadyMs());
    if (result.limitReached)
        StopAtLimit();
}

// The newest record reaches the journal, the test, the table and the graph.
void MeasurementSession::RecordWritten() {
    const int index = m_log.Count() - 1;
    if (m_gapFromT && m_log[index].T > *m_gapFromT)
        m_test.MarkGap(*m_gapFromT, m_log[index].T);
    m_gapFromT.reset();
    m_journal.RecordWritten(index, m_rowFormat, m_test.Marks(), m_clock.SteadyMs());
    UpdateTestOfLog();
    Publish(&ISessionObserver::RecordAdded, index);
}

void MeasurementSession::NewTest() {
    m_gapFromT.reset();
    m_test.NewTest();
    m_test.SetLogSetup(m_params.fDist, m_params.wTimeStep);
}

void MeasurementSession::ResetLog() {
    const Call call(*this);
    m_journal.LogStarted(true, m_test.Marks());
    ShowElapsed(session_text::kTimeZero);
    m_log.SetCount(0);
    m_link.LogStarted();
    NewTest();
    Publish(&ISessionObserver::LogReset);
    m_link.ReArmWatchdog();
}

void MeasurementSession::ShowElapsed(std::string_view text) {
    m_timeText.assign(text);
    Publish(&ISessionObserver::ElapsedTimeChanged, text);
}

SaveAnswer MeasurementSession::OfferSaveLog(LogDiscard discard) {
    const Call call(*this);
    Publish(&ISessionObserver::SaveOffered, discard);
    if (!m_prompts)
        return SaveAnswer::GoOn;
    const int before = m_log.Count();
    // A journal that holds the whole log stands in for the copy written on a forced discard.
    const std::string live = JournalComplete() ? JournalPath() : std::string();
    std::string savedTo;
    SaveAnswer answer;
    {
        // What the question's modal loop delivers (serial events, ticks) is shown as it comes.
        struct Restore {
            int& calls;
            int value;
            ~Restore() { calls = value; }
        } restore{m_calls, std::exchange(m_calls, 0)};
        answer = core::OfferSaveLog(m_log, m_rowFormat, discard, *m_prompts, m_journal.Dir(),
                                    &m_test.Marks(), live, &savedTo);
    }
    if (!savedTo.empty())
        LogSaved(savedTo);
    if (before > 0 && m_log.Count() == 0)
        Publish(&ISessionObserver::LogReset);
    return answer;
}

// The log cannot take another record: recording pauses, so nothing is overwritten and the
// user can save the log and resume with a new one.
void MeasurementSession::StopAtLimit() {
    Pause();
    Publish(&ISessionObserver::Notice, SessionNotice::LogFull, session_text::kLogFull);
}

// ---------------------------------------------------------------- journal

void MeasurementSession::SetJournal(std::string dir, JournalIo io) {
    m_journal.SetDir(std::move(dir), m_test.Marks(), std::move(io));
}

std::string MeasurementSession::JournalPath() const {
    return m_journal.Path();
}

bool MeasurementSession::JournalComplete() const {
    return m_journal.Complete();
}

void MeasurementSession::LogSaved(const std::string& path) {
    m_journal.SavedTo(path, m_test.Marks());
}

void MeasurementSession::TableSaved(const std::string& path, const TableRows& rows) {
    if (rows.ShowsWholeLog(m_log))
        LogSaved(path);
}

void MeasurementSession::EndLog() {
    m_journal.End(true, m_test.Marks());
}

void MeasurementSession::JournalFailed(const FileWriteResult& result) {
    std::string text{session_text::kJournalFailed};
    text += "\n" + result.Message();
    Publish(&ISessionObserver::Notice, SessionNotice::JournalFailed, text);
}

} // namespace core
