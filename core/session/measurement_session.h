// The main window's measurement state without the widgets: status area and receiver, mode
// panels, record log, recording switch, timers and the restart command.
#pragma once

#include "core/common/clock.h"
#include "core/common/prompts.h"
#include "core/files/save_offer.h"
#include "core/fire/fire_test.h"
#include "core/journal/session_journal.h"
#include "core/link/status_area.h"
#include "core/log/record_log.h"
#include "core/session/measurement_params.h"
#include "core/session/mode_view.h"
#include "core/session/reconnect.h"
#include "core/session/session_link.h"
#include "core/session/session_observer.h"
#include "core/session/session_view.h"
#include "core/table/table_rows.h"
#include "core/table/table_view.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace core {

/// The measurement logic of the program. The main window forwards its events to the handlers
/// below (same names as its own); what changes is announced to the observers
/// (core/session/session_observer.h), which show View(), Recording(), TimeText(), the log and
/// the test, and apply Timer1()/Timer2(). Owns the status area, the receiver and the record
/// log; the clock, the prompts and the observers must outlive it. GUI thread only. Large (the
/// log): allocate it once, for the whole run.
class MeasurementSession final {
public:
    explicit MeasurementSession(const IClock& clock);
    MeasurementSession(const MeasurementSession&) = delete;
    MeasurementSession& operator=(const MeasurementSession&) = delete;

    // --- Observers and what the session needs from outside
    /// `observer` is told every change from now on, after the observers added before it.
    void AddObserver(ISessionObserver& observer);
    void RemoveObserver(ISessionObserver& observer);
    /// The prompts the save offer asks with; without them (nullptr, the default) a log is
    /// discarded unasked.
    void SetPrompts(IPrompts* prompts) { m_prompts = prompts; }
    /// The delimiter and unit choice of the table's rows: the format of the journal's rows
    /// and of the log saved by the save offer. Set whenever it changes.
    void SetRowFormat(const TableView& format) { m_rowFormat = format; }
    const TableView& RowFormat() const { return m_rowFormat; }

    // --- Link (MyCOMRxChar, Timer2Timer)
    /// Received bytes, in order: unstuffed and checked; each valid frame re-arms the watchdog,
    /// each status frame is copied into the status area and runs ProcessStatus. Bytes that
    /// arrive while a frame is being processed are held (SessionLink::Receive).
    void ReceiveBytes(std::span<const std::uint8_t> bytes);
    static constexpr std::size_t kHeldBytesLimit = SessionLink::kHeldBytesLimit;
    std::uint64_t BytesDroppedWhileBusy() const { return m_link.BytesDroppedWhileBusy(); }
    /// Fault-free work frames left out of the log because Ui or Di / fDist is not a finite
    /// value within the float range.
    std::uint64_t BadValueFrames() const { return m_badValueFrames; }
    /// The watchdog expired: pStart reads "Нет связи", Timer1 and Timer2 stop, LastMode 0,
    /// LinkLost is announced.
    /// A tick of a watchdog that is stopped here (one already queued when it stopped) does
    /// nothing. The link counts as lost (below).
    void Timer2Timer();
    /// The open device has vanished: the link counts as lost at once, Timer1 stops; the
    /// watchdog still tells the user.
    ///
    /// While the link is lost no record is written. Records repeated since the last valid
    /// frame (intervals without frames before the loss was known) are marked in the test as
    /// copied. The next valid frame ends the loss: the grid moves to the present without a
    /// record for the gap, so T jumps over it, as over a fault. The first record after it
    /// marks the gap in the test, from the last record before it (TestMarks::gaps).
    void DeviceLost();
    /// No valid frame has come since the watchdog fired or the device vanished.
    bool LinkLost() const { return m_link.Lost(); }

