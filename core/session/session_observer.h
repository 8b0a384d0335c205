// What the measurement session announces to those who show it: the windows (through one Qt
// adapter), the decoder's replay, the benchmarks and the fuzz target.
#pragma once

#include "core/files/save_offer.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace core {

/// A notice the session has for the user, shown once per occasion.
enum class SessionNotice : std::uint8_t {
    LogFull,       ///< the log reached its limit and recording stopped
    JournalFailed, ///< the journal of the current log cannot be written; recording goes on
};

/// Receives what changed in a MeasurementSession. Every method has an empty default, so an
/// observer overrides only what it shows. All calls come on the GUI thread, from inside a
/// session method, in the order the session's state changed; an observer reads the rest from
/// the session. An observer must not add or remove observers from inside a call.
class ISessionObserver {
public:
    /// Record `index` was written (the log's Count is index + 1), its journal row and the
    /// test's verdict are up to date.
    virtual void RecordAdded(int /*index*/) {}
    /// The log was emptied: by a reset (a restart, resuming, entering adjustment, a port
    /// opened) or by the save offer that saved it.
    virtual void LogReset() {}
    /// A table file took the place of the log, with its marks in the test.
    virtual void LogLoaded() {}
    /// The "Ti=" text of the log's elapsed time: the newest record's time, or "Ti= 00:00:00".
    virtual void ElapsedTimeChanged(std::string_view /*text*/) {}
    /// A status frame was copied into the status area (before its mode is processed).
    virtual void StatusReceived() {}
    /// No frames come any more (the watchdog expired, the port was closed or failed to open):
    /// what shows the meter's values drops them until the next status frame.
    virtual void LinkLost() {}
    /// The fire test's marks were edited (a fire start, an alarm, a change made on the test).
    virtual void TestChanged() {}
    /// A session method has finished: the mode view, the recording switch, the timers, the
    /// time text and the port state may have changed. Sent once per outermost call.
    virtual void StateChanged() {}
    /// The session is about to offer to save the log before it is discarded; the question
    /// (asked only when the log has records) runs a modal loop. Timers the session stopped
    /// for it are stopped in Timer1()/Timer2() already and must be applied now.
    virtual void SaveOffered(LogDiscard /*discard*/) {}
    /// The distance labels ("Li=") are to show Params().fDist: after the settings were read
    /// at start and after the distance dialog, changed or not.
    virtual void DistanceChanged() {}
    /// A notice for the user (UTF-8), sent at most once per occasion.
    virtual void Notice(SessionNotice /*kind*/, std::string_view /*text*/) {}
    /// A complete frame to write to the open port (the restart command).
    virtual void SendFrame(std::span<const std::uint8_t> /*frame*/) {}

protected:
    ~ISessionObserver() = default;
};

} // namespace core
