// Framing of the meter's serial link: CRC-8, frame check and frame builder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace core {

inline constexpr std::uint8_t kFrameStart = 0xC0;    ///< SLIP END: starts every frame
inline constexpr std::uint8_t kEscape = 0xDB;        ///< SLIP ESC
inline constexpr std::uint8_t kEscapedStart = 0xDC;  ///< ESC + this = 0xC0 in the data
inline constexpr std::uint8_t kEscapedEscape = 0xDD; ///< ESC + this = 0xDB in the data
inline constexpr std::uint8_t kCmdStatus = 0x20;     ///< blocks -> monitor, status data
inline constexpr std::uint8_t kCmdRestart = 0x22;    ///< monitor -> blocks, restart measurement
inline constexpr std::uint8_t kNoAddress = 0x80;     ///< address >= this: short header
inline constexpr std::uint8_t kCrcInit = 0x82;       ///< CRC register start value
inline constexpr std::size_t kFrameBufferSize = 256; ///< receive and transmit buffers
inline constexpr std::size_t kMaxFrameLength = 255;  ///< unstuffed header + payload + CRC
/// The restart command as it goes on the wire.
inline constexpr std::array<std::uint8_t, 4> kRestartFrame{0xC0, 0x22, 0x00, 0xEE};

// Implemented in link_protocol.cpp (see the comments there for the CRC definition).
extern const std::array<std::uint8_t, 256> kCrc8Table;
std::uint8_t Crc8Bitwise(std::uint8_t crc, std::uint8_t byte);

/// True when the checksum of an unstuffed frame (without the leading 0xC0) matches its last byte.
bool CheckFrame(std::span<const std::uint8_t> frame);

/// Builds one stuffed frame into `out` (0xC0, optional address, command, stuffed length,
/// payload and CRC). An address >= kNoAddress gives the short header. Returns the number of
/// bytes written, or 0 when the frame would not fit the 256-byte transmit buffer.
std::size_t BuildFrame(std::uint8_t address, std::uint8_t command,
                       std::span<const std::uint8_t> payload,
                       std::array<std::uint8_t, kFrameBufferSize>& out);

} // namespace core