    // --- The wait for the meter (core/session/reconnect.h)
    /// While a port is chosen, a lost link (the watchdog, a vanished device) begins a wait
    /// for the meter instead of ending anything: the log, its journal and the test stay,
    /// and recording goes on into them with the first frames after the wait. Nothing is
    /// asked. The wait ends with the next valid frame, or when the user leaves the port.
    bool Waiting() const { return m_reconnect.Waiting(); }
    /// Waiting, and the port must be opened again (its device vanished).
    bool NeedsReopen() const { return m_reconnect.NeedsReopen(); }
    /// True, at most once a second, when the window should try to open the port again (the
    /// same COM entry with the same line settings); it then calls PortReopened on success.
    bool ReopenDue();
    /// The port of the wait was opened again: the watchdog is re-armed; the log, the
    /// recording state and the test go on as they were.
    void PortReopened();
    /// The window must tick ReopenDue and show WaitText at least once a second.
    bool WaitShown() const { return m_reconnect.Active(m_clock.SteadyMs()); }
    /// The status line of the wait: "Ожидание устройства… 00:12", then "Связь восстановлена
    /// (разрыв 8 с)" for a few seconds, otherwise "".
    std::string WaitText() const { return m_reconnect.Text(m_clock.SteadyMs()); }
    /// The wait's state.
    const Reconnect& Wait() const { return m_reconnect; }

    // --- Modes
    /// Updates the view, timers and log from the status area (after each status frame).
    void ProcessStatus();

    // --- Record log
    /// Adds the status area's Ui and Di / fDist to the accumulator.
    void Accumulate();
    /// The record timer's tick (every 300 ms while Timer1 runs). A tick while Timer1 is
    /// stopped here does nothing: entering adjustment stops it before the save offer, whose
    /// modal loop may still deliver a tick.
    void Timer1Timer();
    /// Empties the log: "Ti= 00:00:00", Count 0, a new test, LogReset announced, watchdog
    /// re-armed. The accumulator is kept.
    void ResetLog();
    /// Asks "Сохранить данные?" and may save the log (which may set its Count to 0): the flow
    /// of core/files/save_offer.h with the row format, the journal folder and the test's
    /// marks. SaveOffered is announced first, even for an empty log. Forced on entering
    /// adjustment, where Failed keeps the log and anything else empties it.
    SaveAnswer OfferSaveLog(LogDiscard discard);

    // --- Recording switch and restart
    /// miLinkClick: pauses when on, resumes (after OfferSaveLog) when paused.
    void miLinkClick();
    /// bbEnRecClick with the button's new position: down pauses, up resumes. After a refused
    /// resume the view says the button is down again.
    void bbEnRecClick(bool down);
    /// bbRestartClick (also after OK in the distance and period dialogs): OfferSaveLog; on
    /// go on ResetLog, send the restart frame C0 22 00 EE, stop Timer1.
    void bbRestartClick();

    // --- Port transitions (TxClick)
    /// A port was opened: recording on, watchdog started, ResetLog; a wait ends.
    void PortOpened();
    /// "Выкл" chosen: recording unavailable, both timers stopped, LinkLost announced; a wait
    /// ends and the log stays.
    void PortClosed();
    /// During a wait the user chose another port: OfferSaveLog first, and on go on the log
    /// ends (its journal is closed) before the other port opens and resets it. False: the
    /// user cancelled, the wait goes on. True at once when there is no wait.
    bool LeaveWait();
    /// Opening a port failed (the previous one is closed): both timers stopped, bbRestart
    /// disabled, LinkLost announced; the recording state is left as it was.
    void PortOpenFailed();
    /// The port was closed with the port list refreshed ("Обновить"): the recording controls
    /// and timers keep their state.
    void PortDropped();
    /// A port is open (opened and not closed since): no table file may be loaded.
    bool PortOpen() const { return m_link.PortOpen(); }

    // --- Fire test of the current log
    /// The test: its marks, verdict and end. Edits made directly on it (fire, detectors,
    /// undo, a moved fire start) take effect with the next UpdateTest. A reset of the log
    /// (ResetLog, or a new log beginning at Accumulate) starts a new test, which takes the
    /// distance and period the log is recorded with.
    FireTest& Test() { return m_test; }
    const FireTest& Test() const { return m_test; }
    /// A fire start or an alarm can be marked now: a port is open and a log is being built.
    bool CanMark() const;
    /// The log time now, seconds to 0,1 (0 before the first record).
    double LogSecondsNow() const;
    /// "Пуск пожара": the fire starts now. False (nothing changes) when nothing can be marked.
    bool StartFire();
    /// "Сработал" of detector `index` now, its threshold m = Di / fDist of the latest status
    /// frame. False when nothing can be marked or there is no such detector.
    bool MarkAlarm(int index);
    /// Re-evaluates the verdict and the end of the test against the log.
    void UpdateTest();
    /// A table file was loaded into the log: the marks read beside it replace the test, or,
    /// with none, a new test begins.
    void LogLoaded(const TestMarks* marks);
    /// Changes whenever another log takes the place of the current one (a reset, a new log
    /// begun by the meter, a table loaded): what a view keeps of a log (the graph's pan) goes
    /// with it.
    std::uint32_t LogNumber() const { return m_log.Generation(); }

