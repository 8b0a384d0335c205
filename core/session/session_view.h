// What the measurement session shows besides the mode panels: the recording switch, the
// timers as the window should run them and the texts of both.
#pragma once

#include "core/session/panel_text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

/// Texts of the recording switch and the elapsed-time labels (UTF-8).
namespace session_text {
inline constexpr std::string_view kDisableRecording = "Запретить запись";
inline constexpr std::string_view kEnableRecording = "Разрешить запись";
inline constexpr std::string_view kTimeZero = kElapsedZero;
inline constexpr std::string_view kLogFull = "Журнал заполнен, запись остановлена";
/// First line of the notice of a journal that cannot be written.
inline constexpr std::string_view kJournalFailed =
    "Журнал испытания не записывается на диск, запись продолжается только в памяти. "
    "Сохраните таблицу.";
} // namespace session_text

/// Recording state: the Tag of miLink.
enum class RecordingState : std::uint8_t { Unavailable = 0, On = 1, Paused = 2 };

/// A timer as the window should run it. Apply: when `starts` changed, (re)start the timer
/// (stop and start: a full interval from now); when `running` is false, stop it.
struct TimerCommand {
    bool running = false;
    std::uint32_t starts = 0; ///< incremented by every start and re-arm
    bool operator==(const TimerCommand&) const = default;

    /// Starts the timer unless it runs.
    void Start() {
        if (!running)
            ReArm();
    }
    /// (Re)starts it: a full interval from now.
    void ReArm() {
        running = true;
        ++starts;
    }
};

/// The recording switch as shown: miLink (Tag, caption, enabled) and bbEnRec (hint, down,
/// enabled).
struct RecordingView {
    RecordingState state = RecordingState::Unavailable;
    std::string miLinkCaption{session_text::kDisableRecording};
    std::string bbEnRecHint{session_text::kDisableRecording};
    bool bbEnRecDown = false;
    bool enabled = false; ///< miLink and bbEnRec
    bool operator==(const RecordingView&) const = default;
};

} // namespace core
