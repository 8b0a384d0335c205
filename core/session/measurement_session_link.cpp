// The session on the link: received bytes, the watchdog, a lost link and the port's changes.
#include "core/session/measurement_session.h"
#include "core/session/session_call.h"

namespace core {

void MeasurementSession::ReceiveBytes(std::span<const std::uint8_t> bytes) {
    const Call call(*this);
    m_link.Receive(bytes);
}

void MeasurementSession::OnReception(Reception what) {
    if (IsValidFrame(what))
        m_reconnect.FrameCame(m_clock.SteadyMs());
    if (IsValidFrame(what) && m_link.FrameCame()) {
        // Frames come again after a lost link: the grid moves past the gap without a record
        // in it, so T jumps over the gap and nothing measured afterwards is stamped inside it.
        SkipGap();
        // The gap runs from the last record before it to the first after it.
        if (m_recording.state == RecordingState::On && m_log.NSamples() >= 0 && m_log.Count() > 0)
            m_gapFromT = m_log[m_log.Count() - 1].T;
    }
    if (what == Reception::Status)
        ProcessStatus();
}

void MeasurementSession::Timer2Timer() {
    if (!m_link.Watchdog().running)
        return;
    const Call call(*this);
    OnLinkLost();
    if (m_link.PortOpen())
        m_reconnect.Lost(m_clock.SteadyMs(), false);
    // pStart lies in front of the other panels, so showing it hides whatever they show.
    m_view.pStart = true;
    m_view.lStart.text.assign(mode_text::kNoLink);
    StopWatchdog();
    StopTimer1();
    m_lastMode = 0;
    Publish(&ISessionObserver::LinkLost);
}

void MeasurementSession::DeviceLost() {
    const Call call(*this);
    OnLinkLost();
    StopTimer1();
    if (m_link.PortOpen())
        m_reconnect.Lost(m_clock.SteadyMs(), true);
}

// No frame comes for now. The records repeated since the last frame are marked as such; the
// grid stops here and no record is written until frames come again.
void MeasurementSession::OnLinkLost() {
    const std::optional<int> copies = m_link.Lose();
    if (!copies)
        return;
    if (*copies > 0 && *copies <= m_log.Count()) {
        const int first = m_log.Count() - *copies;
        m_test.MarkCopied(m_log[first].T, m_log[m_log.Count() - 1].T);
        m_journal.MarksChanged(m_test.Marks());
    }
    if (m_timer1.running)
        SkipGap();
}

void MeasurementSession::SkipGap() {
    if (m_recording.state != RecordingState::On)
        return;
    const TickResult result =
        m_log.SkipGap(m_clock.Read(), m_params.wTimeStep, m_status.AnyFault());
    if (result.outcome == TickOutcome::Written)
        RecordWritten();
    if (result.limitReached)
        StopAtLimit();
}

// ---------------------------------------------------------------- the wait

bool MeasurementSession::ReopenDue() {
    return m_link.PortOpen() && m_reconnect.ReopenDue(m_clock.SteadyMs());
}

void MeasurementSession::PortReopened() {
    const Call call(*this);
    m_reconnect.Reopened();
    // Frames can come again: if none does, the watchdog says so as after an opening.
    m_link.ReArmWatchdog();
}

bool MeasurementSession::LeaveWait() {
    if (!m_reconnect.Waiting())
        return true;
    const Call call(*this);
    if (OfferSaveLog(LogDiscard::Cancellable) != SaveAnswer::GoOn)
        return false;
    m_journal.End(true, m_test.Marks());
    m_reconnect.Stop();
    return true;
}

// ---------------------------------------------------------------- port

void MeasurementSession::PortOpened() {
    const Call call(*this);
    m_reconnect.Stop();
    m_link.SetPortOpen(true);
    m_view.bbRestart = false;
    m_link.ReArmWatchdog();
    m_recording.state = RecordingState::On;
    m_recording.miLinkCaption.assign(session_text::kDisableRecording);
    m_recording.enabled = true;
    // The button follows the state: left down from an earlier pause it would claim that
    // recording is paused while it is on.
    m_recording.bbEnRecHint.assign(session_text::kDisableRecording);
    m_recording.bbEnRecDown = false;
    ResetLog();
}

void MeasurementSession::PortClosed() {
    const Call call(*this);
    m_reconnect.Stop();
    m_link.SetPortOpen(false);
    m_view.bbRestart = false;
    StopTimer1();
    StopWatchdog();
    m_recording.state = RecordingState::Unavailable;
    m_recording.miLinkCaption.assign(session_text::kDisableRecording);
    m_recording.enabled = false;
    Publish(&ISessionObserver::LinkLost);
}

void MeasurementSession::PortOpenFailed() {
    const Call call(*this);
    m_reconnect.Stop();
    m_link.SetPortOpen(false);
    m_view.bbRestart = false;
    StopTimer1();
    StopWatchdog();
    Publish(&ISessionObserver::LinkLost);
}

void MeasurementSession::PortDropped() {
    const Call call(*this);
    m_reconnect.Stop();
    m_link.SetPortOpen(false);
}

} // namespace core
