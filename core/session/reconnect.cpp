// The wait for the meter after a lost link: reopen attempts and the status line.
#include "core/session/reconnect.h"

#include <cstdio>

namespace core {
namespace {

// "00:12" below an hour, "1:02:03" from it.
std::string Duration(std::int64_t ms) {
    const long long s = ms > 0 ? ms / 1000 : 0;
    char text[32];
    if (s < 3600)
        std::snprintf(text, sizeof text, "%02lld:%02lld", s / 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s % 3600 / 60, s % 60);
    return text;
}

} // namespace

void Reconnect::Lost(std::int64_t nowMs, bool deviceGone) {
    if (!m_waiting) {
        m_waiting = true;
        m_lostMs = m_lastFrameMs.value_or(nowMs);
        m_lastTryMs.reset();
        m_restoredMs.reset();
    }
    m_reopen = m_reopen || deviceGone;
}

void Reconnect::FrameCame(std::int64_t nowMs) {
    m_lastFrameMs = nowMs;
    if (!m_waiting)
        return;
    m_waiting = false;
    m_reopen = false;
    m_restoredMs = nowMs;
    m_lastGapSec = static_cast<int>((nowMs - m_lostMs + 500) / 1000);
}

void Reconnect::Stop() {
    m_waiting = false;
    m_reopen = false;
    m_restoredMs.reset();
}

bool Reconnect::ReopenDue(std::int64_t nowMs) {
    if (!NeedsReopen())
        return false;
    if (m_lastTryMs && nowMs - *m_lastTryMs < kRetryMs)
        return false;
    m_lastTryMs = nowMs;
    return true;
}

bool Reconnect::Active(std::int64_t nowMs) const {
    return m_waiting || (m_restoredMs && nowMs - *m_restoredMs < kRestoredShownMs);
}

std::string Reconnect::Text(std::int64_t nowMs) const {
    if (m_waiting)
        return std::string(reconnect_text::kWaiting) + " " + Duration(nowMs - m_lostMs);
    if (Active(nowMs) && m_lastGapSec)
        return std::string(reconnect_text::kRestored) + " (разрыв " +
               std::to_string(*m_lastGapSec) + " с)";
    return {};
}

} // namespace core
