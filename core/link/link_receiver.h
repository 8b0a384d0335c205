// Byte-at-a-time receiver of the meter's link: unstuffs, assembles and checks frames,
// and copies status payloads into the status area.
#pragma once

#include "core/link/link_protocol.h"
#include "core/link/status_area.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace core {

/// Receiver states. Complete and Error last only until the end of the byte that caused
/// them; between bytes the state is Idle, Data, Literal or Escape.
enum class ReceiverState : std::uint8_t { Idle, Data, Literal, Escape, Complete, Error };

/// Frames dropped, by cause.
struct DropCounters {
    std::uint64_t badCrc = 0;
    std::uint64_t badEscape = 0;   ///< 0xDB followed by anything but 0xDC or 0xDD
    std::uint64_t interrupted = 0; ///< a 0xC0 inside a frame
    std::uint64_t overlong = 0;    ///< declared length beyond the 255-byte frame limit

    std::uint64_t Total() const { return badCrc + badEscape + interrupted + overlong; }
};

/// Where the receiver reports what it accepted. Calls happen inside Push(), on the thread
/// that feeds the receiver; a sink must not call Push() itself.
class ILinkSink {
public:
    virtual ~ILinkSink() = default;
    /// A frame with a valid checksum arrived (any command): re-arm the watchdog.
    virtual void OnValidFrame() = 0;
    /// A status frame's payload was copied into the status area: run ProcessStatus.
    /// Follows the OnValidFrame() of the same frame.
    virtual void OnStatusFrame() = 0;
};

/// The receiver state machine.
///
/// A 0xC0 starts a frame only in Idle; inside a frame it drops that frame and is itself
/// dropped, so the frame it introduced is lost too. The receiver unstuffs every byte after
/// the 0xC0, reads the header form from the top bit of the first byte and ends the frame when
/// the declared number of bytes has arrived. A length byte that would make the unstuffed frame
/// longer than 255 bytes (more than 251 payload bytes with an address, 252 without) ends that
/// frame at once as an error; nothing is ever written outside the 256-byte buffer.
///
/// A status frame (command 0x20) with a valid checksum overwrites the start of the status area
/// with its N payload bytes; the rest of the area keeps its values.
///
/// Owns no memory beyond its fixed 256-byte buffer and never allocates. Keeps `status` and
/// `sink` by reference; both must outlive it. Not thread-safe: fed on one thread.
class LinkReceiver {
public:
    explicit LinkReceiver(StatusArea& status, ILinkSink* sink = nullptr)
        : m_status(status), m_sink(sink) {}

    void SetSink(ILinkSink* sink) { m_sink = sink; }
    /// Feeds one received byte.
    void Push(std::uint8_t byte);
    /// Feeds received bytes in order; the same as Push() for each byte.
    void Push(std::span<const std::uint8_t> bytes);

    ReceiverState State() const { return m_regs.state; }
    const DropCounters& Dropped() const { return m_dropped; }
    /// Frames that passed CheckFrame, any command.
    std::uint64_t Accepted() const { return m_accepted; }
    /// The last frame that passed CheckFrame (unstuffed, without the 0xC0), valid until the
    /// next Push. Meant to be read from inside the sink's calls.
    const std::uint8_t* LastFrame() const { return m_buffer.data(); }
    std::size_t LastFrameLength() const { return m_lastLength; }

private:
    // The state machine's registers. While bytes are fed they live in a local copy: a store
    // into the byte buffer may alias any member, which would force a reload after each byte.
    struct Registers {
        ReceiverState state = ReceiverState::Idle;
        // 8-bit like the meter's own counters: the over-long rule keeps the expected length
        // at 255 or below, so the count never passes it and never wraps.
        std::uint8_t count = 0;
        std::uint8_t expected = 0;
        std::uint8_t lengthPos = 0; ///< 1-based position of the length byte
    };

    void Step(Registers& r, std::uint8_t byte);
    void Store(Registers& r, std::uint8_t byte);
    void Complete(std::size_t count, std::size_t lengthPos);

    StatusArea& m_status;
    ILinkSink* m_sink;
    Registers m_regs;
    std::size_t m_lastLength = 0;
    std::uint64_t m_accepted = 0;
    std::array<std::uint8_t, kFrameBufferSize> m_buffer{};
    DropCounters m_dropped;
};

} // namespace core
