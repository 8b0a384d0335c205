// The fire test of the session's log: marks made now, the verdict, a loaded table's marks.
#include "core/session/measurement_session.h"
#include "core/session/session_call.h"

namespace core {

std::span<const MeasurementRecord> MeasurementSession::Records() const {
    return {&m_log[0], static_cast<std::size_t>(m_log.Count())};
}

bool MeasurementSession::CanMark() const {
    return m_recording.state != RecordingState::Unavailable && m_log.NSamples() >= 0;
}

double MeasurementSession::LogSecondsNow() const {
    return LogSecondsAt(m_log, m_clock.Read());
}

bool MeasurementSession::StartFire() {
    if (!CanMark())
        return false;
    const Call call(*this);
    m_test.StartFire(LogSecondsNow());
    UpdateTest();
    return true;
}

bool MeasurementSession::MarkAlarm(int index) {
    if (!CanMark())
        return false;
    const Call call(*this);
    const float m = static_cast<float>(static_cast<double>(m_status.Di()) /
                                       static_cast<double>(m_params.fDist));
    if (!m_test.MarkAlarm(index, LogSecondsNow(), m))
        return false;
    UpdateTest();
    return true;
}

void MeasurementSession::UpdateTest() {
    const Call call(*this);
    UpdateTestOfLog();
    Publish(&ISessionObserver::TestChanged);
}

void MeasurementSession::UpdateTestOfLog() {
    m_test.Update(Records());
    m_journal.MarksChanged(m_test.Marks());
}

void MeasurementSession::LogLoaded(const TestMarks* marks) {
    const Call call(*this);
    // The log that was replaced without a question keeps an unfinished journal.
    m_journal.LogStarted(false, m_test.Marks());
    m_gapFromT.reset();
    if (marks)
        m_test.Load(*marks);
    else
        m_test.NewTest();
    UpdateTestOfLog();
    Publish(&ISessionObserver::LogLoaded);
}

} // namespace core
