// Framing of the meter's serial link: CRC-8 table, frame check and frame builder.
#include "core/link/link_protocol.h"

namespace core {
namespace {

constexpr std::uint8_t kReflectedPoly = 0x8C;

constexpr std::uint8_t Crc8Step(std::uint8_t crc, std::uint8_t byte) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 1) ? static_cast<std::uint8_t>((crc >> 1) ^ kReflectedPoly)
                        : static_cast<std::uint8_t>(crc >> 1);
    return crc;
}

constexpr std::array<std::uint8_t, 256> MakeTable() {
    std::array<std::uint8_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i)
        table[i] = Crc8Step(0, static_cast<std::uint8_t>(i));
    return table;
}

// Appends one byte with stuffing; false when the buffer is full.
bool PutStuffed(std::array<std::uint8_t, kFrameBufferSize>& out, std::size_t& n,
                std::uint8_t byte) {
    if (byte == kFrameStart || byte == kEscape) {
        if (n + 2 > out.size())
            return false;
        out[n++] = kEscape;
        out[n++] = byte == kFrameStart ? kEscapedStart : kEscapedEscape;
        return true;
    }
    if (n + 1 > out.size())
        return false;
    out[n++] = byte;
    return true;
}

} // namespace

constexpr std::array<std::uint8_t, 256> kCrc8Table = MakeTable();
static_assert(MakeTable()[1] == 0x5E);

std::uint8_t Crc8Bitwise(std::uint8_t crc, std::uint8_t byte) {
    return Crc8Step(crc, byte);
}

std::uint8_t FrameCrc(std::span<const std::uint8_t> headerAndPayload) {
    if (headerAndPayload.empty())
        return kCrcInit;
    // The first byte enters without its top bit: for a long header that is the address
    // marker, which the sender never feeds into the register.
    std::uint8_t crc = Crc8Update(kCrcInit, headerAndPayload[0] & 0x7F);
    for (std::size_t i = 1; i < headerAndPayload.size(); ++i)
        crc = Crc8Update(crc, headerAndPayload[i]);
    return crc;
}

std::optional<FrameHeader> ReadFrameHeader(std::span<const std::uint8_t> frame) {
    if (frame.empty())
        return std::nullopt;
    FrameHeader h;
    h.hasAddress = (frame[0] & 0x80) != 0;
    const std::size_t lengthAt = h.hasAddress ? 2 : 1;
    if (frame.size() <= lengthAt)
        return std::nullopt;
    if (h.hasAddress)
        h.address = frame[0] & 0x7F;
    h.command = frame[lengthAt - 1];
    h.length = frame[lengthAt];
    h.payloadAt = lengthAt + 1;
    return h;
}

bool CheckFrame(std::span<const std::uint8_t> frame) {
    const auto header = ReadFrameHeader(frame);
    if (!header || frame.size() != header->payloadAt + header->length + 1)
        return false;
    return FrameCrc(frame.first(frame.size() - 1)) == frame.back();
}

std::size_t BuildFrame(std::uint8_t address, std::uint8_t command,
                       std::span<const std::uint8_t> payload,
                       std::array<std::uint8_t, kFrameBufferSize>& out) {
    const bool hasAddress = address < kNoAddress;
    const std::uint8_t addressByte = address | 0x80;
    if ((command & 0x80) != 0 ||
        (hasAddress && (addressByte == kFrameStart || addressByte == kEscape)))
        return 0;
    if (payload.size() > (hasAddress ? kMaxPayloadLong : kMaxPayloadShort))
        return 0;

    std::size_t n = 0;
    out[n++] = kFrameStart;
    std::uint8_t crc = kCrcInit;
    if (hasAddress) {
        out[n++] = addressByte;
        crc = Crc8Update(crc, address);
    }
    out[n++] = command;
    crc = Crc8Update(crc, command);
    const auto length = static_cast<std::uint8_t>(payload.size());
    crc = Crc8Update(crc, length);
    if (!PutStuffed(out, n, length))
        return 0;
    for (const std::uint8_t byte : payload) {
        crc = Crc8Update(crc, byte);
        if (!PutStuffed(out, n, byte))
            return 0;
    }
    return PutStuffed(out, n, crc) ? n : 0;
}

} // namespace core
