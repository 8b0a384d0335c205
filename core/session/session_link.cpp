// The session's link state: bytes held while a frame is processed, watchdog and loss.
#include "core/session/session_link.h"

#include <utility>

namespace core {

SessionLink::SessionLink(StatusArea& status, ReceptionHandler onReception)
    : m_receiver(status), m_onReception(std::move(onReception)) {}

void SessionLink::Receive(std::span<const std::uint8_t> bytes) {
    // Processing a frame may run a modal question whose loop delivers more bytes here. Fed to
    // the receiver now, they would change the status area under the frame being processed
    // and be taken before the rest of the block that frame came in.
    if (m_processing) {
        Hold(bytes);
        return;
    }
    struct Processing {
        bool& flag;
        explicit Processing(bool& f) : flag(f) { flag = true; }
        ~Processing() { flag = false; }
    } processing(m_processing);
    Take(bytes);
    while (!m_held.empty()) {
        // Bytes that arrive while the held ones are taken are held anew.
        m_draining.clear();
        m_draining.swap(m_held);
        Take(m_draining);
    }
}

void SessionLink::Take(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const Received r = m_receiver.Push(bytes);
        bytes = bytes.subspan(r.consumed);
        m_onReception(r.what);
    }
}

void SessionLink::Hold(std::span<const std::uint8_t> bytes) {
    // Reserved once, so a frame's processing does not allocate per arrival.
    if (m_held.capacity() < kHeldBytesLimit)
        m_held.reserve(kHeldBytesLimit);
    const std::size_t room = kHeldBytesLimit - m_held.size();
    const std::size_t n = bytes.size() < room ? bytes.size() : room;
    m_held.insert(m_held.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    m_droppedWhileBusy += bytes.size() - n;
}

bool SessionLink::FrameCame() {
    ReArmWatchdog();
    m_silentCopies = 0;
    return std::exchange(m_lost, false);
}

std::optional<int> SessionLink::Lose() {
    if (m_lost)
        return std::nullopt;
    m_lost = true;
    return std::exchange(m_silentCopies, 0);
}

} // namespace core
