// Receiver state machine of the meter's link.
#include "core/link/link_receiver.h"

namespace core {

// One byte. Both entry points inline it, so a block of bytes costs no call per byte.
inline Reception LinkReceiver::Step(Registers& r, std::uint8_t b) {
    if (b == kFrameStart) {
        if (r.state == ReceiverState::Idle) {
            r.state = ReceiverState::Data;
            r.count = 0;
            r.expected = 3;
            r.wire = 1;
            return Reception::None;
        }
        ++r.wire;
        return Drop(r, m_dropped.interrupted, Reception::Interrupted);
    }
    if (r.state == ReceiverState::Idle)
        return Reception::None;
    ++r.wire;
    if (r.state == ReceiverState::Escape) {
        if (b == kEscapedStart) {
            b = kFrameStart;
            r.state = ReceiverState::Data;
        } else if (b == kEscapedEscape) {
            // Literal: this 0xDB is data and must not open another escape.
            b = kEscape;
            r.state = ReceiverState::Literal;
        } else {
            return Drop(r, m_dropped.badEscape, Reception::BadEscape);
        }
    }
    if (b == kEscape && r.state == ReceiverState::Data) {
        r.state = ReceiverState::Escape;
        return Reception::None;
    }
    r.state = ReceiverState::Data;
    return Store(r, b);
}

inline Reception LinkReceiver::Store(Registers& r, std::uint8_t b) {
    m_buffer[r.count++] = b;
    if (r.count == 1) {
        const bool longHeader = (b & 0x80) != 0;
        r.expected = longHeader ? 4 : 3;
        r.lengthPos = longHeader ? 3 : 2;
        return Reception::None;
    }
    if (r.count == r.lengthPos) {
        const unsigned total = r.expected + static_cast<unsigned>(b);
        // Outside the protocol: end it here rather than let the 8-bit length wrap.
        if (total > kMaxFrameLength)
            return Drop(r, m_dropped.overlong, Reception::Overlong);
        r.expected = static_cast<std::uint8_t>(total);
    }
    if (r.count != r.expected)
        return Reception::None;
    r.state = ReceiverState::Idle;
    m_lastWire = r.wire;
    return Complete(r.count, r.lengthPos);
}

inline Reception LinkReceiver::Drop(Registers& r, std::uint64_t& counter, Reception why) {
    ++counter;
    m_lastWire = r.wire;
    r.state = ReceiverState::Idle;
    return why;
}

Reception LinkReceiver::Complete(std::size_t count, std::size_t lengthPos) {
    const std::span<const std::uint8_t> frame(m_buffer.data(), count);
    if (!CheckFrame(frame)) {
        ++m_dropped.badCrc;
        return Reception::BadCrc;
    }
    ++m_accepted;
    m_lastLength = count;
    const std::size_t lengthAt = lengthPos - 1;
    if (m_buffer[lengthAt - 1] != kCmdStatus)
        return Reception::Frame;
    m_status.CopyPayload(m_buffer.data() + lengthAt + 1, m_buffer[lengthAt]);
    return Reception::Status;
}

// A single byte works on the members directly: copying them in and out would cost more.
Reception LinkReceiver::Push(std::uint8_t byte) {
    return Step(m_regs, byte);
}

Received LinkReceiver::Push(std::span<const std::uint8_t> bytes) {
    Registers r = m_regs;
    Reception what = Reception::None;
    std::size_t i = 0;
    while (i < bytes.size()) {
        what = Step(r, bytes[i++]);
        if (what != Reception::None)
            break;
    }
    m_regs = r;
    return {what, i};
}

} // namespace core
