// The wait for the meter after its link was lost while its port stays chosen: when to try
// the port again, and the status line that tells the user.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

/// Texts of the wait (UTF-8).
namespace reconnect_text {
/// Followed by the time since the last frame, "Ожидание устройства… 01:05".
inline constexpr std::string_view kWaiting = "Ожидание устройства…";
/// "Связь восстановлена (разрыв 8 с)": the seconds from the last frame before the loss to
/// the first after it.
inline constexpr std::string_view kRestored = "Связь восстановлена";
} // namespace reconnect_text

/// The state of the wait. Times are readings of the steady clock in milliseconds; the owner
/// passes them in and ticks the wait at least once a second while Active(). Nothing here
/// sleeps or polls by itself. GUI thread only.
///
/// A wait begins when frames stop coming (Lost) and ends with the next valid frame
/// (FrameCame) or when the user leaves the port (Stop). While the port's device is gone,
/// ReopenDue says at most once per kRetryMs that the port should be opened again.
class Reconnect {
public:
    /// The least time between two attempts to open the port again.
    static constexpr std::int64_t kRetryMs = 1000;
    /// How long "Связь восстановлена" stays after the wait ended.
    static constexpr std::int64_t kRestoredShownMs = 5000;

    /// Frames stopped coming at `nowMs`. `deviceGone`: the port's device vanished, so the port
    /// must be opened again before frames can come. The time since the loss is counted from
    /// the last valid frame when one came. Called again during a wait, it keeps the wait's
    /// start and adds the need to reopen.
    void Lost(std::int64_t nowMs, bool deviceGone);
    /// A valid frame came at `nowMs`: a wait under way ends and "Связь восстановлена" shows
    /// for kRestoredShownMs.
    void FrameCame(std::int64_t nowMs);
    /// The user chose "Выкл" or another port: no wait, nothing shown.
    void Stop();

    /// The link is lost and no frame has come since.
    bool Waiting() const { return m_waiting; }
    /// Waiting, and the port's device is gone: the port is closed until it is opened again.
    bool NeedsReopen() const { return m_waiting && m_reopen; }
    /// True (once per kRetryMs) when the port should be tried now; the attempt counts as made.
    bool ReopenDue(std::int64_t nowMs);
    /// The port was opened again: frames can come (the wait goes on until one does).
    void Reopened() { m_reopen = false; }

    /// The owner must tick: a wait is under way or its end is still shown.
    bool Active(std::int64_t nowMs) const;
    /// The status line at `nowMs`: "Ожидание устройства… 00:12" while waiting,
    /// "Связь восстановлена (разрыв 8 с)" for a while after, otherwise "".
    std::string Text(std::int64_t nowMs) const;
    /// Whole seconds of the latest gap between frames that ended a wait, if any.
    std::optional<int> LastGapSec() const { return m_lastGapSec; }

private:
    bool m_waiting = false;
    bool m_reopen = false;
    std::int64_t m_lostMs = 0;                 ///< the last frame before the loss (or the loss)
    std::optional<std::int64_t> m_lastFrameMs; ///< the latest valid frame
    std::optional<std::int64_t> m_lastTryMs;   ///< the latest reopen attempt of this wait
    std::optional<std::int64_t> m_restoredMs;  ///< when the latest wait ended
    std::optional<int> m_lastGapSec;
};

} // namespace core
