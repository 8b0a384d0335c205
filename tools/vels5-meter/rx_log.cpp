// Turning received bytes into logged frames and verdicts.
#include "tools/vels5-meter/rx_log.h"

#include <cstdio>

namespace meter {
namespace {
// Noise outside frames is reported in runs of at most this many bytes.
constexpr std::size_t kMaxIdleRun = 64;
} // namespace

RxLog::RxLog() : m_receiver(m_scratch) {}

std::string RxLog::Verdict(core::Reception what, int command) {
    switch (what) {
    case core::Reception::BadCrc:
        return "bad checksum";
    case core::Reception::BadEscape:
        return "bad escape";
    case core::Reception::Interrupted:
        return "interrupted by 0xC0";
    case core::Reception::Overlong:
        return "over-long";
    default:
        break;
    }
    if (command == core::kCmdRestart)
        return "restart";
    if (command == core::kCmdStatus)
        return "status";
    char text[32];
    std::snprintf(text, sizeof text, "command 0x%02X", static_cast<unsigned>(command));
    return text;
}

std::optional<RxEvent> RxLog::Push(std::uint8_t byte) {
    // Bytes outside a frame are reported as one run when the next frame starts.
    std::optional<RxEvent> idleRun;
    const bool idle = m_receiver.State() == core::ReceiverState::Idle;
    if (idle && byte == core::kFrameStart && !m_wire.empty()) {
        idleRun = RxEvent{std::move(m_wire), false, -1, "ignored outside a frame"};
        m_wire.clear();
    }
    m_wire.push_back(byte);
    const core::Reception what = m_receiver.Push(byte);
    if (what == core::Reception::None) {
        if (idle && m_receiver.State() == core::ReceiverState::Idle &&
            m_wire.size() >= kMaxIdleRun) {
            RxEvent run{std::move(m_wire), false, -1, "ignored outside a frame"};
            m_wire.clear();
            return run;
        }
        return idleRun;
    }
    const bool valid = core::IsValidFrame(what);
    const int command = valid ? core::ReadFrameHeader(m_receiver.Frame()).value().command : -1;
    RxEvent event{std::move(m_wire), valid, command, Verdict(what, command)};
    m_wire.clear();
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
