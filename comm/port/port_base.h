// What both port layers keep alike: the lost-device state, the event mask, output held by
// SETXOFF, and the order of closing (give back the output, restore the settings found at
// opening, then let go of the device).
#pragma once

#include "comm/port/port.h"

#include <atomic>

namespace comm::port {

class PortBase : public IPort {
public:
    bool Lost() const final { return m_lost.load(); }
    void MarkLost() final { m_lost.store(true); }
    bool TakeLostReport() final { return m_lost.load() && !m_lostReported.exchange(true); }
    /// Once; later calls do nothing. The derived class calls it from its destructor.
    void Close() final {
        if (m_closed)
            return;
        m_closed = true;
        if (!m_lost.load()) {
            // Output held by SETXOFF would stay held for whoever opens the device next. A
            // stop by the peer's XOFF is the peer's to lift and stays.
            if (m_outputHeld.exchange(false))
                ResumeOutput();
            RestoreFoundSettings();
        }
        Release();
    }

protected:
    /// After a SETXOFF or SETXON escape that the device took.
    void NoteEscape(uint32_t function) {
        if (function == SETXOFF)
            m_outputHeld = true;
        else if (function == SETXON)
            m_outputHeld = false;
    }
    virtual void ResumeOutput() = 0;
    virtual void RestoreFoundSettings() = 0;
    /// Gives up the exclusive opening, so the device opens again at once.
    virtual void Release() = 0;

    std::atomic<uint32_t> m_mask{0};
    std::atomic<bool> m_lost{false};

private:
    bool m_closed = false;
    std::atomic<bool> m_outputHeld{false}; ///< SETXOFF given and no SETXON since
    std::atomic<bool> m_lostReported{false};
};

} // namespace comm::port
