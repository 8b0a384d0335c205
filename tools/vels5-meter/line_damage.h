// Damaged frames on purpose: what --line-errors puts on the line instead of a good frame.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace meter {

enum class LineDamage {
    None,
    Corrupted,   ///< one byte after the length changed: the checksum fails
    Truncated,   ///< cut off; the next frame's 0xC0 ends it (and is lost with it)
    Interrupted, ///< cut off and sent again at once: the repeat is lost with it
};

/// Whether frame number `index` is damaged, and how: a share `rate` (0-1) of frames is,
/// the three kinds equally often. Deterministic in (seed, rate, index).
LineDamage ChooseDamage(std::uint64_t seed, double rate, std::uint64_t index);

/// The bytes to send for `frame` (a complete stuffed frame from core::BuildFrame, leading
/// 0xC0 included, at least 5 bytes). The changed byte and the cut are chosen
/// deterministically from (seed, index). None returns the frame unchanged.
std::vector<std::uint8_t> DamagedBytes(std::span<const std::uint8_t> frame, LineDamage damage,
                                       std::uint64_t seed, std::uint64_t index);

/// "none", "corrupted", "truncated", "interrupted".
const char* DamageName(LineDamage damage);

} // namespace meter
