// Turning received bytes into logged frames and verdicts.
#include "tools/vels5-meter/rx_log.h"

#include <cstdio>

namespace meter {
namespace {
// Noise outside frames is reported in runs of at most this many bytes.
constexpr std::size_t kMaxIdleRun = 64;
} // namespace

RxLog::RxLog() : m_receiver(m_scratch, this) {}

void RxLog::OnValidFrame() {
    m_validSeen = true;
    const std::uint8_t* frame = m_receiver.LastFrame();
    m_command = (frame[0] & 0x80) ? frame[1] : frame[0];
}

std::string RxLog::DropReason(const core::DropCounters& before) const {
    const core::DropCounters& now = m_receiver.Dropped();
    if (now.badCrc != before.badCrc)
        return "bad checksum";
    if (now.badEscape != before.badEscape)
        return "bad escape";
    if (now.interrupted != before.interrupted)
        return "interrupted by 0xC0";
    if (now.overlong != before.overlong)
        return "over-long";
    return "dropped";
}

std::optional<RxEvent> RxLog::Push(std::uint8_t byte) {
    const core::ReceiverState before = m_receiver.State();
    const core::DropCounters dropsBefore = m_receiver.Dropped();
    // Bytes outside a frame are reported as one run when the next frame starts.
    std::optional<RxEvent> idleRun;
    if (before == core::ReceiverState::Idle && byte == core::kFrameStart && !m_wire.empty()) {
        idleRun = RxEvent{std::move(m_wire), false, -1, "ignored outside a frame"};
        m_wire.clear();
    }
    m_wire.push_back(byte);
    m_validSeen = false;
    m_receiver.Push(byte);
    if (before == core::ReceiverState::Idle && m_receiver.State() == core::ReceiverState::Idle &&
        m_wire.size() >= kMaxIdleRun) {
        RxEvent run{std::move(m_wire), false, -1, "ignored outside a frame"};
        m_wire.clear();
        return run;
    }
    if (m_receiver.State() != core::ReceiverState::Idle || before == core::ReceiverState::Idle)
        return idleRun;

    RxEvent event{std::move(m_wire), m_validSeen, m_validSeen ? m_command : -1, {}};
    m_wire.clear();
    if (!m_validSeen) {
        event.verdict = DropReason(dropsBefore);
    } else if (event.command == core::kCmdRestart) {
        event.verdict = "restart";
    } else if (event.command == core::kCmdStatus) {
        event.verdict = "status";
    } else {
        char text[32];
        std::snprintf(text, sizeof text, "command 0x%02X", static_cast<unsigned>(event.command));
        event.verdict = text;
    }
    return event;
}

std::string RxLog::Hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char two[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02X", static_cast<unsigned>(b));
        if (!out.empty())
            out += ' ';
        out += two;
    }
    return out;
}

} // namespace meter
