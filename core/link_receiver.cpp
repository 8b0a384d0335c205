// Receiver state machine of the meter's link.
#include "core/link_receiver.h"

namespace core {

// Both entry points share one inlined byte step, so a block of bytes costs no call per byte.
inline void LinkReceiver::PushByte(std::uint8_t b) {
    if (b == kFrameStart) {
        if (m_state == ReceiverState::Idle) {
            m_state = ReceiverState::Data;
            m_count = 0;
            m_expected = 3;
        } else {
            Drop(m_dropped.interrupted);
        }
        return;
    }
    switch (m_state) {
    case ReceiverState::Idle:
        return;
    case ReceiverState::Escape:
        if (b == kEscapedStart) {
            b = kFrameStart;
            m_state = ReceiverState::Data;
        } else if (b == kEscapedEscape) {
            // Literal: this 0xDB is data and must not open another escape.
            b = kEscape;
            m_state = ReceiverState::Literal;
        } else {
            Drop(m_dropped.badEscape);
            return;
        }
        break;
    default:
        break;
    }
    if (b == kEscape && m_state == ReceiverState::Data) {
        m_state = ReceiverState::Escape;
        return;
    }
    m_state = ReceiverState::Data;
    Store(b);
}

inline void LinkReceiver::Store(std::uint8_t b) {
    m_buffer[m_count++] = b;
    if (m_count == 1) {
        const bool longHeader = (b & 0x80) != 0;
        m_expected = longHeader ? 4 : 3;
        m_lengthPos = longHeader ? 3 : 2;
        return;
    }
    if (m_count == m_lengthPos) {
        const unsigned total = m_expected + static_cast<unsigned>(b);
        if (total > kMaxFrameLength) {
            // Outside the protocol: end it here rather than let the 8-bit length wrap.
            Drop(m_dropped.overlong);
            return;
        }
        m_expected = static_cast<std::uint8_t>(total);
    }
    if (m_count == m_expected)
        Complete();
}

void LinkReceiver::Complete() {
    m_state = ReceiverState::Complete;
    const std::span<const std::uint8_t> frame(m_buffer.data(), m_count);
    if (!CheckFrame(frame)) {
        Drop(m_dropped.badCrc);
        return;
    }
    ++m_accepted;
    m_lastLength = m_count;
    if (m_sink)
        m_sink->OnValidFrame();
    const std::size_t lengthAt = m_lengthPos - 1u;
    const std::uint8_t command = m_buffer[lengthAt - 1];
    if (command == kCmdStatus) {
        m_status.CopyPayload(m_buffer.data() + lengthAt + 1, m_buffer[lengthAt]);
        if (m_sink)
            m_sink->OnStatusFrame();
    }
    m_state = ReceiverState::Idle;
}

void LinkReceiver::Drop(std::uint64_t& counter) {
    ++counter;
    m_state = ReceiverState::Idle;
}

void LinkReceiver::Push(std::uint8_t byte) {
    PushByte(byte);
}

void LinkReceiver::Push(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes)
        PushByte(b);
}

} // namespace core
