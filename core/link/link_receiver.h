// Byte-at-a-time receiver of the meter's link: unstuffs, assembles and checks frames, copies
// status payloads into the status area and returns what each byte ended.
#pragma once

#include "core/link/link_protocol.h"
#include "core/link/status_area.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace core {

/// Receiver states. Complete and Error last only within the byte that caused them; between
/// bytes the state is Idle, Data, Literal or Escape.
enum class ReceiverState : std::uint8_t { Idle, Data, Literal, Escape, Complete, Error };

/// Frames dropped, by cause.
struct DropCounters {
    std::uint64_t badCrc = 0;
    std::uint64_t badEscape = 0;   ///< 0xDB followed by anything but 0xDC or 0xDD
    std::uint64_t interrupted = 0; ///< a 0xC0 inside a frame
    std::uint64_t overlong = 0;    ///< declared length beyond the 255-byte frame limit

    std::uint64_t Total() const { return badCrc + badEscape + interrupted + overlong; }
};

/// What a pushed byte ended: nothing, a frame with a valid checksum, or a dropped frame with
/// its cause.
enum class Reception : std::uint8_t {
    None,        ///< the byte is inside a frame, or outside any and ignored
    Frame,       ///< a valid frame of any command but status
    Status,      ///< a valid status frame; its payload is in the status area already
    BadCrc,      ///< dropped: the checksum does not match
    BadEscape,   ///< dropped: 0xDB followed by anything but 0xDC or 0xDD
    Interrupted, ///< dropped: a 0xC0 inside the frame (it is dropped with it)
    Overlong,    ///< dropped at its length byte: beyond the 255-byte frame limit
};

/// A frame with a valid checksum ended: re-arm the watchdog.
inline bool IsValidFrame(Reception r) {
    return r == Reception::Frame || r == Reception::Status;
}
/// A frame was dropped.
inline bool IsDropped(Reception r) {
    return r >= Reception::BadCrc;
}

/// What a block of pushed bytes ended first, and how many of its bytes that took.
struct Received {
    Reception what = Reception::None;
    /// Bytes taken up to and including the one that ended `what`; the whole block for None.
    std::size_t consumed = 0;
};

/// The receiver state machine. Push returns what each byte ended; the caller acts on it
/// (re-arms the watchdog, runs ProcessStatus) and then pushes on.
///
/// A 0xC0 starts a frame only in Idle; inside a frame it drops that frame and is itself
/// dropped, so the frame it introduced is lost too. The receiver unstuffs every byte after
/// the 0xC0, reads the header form from the top bit of the first byte and ends the frame when
/// the declared number of bytes has arrived. A length byte that would make the unstuffed frame
/// longer than 255 bytes (more than 251 payload bytes with an address, 252 without) ends that
/// frame at once as an error; nothing is ever written outside the 256-byte buffer.
///
/// A status frame (command 0x20) with a valid checksum overwrites the start of the status area
/// with its N payload bytes before Push returns Status; the rest of the area keeps its values.
///
/// Owns no memory beyond its fixed 256-byte buffer and never allocates. Keeps `status` by
/// reference; it must outlive the receiver. Not thread-safe: fed on one thread. Frame() is
/// the receiver's own buffer: a caller that pushes more bytes while it still reads a frame
/// (or the status area it filled) reads bytes of the next one.
class LinkReceiver {
public:
    explicit LinkReceiver(StatusArea& status) : m_status(status) {}

    /// Feeds one received byte.
    Reception Push(std::uint8_t byte);
    /// Feeds received bytes in order until one of them ends a frame (valid or dropped) or the
    /// block is used up: the same as Push() for each byte, stopping at the first result
    /// other than None. A caller loops on the rest of the block.
    Received Push(std::span<const std::uint8_t> bytes);

    ReceiverState State() const { return m_regs.state; }
    const DropCounters& Dropped() const { return m_dropped; }
    /// Frames that passed CheckFrame, any command.
    std::uint64_t Accepted() const { return m_accepted; }
    /// The frame of the Push that returned Frame or Status (unstuffed, without the 0xC0);
    /// valid only until the next Push.
    std::span<const std::uint8_t> Frame() const { return {m_buffer.data(), m_lastLength}; }
    /// The bytes on the wire of the frame that the last result other than None ended, valid
    /// or dropped: from its 0xC0 to the byte that ended it (an interrupting 0xC0 included),
    /// stuffing included.
    std::size_t WireLength() const { return m_lastWire; }

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
        std::uint16_t wire = 0;     ///< bytes of the frame so far on the wire, the 0xC0 first
    };

    Reception Step(Registers& r, std::uint8_t byte);
    Reception Store(Registers& r, std::uint8_t byte);
    Reception Complete(std::size_t count, std::size_t lengthPos);
    Reception Drop(Registers& r, std::uint64_t& counter, Reception why);

    StatusArea& m_status;
    Registers m_regs;
    std::size_t m_lastLength = 0;
    std::size_t m_lastWire = 0;
    std::uint64_t m_accepted = 0;
    std::array<std::uint8_t, kFrameBufferSize> m_buffer{};
    DropCounters m_dropped;
};

} // namespace core
