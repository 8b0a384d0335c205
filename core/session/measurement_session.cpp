// The main window's measurement logic: modes, recording switch, record timer and restart.
#include "core/session/measurement_session.h"

#include "core/link/link_protocol.h"

#include <algorithm>
#include <utility>

namespace core {

// A public method under way: when the outermost one ends, the observers show the state.
class MeasurementSession::Call {
public:
    explicit Call(MeasurementSession& session) : m_session(session) { ++m_session.m_calls; }
    ~Call() {
        if (--m_session.m_calls == 0)
            m_session.Publish(&ISessionObserver::StateChanged);
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

private:
    MeasurementSession& m_session;
};

MeasurementSession::MeasurementSession(const IClock& clock)
    : m_clock(clock), m_receiver(m_status),
      m_journal(m_log, [this](const FileWriteResult& failed) { JournalFailed(failed); }) {}

// ---------------------------------------------------------------- link

void MeasurementSession::AddObserver(ISessionObserver& observer) {
    m_observers.push_back(&observer);
}

void MeasurementSession::RemoveObserver(ISessionObserver& observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), &observer),
                      m_observers.end());
}

void MeasurementSession::ReceiveBytes(std::span<const std::uint8_t> bytes) {
    const Call call(*this);
    // Processing a frame may run a modal question whose loop delivers more bytes here. Fed to
    // the receiver now, they would change the status area under the frame being processed
    // and be taken before the rest of the block that frame came in.
    if (m_processing) {
        Hold(bytes);
        return;
    }
    struct Processing {
        bool& flag;
        explicit Processing(bool& f) : flag(f) { flag = true; }
        ~Processing() { flag = false; }
    } processing(m_processing);
    Take(bytes);
    while (!m_held.empty()) {
        // Bytes that arrive while the held ones are taken are held anew.
        m_draining.clear();
        m_draining.swap(m_held);
        Take(m_draining);
    }
}

void MeasurementSession::Take(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const Received r = m_receiver.Push(bytes);
        bytes = bytes.subspan(r.consumed);
        if (IsValidFrame(r.what))
            OnValidFrame();
        if (r.what == Reception::Status)
            ProcessStatus();
    }
}

