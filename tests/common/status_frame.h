// Status frames for tests that feed the receiver, the session or the tools: the mode, Ui, Di
// and photodetector fault fields set, everything else zero.
#pragma once

#include "core/link/link_protocol.h"
#include "core/link/status_area.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace test {

/// Sets the mode, Ui (V), Di (dB) and the photodetector block (only its fault bits non-zero).
inline void SetStatus(core::StatusArea& area, std::uint8_t mode, float ui, float di,
                      std::uint8_t photoFaults = 0) {
    area.SetMode(mode);
    area.SetUi(ui);
    area.SetDi(di);
    core::BlockStatus photo;
    photo.faults = photoFaults;
    area.SetPhotodetector(photo);
}

/// The wire bytes of a status frame without address carrying the whole status area.
inline std::vector<std::uint8_t> StatusFrame(const core::StatusArea& area) {
    std::array<std::uint8_t, core::kFrameBufferSize> out{};
    const std::size_t n =
        core::BuildFrame(core::kNoAddress, core::kCmdStatus,
                         std::span(area.Bytes().data(), core::kStatusPayloadSize), out);
    return {out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n)};
}

/// A status frame of a zeroed status area with the fields of SetStatus.
inline std::vector<std::uint8_t> StatusFrame(std::uint8_t mode, float ui, float di = 0.0f,
                                             std::uint8_t photoFaults = 0) {
    core::StatusArea area;
    SetStatus(area, mode, ui, di, photoFaults);
    return StatusFrame(area);
}

} // namespace test