    // --- Journal of the current log (core/journal/session_journal.h)
    /// Journals every log built from now on into `dir`: a new file at the first record of a
    /// log, a row per record, the fire test's marks in its ".test.txt". "" (the default)
    /// journals nothing. `io` replaces the system calls (tests). A loaded table file gets no
    /// journal: it is on disk already.
    void SetJournal(std::string dir, JournalIo io = {});
    /// The journal file of the current log, "" when it has none.
    std::string JournalPath() const;
    /// The journal holds every record of the current log and its marks, so it can stand in
    /// for a save.
    bool JournalComplete() const;
    /// The user saved the current log to the table file `path`: the journal notes it (a
    /// journal that is closed, saved and old may be cleaned up). A record written after the
    /// save takes the note back.
    void LogSaved(const std::string& path);
    /// The table window wrote `rows` to the table file `path`: only a file with every record
    /// of the log, in order, stands for the log (LogSaved); any other leaves the journal as
    /// it is.
    void TableSaved(const std::string& path, const TableRows& rows);
    /// The log ends normally (the program closes): its journal gets the closing marker.
    void EndLog();

    // --- State the window shows
    /// The distance is settled for now (the settings were read at start, the distance
    /// dialog was closed, whatever its answer): DistanceChanged is announced, so every
    /// "Li=" label shows Params().fDist.
    void DistanceSettled();
    const ModeView& View() const { return m_view; }
    const RecordingView& Recording() const { return m_recording; }
    /// The main window's "Ti=" label lTime.
    const std::string& TimeText() const { return m_timeText; }
    const TimerCommand& Timer1() const { return m_timer1; }
    const TimerCommand& Timer2() const { return m_link.Watchdog(); }

    // --- Owned data
    StatusArea& Status() { return m_status; }
    const StatusArea& Status() const { return m_status; }
    RecordLog& Log() { return m_log; }
    const RecordLog& Log() const { return m_log; }
    MeasurementParams& Params() { return m_params; }
    const MeasurementParams& Params() const { return m_params; }
    const LinkReceiver& Receiver() const { return m_link.Receiver(); }
    std::uint8_t LastMode() const { return m_lastMode; }
    std::uint16_t Blink() const { return m_blink; }

private:
    class Call;
    /// Calls `event` with `args` on every observer, in the order they were added.
    template <typename... Params, typename... Args>
    void Publish(void (ISessionObserver::*event)(Params...), const Args&... args) {
        for (ISessionObserver* observer : m_observers)
            (observer->*event)(args...);
    }

    void OnReception(Reception what);
    void OnLinkLost();
    void SkipGap();
    void RecordWritten();
    /// The test's verdict and end against the log, its marks into the journal.
    void UpdateTestOfLog();
    void ModeChange(std::uint8_t mode);
    bool WorkView(std::uint8_t mode);
    void Pause();
    void Resume();
    void StopAtLimit();
    void NewTest();
    void ShowElapsed(std::string_view text);
    void StartTimer1();
    void StopTimer1();
    void StopWatchdog();
    std::span<const MeasurementRecord> Records() const;
    void JournalFailed(const FileWriteResult& result);

    const IClock& m_clock;
    std::vector<ISessionObserver*> m_observers;
    IPrompts* m_prompts = nullptr;
    TableView m_rowFormat;
    int m_calls = 0; ///< session methods under way (StateChanged goes out when the last ends)
    StatusArea m_status;
    SessionLink m_link; ///< after m_status, which it fills
    RecordLog m_log;
    MeasurementParams m_params;
    FireTest m_test;
    ModeView m_view;
    RecordingView m_recording;
    std::string m_timeText{session_text::kTimeZero};
    TimerCommand m_timer1;
    std::uint8_t m_lastMode = 0;
    std::uint16_t m_blink = 0;
    std::uint64_t m_badValueFrames = 0;
    SessionJournal m_journal;
    Reconnect m_reconnect;
    /// Frames came back after a lost link: the T of the last record before the gap, until
    /// the first record after it marks the gap in the test.
    std::optional<int> m_gapFromT;
};

} // namespace core
