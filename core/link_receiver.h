// Byte-at-a-time receiver of the meter's link: unstuffs, assembles and checks frames,
// and copies status payloads into the status area.
#pragma once

#include "core/link_protocol.h"
#include "core/status_area.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace core {

enum class ReceiverState : std::uint8_t { Idle, Data, Literal, Escape, Complete, Error };

/// Frames dropped, by cause.
struct DropCounters {
    std::uint64_t badCrc = 0;
    std::uint64_t badEscape = 0;
    std::uint64_t interrupted = 0; ///< a 0xC0 inside a frame
    std::uint64_t overlong = 0;    ///< declared length beyond the 255-byte frame limit
};

/// Where the receiver reports what it accepted. Calls happen inside Push().
class ILinkSink {
public:
    virtual ~ILinkSink() = default;
    /// A frame with a valid checksum arrived (any command): re-arm the watchdog.
    virtual void OnValidFrame() = 0;
    /// A status frame's payload was copied into the status area: run ProcessStatus.
    virtual void OnStatusFrame() = 0;
};

/// The receiver state machine. Owns no memory beyond its fixed 256-byte buffer;
/// never allocates. Not thread-safe: fed on one thread.
class LinkReceiver {
public:
    explicit LinkReceiver(StatusArea& status, ILinkSink* sink = nullptr)
        : m_status(status), m_sink(sink) {}

    void SetSink(ILinkSink* sink) { m_sink = sink; }
    /// Feeds one received byte.
    void Push(std::uint8_t byte);

    ReceiverState State() const { return m_state; }
    const DropCounters& Dropped() const { return m_dropped; }
    /// The last frame that passed CheckFrame (unstuffed, without the 0xC0), valid until the
    /// next Push.
    const std::uint8_t* LastFrame() const { return m_buffer.data(); }
    std::size_t LastFrameLength() const { return m_lastLength; }

private:
    void Complete();

    StatusArea& m_status;
    ILinkSink* m_sink;
    ReceiverState m_state = ReceiverState::Idle;
    std::uint8_t m_count = 0;
    std::uint8_t m_expected = 0;
    std::uint8_t m_lengthPos = 0;
    std::size_t m_lastLength = 0;
    std::array<std::uint8_t, kFrameBufferSize> m_buffer{};
    DropCounters m_dropped;
};

} // namespace core
