// Receiver state machine of the meter's link.
#include "core/link/link_receiver.h"

namespace core {

// One byte. Both entry points inline it, so a block of bytes costs no call per byte.
inline void LinkReceiver::Step(Registers& r, std::uint8_t b) {
    if (b == kFrameStart) {
        if (r.state == ReceiverState::Idle) {
            r.state = ReceiverState::Data;
            r.count = 0;
            r.expected = 3;
        } else {
            ++m_dropped.interrupted;
            r.state = ReceiverState::Idle;
        }
        return;
    }
    switch (r.state) {
    case ReceiverState::Idle:
        return;
    case ReceiverState::Escape:
        if (b == kEscapedStart) {
            b = kFrameStart;
            r.state = ReceiverState::Data;
        } else if (b == kEscapedEscape) {
            // Literal: this 0xDB is data and must not open another escape.
            b = kEscape;
            r.state = ReceiverState::Literal;
        } else {
            ++m_dropped.badEscape;
            r.state = ReceiverState::Idle;
            return;
        }
        break;
    default:
        break;
    }
    if (b == kEscape && r.state == ReceiverState::Data) {
        r.state = ReceiverState::Escape;
        return;
    }
    r.state = ReceiverState::Data;
    Store(r, b);
}

inline void LinkReceiver::Store(Registers& r, std::uint8_t b) {
    m_buffer[r.count++] = b;
    if (r.count == 1) {
        const bool longHeader = (b & 0x80) != 0;
        r.expected = longHeader ? 4 : 3;
        r.lengthPos = longHeader ? 3 : 2;
        return;
    }
    if (r.count == r.lengthPos) {
        const unsigned total = r.expected + static_cast<unsigned>(b);
        if (total > kMaxFrameLength) {
            // Outside the protocol: end it here rather than let the 8-bit length wrap.
            ++m_dropped.overlong;
            r.state = ReceiverState::Idle;
            return;
        }
        r.expected = static_cast<std::uint8_t>(total);
    }
    if (r.count == r.expected) {
        if (&r != &m_regs)
            m_regs = r;
        m_regs.state = ReceiverState::Complete; // what State() shows inside the sink's calls
        Complete(r.count, r.lengthPos);
        r.state = ReceiverState::Idle;
    }
}

void LinkReceiver::Complete(std::size_t count, std::size_t lengthPos) {
    const std::span<const std::uint8_t> frame(m_buffer.data(), count);
    if (!CheckFrame(frame)) {
        ++m_dropped.badCrc;
        return;
    }
    ++m_accepted;
    m_lastLength = count;
    if (m_sink)
        m_sink->OnValidFrame();
    const std::size_t lengthAt = lengthPos - 1;
    if (m_buffer[lengthAt - 1] == kCmdStatus) {
        m_status.CopyPayload(m_buffer.data() + lengthAt + 1, m_buffer[lengthAt]);
        if (m_sink)
            m_sink->OnStatusFrame();
    }
}

// A single byte works on the members directly: copying them in and out would cost more.
void LinkReceiver::Push(std::uint8_t byte) {
    Step(m_regs, byte);
}

void LinkReceiver::Push(std::span<const std::uint8_t> bytes) {
    Registers r = m_regs;
    for (const std::uint8_t b : bytes)
        Step(r, b);
    m_regs = r;
}

} // namespace core
