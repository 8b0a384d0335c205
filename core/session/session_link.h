// The measurement session's side of the link to the meter: the bytes into frames (held while a
// frame is being processed), the watchdog, the open port and the loss of frames, in one place.
#pragma once

#include "core/link/link_receiver.h"
#include "core/link/status_area.h"
#include "core/session/session_view.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace core {

/// The link's state as the session keeps it. It writes no record and shows nothing: it says
/// what happened, and the session acts on the log, the test and the journal. GUI thread only.
class SessionLink {
public:
    /// Called with every reception of the receiver, in the order of the bytes.
    using ReceptionHandler = std::function<void(Reception)>;

    /// Status frames are copied into `status`, which must outlive the link.
    SessionLink(StatusArea& status, ReceptionHandler onReception);
    SessionLink(const SessionLink&) = delete;
    SessionLink& operator=(const SessionLink&) = delete;

    // --- Bytes
    /// Received bytes, in order: unstuffed, checked and reported to the handler. Bytes that
    /// arrive while the handler runs (a modal question keeps the serial events coming) are
    /// held and taken in order once it returns, so the status area never changes under it;
    /// beyond kHeldBytesLimit held bytes the rest are dropped and counted, and the receiver
    /// picks up again at a later frame start.
    void Receive(std::span<const std::uint8_t> bytes);
    /// Bytes held at most while a frame is being processed: about 17 s of a saturated line.
    static constexpr std::size_t kHeldBytesLimit = 65536;
    /// Bytes dropped because they arrived while a frame was being processed and the held
    /// bytes had reached their limit.
    std::uint64_t BytesDroppedWhileBusy() const { return m_droppedWhileBusy; }
    const LinkReceiver& Receiver() const { return m_receiver; }

    // --- Watchdog (Timer2) and port
    const TimerCommand& Watchdog() const { return m_watchdog; }
    void ReArmWatchdog() { m_watchdog.ReArm(); }
    void StopWatchdog() { m_watchdog.running = false; }
    /// A port is open (opened and not closed since).
    bool PortOpen() const { return m_portOpen; }
    void SetPortOpen(bool open) { m_portOpen = open; }

    // --- Loss of frames
    /// A valid frame came: the watchdog is re-armed and no record since is a copy. True when
    /// the frame ends a loss.
    bool FrameCame();
    /// Frames stopped coming (the watchdog expired, the device vanished). When this begins a
    /// loss: the number of records repeated since the last valid frame; when the link was lost
    /// already: nothing.
    std::optional<int> Lose();
    /// No valid frame has come since the loss began.
    bool Lost() const { return m_lost; }
    /// A record was written; `copied` when it repeats the last values for want of frames.
    void RecordWritten(bool copied) { m_silentCopies = copied ? m_silentCopies + 1 : 0; }
    /// A new log begins: none of its records repeats an earlier one.
    void LogStarted() { m_silentCopies = 0; }

private:
    void Take(std::span<const std::uint8_t> bytes);
    void Hold(std::span<const std::uint8_t> bytes);

    LinkReceiver m_receiver;
    ReceptionHandler m_onReception;
    bool m_processing = false;            ///< the handler runs
    std::vector<std::uint8_t> m_held;     ///< bytes that arrived meanwhile
    std::vector<std::uint8_t> m_draining; ///< held bytes being taken
    std::uint64_t m_droppedWhileBusy = 0;
    TimerCommand m_watchdog;
    bool m_portOpen = false;
    bool m_lost = false;
    int m_silentCopies = 0; ///< records repeated since the last valid frame
};

} // namespace core