void MeasurementSession::Hold(std::span<const std::uint8_t> bytes) {
    // Reserved once, so a frame's processing does not allocate per arrival.
    if (m_held.capacity() < kHeldBytesLimit)
        m_held.reserve(kHeldBytesLimit);
    const std::size_t room = kHeldBytesLimit - m_held.size();
    const std::size_t n = bytes.size() < room ? bytes.size() : room;
    m_held.insert(m_held.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    m_droppedWhileBusy += bytes.size() - n;
}

void MeasurementSession::OnValidFrame() {
    ReArmWatchdog();
    m_silentCopies = 0;
    if (m_linkLost)
        OnLinkBack();
}

void MeasurementSession::Timer2Timer() {
    if (!m_timer2.running)
        return;
    const Call call(*this);
    OnLinkLost();
    // pStart lies in front of the other panels, so showing it hides whatever they show.
    m_view.pStart = true;
    m_view.lStart.text.assign(mode_text::kNoLink);
    StopTimer(m_timer2);
    StopTimer(m_timer1);
    m_lastMode = 0;
    Publish(&ISessionObserver::LinkLost);
}

void MeasurementSession::DeviceLost() {
    const Call call(*this);
    OnLinkLost();
    StopTimer(m_timer1);
}

// No frame comes for now. The records repeated since the last frame are marked as such; the
// grid stops here and no record is written until frames come again.
void MeasurementSession::OnLinkLost() {
    if (m_linkLost)
        return;
    m_linkLost = true;
    if (m_silentCopies > 0 && m_silentCopies <= m_log.Count()) {
        const int first = m_log.Count() - m_silentCopies;
        m_test.MarkCopied(m_log[first].T, m_log[m_log.Count() - 1].T);
        m_journal.MarksChanged(m_test.Marks());
    }
    m_silentCopies = 0;
    if (m_timer1.running)
        SkipGap();
}

// Frames come again after a lost link: the grid moves past the gap without a record in it,
// so T jumps over the gap and nothing measured afterwards is stamped inside it.
void MeasurementSession::OnLinkBack() {
    m_linkLost = false;
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
    ReArmWatchdog();
    m_lastMode = mode;
    if (mode & mode_bit::kStart) {
        m_view.pStart = true;
        m_view.pAdjust = m_view.pStab = m_view.pWork = false;
        // After a link loss lStart reads "Нет связи"; a start frame proves the link is back.
        m_view.lStart.text.assign(mode_text::kStart);
        StopTimer(m_timer1);
        m_view.bbRestart = false;
    }
    if (mode & mode_bit::kStabilisation) {
        m_view.pStart = m_view.pAdjust = m_view.pWork = false;
        m_view.pStab = true;
        StopTimer(m_timer1);
        m_view.bbRestart = false;
    }
    if (mode & mode_bit::kWork) {
        m_view.pStart = m_view.pAdjust = m_view.pStab = false;
        m_view.pWork = true;
        m_view.bbRestart = true;
    }
    if (mode & mode_bit::kAdjustment) {
        m_view.pStart = m_view.pStab = m_view.pWork = false;
        StopTimer(m_timer1);
        StopTimer(m_timer2);
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

// ---------------------------------------------------------------- record log

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
        m_silentCopies = 0;
    }
    m_log.Accumulate(m_clock.Read(), m_status.Ui(), density);
}

void MeasurementSession::Timer1Timer() {
    if (!m_timer1.running || m_recording.state != RecordingState::On || m_linkLost)
        return;
    const Call call(*this);
    const TickResult result = m_log.Tick(m_clock.Read(), m_params.wTimeStep, m_status.AnyFault());
    if (result.outcome == TickOutcome::Written) {
        m_silentCopies = result.copied ? m_silentCopies + 1 : 0;
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
    m_journal.RecordWritten(index, m_rowFormat, m_test.Marks(), m_clock.SteadyMs());
    UpdateTestOfLog();
    Publish(&ISessionObserver::RecordAdded, index);
}

void MeasurementSession::NewTest() {
    m_test.NewTest();
    m_test.SetLogSetup(m_params.fDist, m_params.wTimeStep);
}

void MeasurementSession::ResetLog() {
    const Call call(*this);
    m_journal.LogStarted(true, m_test.Marks());
    ShowElapsed(session_text::kTimeZero);
    m_log.SetCount(0);
    m_silentCopies = 0;
    NewTest();
    Publish(&ISessionObserver::LogReset);
    ReArmWatchdog();
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
    StopTimer(m_timer1);
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
    StopTimer(m_timer1);
}

// ---------------------------------------------------------------- port

void MeasurementSession::PortOpened() {
    const Call call(*this);
    m_portOpen = true;
    m_view.bbRestart = false;
    ReArmWatchdog();
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
    m_portOpen = false;
    m_view.bbRestart = false;
    StopTimer(m_timer1);
    StopTimer(m_timer2);
    m_recording.state = RecordingState::Unavailable;
    m_recording.miLinkCaption.assign(session_text::kDisableRecording);
    m_recording.enabled = false;
    Publish(&ISessionObserver::LinkLost);
}

void MeasurementSession::PortOpenFailed() {
    const Call call(*this);
    m_portOpen = false;
    m_view.bbRestart = false;
    StopTimer(m_timer1);
    StopTimer(m_timer2);
    Publish(&ISessionObserver::LinkLost);
}

// ---------------------------------------------------------------- fire test

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
    if (marks)
        m_test.Load(*marks);
    else
        m_test.NewTest();
    UpdateTestOfLog();
    Publish(&ISessionObserver::LogLoaded);
}

void MeasurementSession::PortDropped() {
    const Call call(*this);
    m_portOpen = false;
}

// ---------------------------------------------------------------- timers

void MeasurementSession::StartTimer1() {
    if (!m_timer1.running) {
        m_timer1.running = true;
        ++m_timer1.starts;
    }
}

void MeasurementSession::StopTimer(TimerCommand& timer) {
    timer.running = false;
    // No tick comes to sync what waits: it goes to the disk now.
    m_journal.Sync();
}

void MeasurementSession::ReArmWatchdog() {
    m_timer2.running = true;
    ++m_timer2.starts;
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

void MeasurementSession::DistanceSettled() {
    Publish(&ISessionObserver::DistanceChanged);
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
