// The 256-byte status area: the payload of the latest status frame, with typed
// access to the fields the monitor reads and setters for the meter simulator.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace core {

/// Size of the status area, bytes. Zero at program start.
inline constexpr std::size_t kStatusAreaSize = 256;
/// Length of a complete status payload as the meter sends it.
inline constexpr std::size_t kStatusPayloadSize = 63;

/// Offsets inside the status payload.
namespace status_offset {
inline constexpr std::size_t kMode = 0;
inline constexpr std::size_t kPhotodetector = 1; ///< BlockStatus, 22 bytes
inline constexpr std::size_t kEmitter = 23;      ///< BlockStatus, 22 bytes
inline constexpr std::size_t kDi = 45;           ///< float32, dB
inline constexpr std::size_t kUi = 53;           ///< float32, V
inline constexpr std::size_t kStabMinutes = 59;
inline constexpr std::size_t kStabSeconds = 60;
inline constexpr std::size_t kAdjustBlank = 62;
} // namespace status_offset

/// Offsets inside one BlockStatus record (22 bytes).
namespace block_offset {
inline constexpr std::size_t kRmsCode = 0;     ///< uint16, volts = code * 10 / 8191
inline constexpr std::size_t kPeakCode = 2;    ///< uint16, volts = code * 10 / 8191
inline constexpr std::size_t kTempCode = 4;    ///< int16, 1/256 degC
inline constexpr std::size_t kThirdLevel = 8;  ///< float32, V
inline constexpr std::size_t kKt = 16;         ///< float32
inline constexpr std::size_t kFaults = 20;     ///< uint8, 0 = normal
inline constexpr std::size_t kAttenuator = 21; ///< uint8, attenuator step
inline constexpr std::size_t kSize = 22;
} // namespace block_offset

/// Mode bits of the status byte 0.
namespace mode_bit {
inline constexpr std::uint8_t kStabilisation = 0x01;
inline constexpr std::uint8_t kAdjustment = 0x02;
inline constexpr std::uint8_t kWork = 0x04;
inline constexpr std::uint8_t kStart = 0x08;
inline constexpr std::uint8_t kMeasuring = 0x80; ///< measurement under way inside the meter
} // namespace mode_bit

/// One block's part of the status payload, decoded.
struct BlockStatus {
    std::uint16_t rmsCode = 0;
    std::uint16_t peakCode = 0;
    std::int16_t tempCode = 0; ///< 1/256 degC
    float thirdLevel = 0;      ///< V
    float kt = 0;
    std::uint8_t faults = 0; ///< 0 = normal; bits described with the fault texts
    std::uint8_t attenuatorStep = 0;

    bool Faulty() const { return faults != 0; }
    static double CodeToVolts(std::uint16_t code) { return code * 10.0 / 8191.0; }
    double TempCelsius() const { return tempCode / 256.0; }
};

/// Raw status bytes with little-endian typed access. Plain value type, no allocation.
class StatusArea {
public:
    std::array<std::uint8_t, kStatusAreaSize>& Bytes() { return m_bytes; }
    const std::array<std::uint8_t, kStatusAreaSize>& Bytes() const { return m_bytes; }

    /// Overwrites the start of the area with a payload; bytes past `length` keep their values.
    void CopyPayload(const std::uint8_t* payload, std::size_t length) {
        if (length > kStatusAreaSize)
            length = kStatusAreaSize;
        std::memcpy(m_bytes.data(), payload, length);
    }
    void Clear() { m_bytes.fill(0); }

    std::uint8_t Mode() const { return m_bytes[status_offset::kMode]; }
    BlockStatus Photodetector() const { return Block(status_offset::kPhotodetector); }
    BlockStatus Emitter() const { return Block(status_offset::kEmitter); }
    float Di() const { return Get<float>(status_offset::kDi); }
    float Ui() const { return Get<float>(status_offset::kUi); }
    /// Countdown fields are signed bytes.
    std::int8_t StabMinutes() const { return Get<std::int8_t>(status_offset::kStabMinutes); }
    std::int8_t StabSeconds() const { return Get<std::int8_t>(status_offset::kStabSeconds); }
    std::uint8_t AdjustBlank() const { return m_bytes[status_offset::kAdjustBlank]; }
    /// Either block reports a fault.
    bool AnyFault() const { return Photodetector().Faulty() || Emitter().Faulty(); }

    void SetMode(std::uint8_t mode) { m_bytes[status_offset::kMode] = mode; }
    void SetPhotodetector(const BlockStatus& b) { SetBlock(status_offset::kPhotodetector, b); }
    void SetEmitter(const BlockStatus& b) { SetBlock(status_offset::kEmitter, b); }
    void SetDi(float v) { Put(status_offset::kDi, v); }
    void SetUi(float v) { Put(status_offset::kUi, v); }
    void SetStab(std::int8_t minutes, std::int8_t seconds) {
        Put(status_offset::kStabMinutes, minutes);
        Put(status_offset::kStabSeconds, seconds);
    }
    void SetAdjustBlank(std::uint8_t v) { m_bytes[status_offset::kAdjustBlank] = v; }

private:
    // The wire format is little-endian, as is every platform this builds for.
    static_assert(std::endian::native == std::endian::little);

    template <typename T>
    T Get(std::size_t offset) const {
        T v;
        std::memcpy(&v, m_bytes.data() + offset, sizeof v);
        return v;
    }
    template <typename T>
    void Put(std::size_t offset, T v) {
        std::memcpy(m_bytes.data() + offset, &v, sizeof v);
    }
    BlockStatus Block(std::size_t at) const {
        BlockStatus b;
        b.rmsCode = Get<std::uint16_t>(at + block_offset::kRmsCode);
        b.peakCode = Get<std::uint16_t>(at + block_offset::kPeakCode);
        b.tempCode = Get<std::int16_t>(at + block_offset::kTempCode);
        b.thirdLevel = Get<float>(at + block_offset::kThirdLevel);
        b.kt = Get<float>(at + block_offset::kKt);
        b.faults = m_bytes[at + block_offset::kFaults];
        b.attenuatorStep = m_bytes[at + block_offset::kAttenuator];
        return b;
    }
    void SetBlock(std::size_t at, const BlockStatus& b) {
        Put(at + block_offset::kRmsCode, b.rmsCode);
        Put(at + block_offset::kPeakCode, b.peakCode);
        Put(at + block_offset::kTempCode, b.tempCode);
        Put(at + block_offset::kThirdLevel, b.thirdLevel);
        Put(at + block_offset::kKt, b.kt);
        m_bytes[at + block_offset::kFaults] = b.faults;
        m_bytes[at + block_offset::kAttenuator] = b.attenuatorStep;
    }

    std::array<std::uint8_t, kStatusAreaSize> m_bytes{};
};

} // namespace core
