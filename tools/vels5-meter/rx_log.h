// What the simulator makes of the bytes it receives: frames with their verdict, for the log.
#pragma once

#include "core/link/link_receiver.h"
#include "core/link/status_area.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace meter {

/// One received frame, valid or dropped, or a run of bytes outside any frame.
struct RxEvent {
    std::vector<std::uint8_t> wire; ///< the bytes as they arrived (stuffed)
    bool valid = false;             ///< passed the checksum
    int command = -1;               ///< command byte of a valid frame, else -1
    std::string verdict;            ///< "restart", "command 0x21", "bad checksum", ...
};

/// Feeds received bytes to the link receiver and reports each frame's end. The receiver's
/// status area is a scratch area of its own. Not thread-safe; allocates per frame (a tool).
class RxLog {
public:
    RxLog();

    /// Feeds one byte; returns the event it completed, if any.
    std::optional<RxEvent> Push(std::uint8_t byte);

    /// "C0 22 00 EE".
    static std::string Hex(const std::vector<std::uint8_t>& bytes);

private:
    static std::string Verdict(core::Reception what, int command);

    core::StatusArea m_scratch;
    core::LinkReceiver m_receiver;
    std::vector<std::uint8_t> m_wire;
};

} // namespace meter
