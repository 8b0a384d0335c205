// The main window's measurement logic: observers, modes, recording switch, restart, timers.
#include "core/session/measurement_session.h"

#include "core/link/link_protocol.h"
#include "core/session/session_call.h"

#include <algorithm>

namespace core {

MeasurementSession::MeasurementSession(const IClock& clock)
    : m_clock(clock), m_link(m_status, [this](Reception what) { OnReception(what); }),
      m_journal(m_log, [this](const FileWriteResult& failed) { JournalFailed(failed); }) {}

void MeasurementSession::AddObserver(ISessionObserver& observer) {
    m_observers.push_back(&observer);
}

void MeasurementSession::RemoveObserver(ISessionObserver& observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), &observer),
                      m_observers.end());
}

void MeasurementSession::DistanceSettled() {
    Publish(&ISessionObserver::DistanceChanged);
}

// ---------------------------------------------------------------- modes

void MeasurementSession::ProcessStatus() {
    const Call call(*this);
    Publish(&ISessionObserver::StatusReceived);
    const std::uint8_t mode = m_status.Mode();
    if (m_lastMode != (mode & 0x0F))
        ModeChange(mode & 0x0F);
    if ((mode & mode_bit::kWork) && !WorkView(mode))
        return;
    if (mode & mode_bit::kAdjustment)
        ShowAdjustment(m_view, m_status, m_blink);
    if (mode & mode_bit::kStabilisation)
        ShowStabilisation(m_view, m_status);
}

void MeasurementSession::ModeChange(std::uint8_t mode) {
    m_link.ReArmWatchdog();
    m_lastMode = mode;
    if (mode & mode_bit::kStart) {
        m_view.pStart = true;
        m_view.pAdjust = m_view.pStab = m_view.pWork = false;
        // After a link loss lStart reads "Нет связи"; a start frame proves the link is back.
        m_view.lStart.text.assign(mode_text::kStart);
        StopTimer1();
        m_view.bbRestart = false;
    }
    if (mode & mode_bit::kStabilisation) {
        m_view.pStart = m_view.pAdjust = m_view.pWork = false;
        m_view.pStab = true;
        StopTimer1();
        m_view.bbRestart = false;
    }
    if (mode & mode_bit::kWork) {
        m_view.pStart = m_view.pAdjust = m_view.pStab = false;
        m_view.pWork = true;
        m_view.bbRestart = true;
    }
    if (mode & mode_bit::kAdjustment) {
        m_view.pStart = m_view.pStab = m_view.pWork = false;
        StopTimer1();
        StopWatchdog();
        m_view.bbRestart = false;
        // Entering adjustment ends the measurement: the log is saved or journalled unless the
        // user said No; only when even that failed does it stay for another try.
        if (OfferSaveLog(LogDiscard::Forced) != SaveAnswer::Failed) {
            m_journal.End(true, m_test.Marks());
            ResetLog();
        }
        m_view.pError = true; // the adjustment view decides between pAdjust and pError
    }
}

// Returns false when the frame ends ProcessStatus (a measurement under way in the meter).
bool MeasurementSession::WorkView(std::uint8_t mode) {
    if (mode & mode_bit::kMeasuring) {
        ShowMeasurement(m_view);
        m_log.SetIdle();
        return false;
    }
    StartTimer1();
    m_view.bbRestart = true;
    if (ShowWork(m_view, m_status) && m_recording.state == RecordingState::On)
        Accumulate();
    return true;
}

// ---------------------------------------------------------------- recording switch

void MeasurementSession::miLinkClick() {
    const Call call(*this);
    if (m_recording.state == RecordingState::On)
        Pause();
    else if (m_recording.state == RecordingState::Paused)
        Resume();
}

void MeasurementSession::bbEnRecClick(bool down) {
    const Call call(*this);
    if (down && m_recording.state == RecordingState::On)
        Pause();
    else if (!down && m_recording.state == RecordingState::Paused)
        Resume();
}

void MeasurementSession::Pause() {
    m_recording.miLinkCaption.assign(session_text::kEnableRecording);
    m_recording.bbEnRecHint.assign(session_text::kEnableRecording);
    m_recording.state = RecordingState::Paused;
    m_recording.bbEnRecDown = true;
    StopTimer1();
}

void MeasurementSession::Resume() {
    if (OfferSaveLog(LogDiscard::Cancellable) != SaveAnswer::GoOn) {
        m_recording.bbEnRecDown = true;
        return;
    }
    m_journal.End(true, m_test.Marks());
    ResetLog();
    m_recording.miLinkCaption.assign(session_text::kDisableRecording);
    m_recording.bbEnRecHint.assign(session_text::kDisableRecording);
    m_recording.bbEnRecDown = false;
    m_recording.state = RecordingState::On;
    m_log.SetIdle();
}

void MeasurementSession::bbRestartClick() {
    const Call call(*this);
    if (OfferSaveLog(LogDiscard::Cancellable) != SaveAnswer::GoOn)
        return;
    m_journal.End(true, m_test.Marks());
    ResetLog();
    Publish(&ISessionObserver::SendFrame, kRestartFrame);
    StopTimer1();
}

// ---------------------------------------------------------------- timers

void MeasurementSession::StartTimer1() {
    m_timer1.Start();
}

// No tick comes to sync what waits: it goes to the disk now.
void MeasurementSession::StopTimer1() {
    m_timer1.running = false;
    m_journal.Sync();
}

void MeasurementSession::StopWatchdog() {
    m_link.StopWatchdog();
    m_journal.Sync();
}

} // namespace core
