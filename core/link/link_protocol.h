// Framing of the meter's serial link: CRC-8, frame check and frame builder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace core {

// Frame on the wire: 0xC0, [address | 0x80], command (< 0x80), length N, N payload bytes,
// CRC. Everything after the 0xC0 may be stuffed (0xC0 -> DB DC, 0xDB -> DB DD); the sender
// stuffs the length, the payload and the CRC only.
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
inline constexpr std::size_t kMaxPayloadLong = 251;  ///< payload limit with an address byte
inline constexpr std::size_t kMaxPayloadShort = 252; ///< payload limit without one
/// The restart command as it goes on the wire.
inline constexpr std::array<std::uint8_t, 4> kRestartFrame{0xC0, 0x22, 0x00, 0xEE};

/// CRC-8 of the Dallas/Maxim 1-Wire family (x^8 + x^5 + x^4 + 1, reflected polynomial 0x8C,
/// least significant bit first; Maxim application note 27). Entry i is the CRC of the single
/// byte i with a zero register; entry 1 is 0x5E. Generated from the polynomial.
extern const std::array<std::uint8_t, 256> kCrc8Table;
/// One CRC step computed bit by bit: the reference the table is checked against.
std::uint8_t Crc8Bitwise(std::uint8_t crc, std::uint8_t byte);
/// One CRC step through the table.
inline std::uint8_t Crc8Update(std::uint8_t crc, std::uint8_t byte) {
    return kCrc8Table[crc ^ byte];
}

/// The checksum of an unstuffed frame without its 0xC0 and without its CRC byte: the register
/// starts at 0x82, the first byte enters with its top bit cleared, every further byte as it is.
/// An empty span gives 0x82.
std::uint8_t FrameCrc(std::span<const std::uint8_t> headerAndPayload);

/// The header of an unstuffed frame (without the 0xC0).
struct FrameHeader {
    bool hasAddress = false;   ///< long header: the first byte has its top bit set
    std::uint8_t address = 0;  ///< 7-bit block address; 0 when !hasAddress
    std::uint8_t command = 0;  ///< command byte as received
    std::uint8_t length = 0;   ///< declared payload length N
    std::size_t payloadAt = 0; ///< index of the first payload byte (2 or 3)
};

/// Reads the header of an unstuffed frame; nullopt when the span is shorter than the header.
/// Does not look at the payload or the checksum.
std::optional<FrameHeader> ReadFrameHeader(std::span<const std::uint8_t> frame);

/// True when the checksum of an unstuffed frame (without the leading 0xC0) matches its last
/// byte. The frame must be exactly as long as its header declares (header + N + 1); a frame
/// that is shorter or longer than that is false.
bool CheckFrame(std::span<const std::uint8_t> frame);

/// Builds one stuffed frame into `out` (0xC0, optional address, command, stuffed length,
/// payload and CRC). An address >= kNoAddress gives the short header. Returns the number of
/// bytes written, or 0 (and `out` unspecified) when no readable frame can be built: the
/// stuffed frame would not fit the 256-byte transmit buffer, the payload exceeds the 255-byte
/// frame limit, the command has its top bit set, or the address byte would be 0xC0 or 0xDB
/// (addresses 0x40 and 0x5B), which the sender does not stuff.
std::size_t BuildFrame(std::uint8_t address, std::uint8_t command,
                       std::span<const std::uint8_t> payload,
                       std::array<std::uint8_t, kFrameBufferSize>& out);

} // namespace core
