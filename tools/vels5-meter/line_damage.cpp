// Choosing and applying deliberate line damage to outgoing frames.
#include "tools/vels5-meter/line_damage.h"

#include "core/link/link_protocol.h"

namespace meter {
namespace {

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t Draw(std::uint64_t seed, std::uint64_t index, std::uint64_t salt) {
    return Mix(seed ^ Mix(index * 4 + salt));
}

// Index of the first byte after the (possibly stuffed) length byte.
std::size_t BodyStart(std::span<const std::uint8_t> frame) {
    std::size_t i = (frame[1] & 0x80) ? 3 : 2; // position of the length byte
    return frame[i] == core::kEscape ? i + 2 : i + 1;
}

// Changes one byte of the payload or checksum that is not part of an escape pair, to a
// value that is neither 0xC0 nor 0xDB: after unstuffing exactly one byte differs, which
// the CRC-8 always detects.
void Corrupt(std::vector<std::uint8_t>& bytes, std::uint64_t draw) {
    std::vector<std::size_t> candidates;
    for (std::size_t i = BodyStart(bytes); i < bytes.size(); ++i)
        if (bytes[i] != core::kEscape && bytes[i - 1] != core::kEscape)
            candidates.push_back(i);
    if (candidates.empty())
        return;
    const std::size_t at = candidates[draw % candidates.size()];
    std::uint8_t mask = static_cast<std::uint8_t>((draw >> 32) | 1);
    while ((bytes[at] ^ mask) == core::kFrameStart || (bytes[at] ^ mask) == core::kEscape)
        mask = static_cast<std::uint8_t>(mask + 2);
    bytes[at] ^= mask;
}

} // namespace

LineDamage ChooseDamage(std::uint64_t seed, double rate, std::uint64_t index) {
    if (rate <= 0)
        return LineDamage::None;
    const double u = static_cast<double>(Draw(seed, index, 0) >> 11) * 0x1.0p-53;
    if (u >= rate)
        return LineDamage::None;
    switch (Draw(seed, index, 1) % 3) {
    case 0:
        return LineDamage::Corrupted;
    case 1:
        return LineDamage::Truncated;
    default:
        return LineDamage::Interrupted;
    }
}

std::vector<std::uint8_t> DamagedBytes(std::span<const std::uint8_t> frame, LineDamage damage,
                                       std::uint64_t seed, std::uint64_t index) {
    std::vector<std::uint8_t> bytes(frame.begin(), frame.end());
    const std::uint64_t draw = Draw(seed, index, 2);
    // A cut keeps the 0xC0 and at least one more byte, and never the whole frame.
    const std::size_t cut = 2 + draw % (frame.size() - 2);
    switch (damage) {
    case LineDamage::None:
        break;
    case LineDamage::Corrupted:
        Corrupt(bytes, draw);
        break;
    case LineDamage::Truncated:
        bytes.resize(cut);
        break;
    case LineDamage::Interrupted:
        bytes.resize(cut);
        bytes.insert(bytes.end(), frame.begin(), frame.end());
        break;
    }
    return bytes;
}

const char* DamageName(LineDamage damage) {
    switch (damage) {
    case LineDamage::None:
        return "none";
    case LineDamage::Corrupted:
        return "corrupted";
    case LineDamage::Truncated:
        return "truncated";
    case LineDamage::Interrupted:
        return "interrupted";
    }
    return "?";
}

} // namespace meter
