// CRC-8, frame check and frame builder of the meter's link.
#include "core/link/link_protocol.h"

#include <array>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using core::BuildFrame;
using core::CheckFrame;

// The unstuffed frame (without the 0xC0) of a stuffed one, as a reader of the wire sees it.
Bytes Unstuff(const std::uint8_t* wire, std::size_t n) {
    Bytes out;
    for (std::size_t i = 1; i < n; ++i) {
        if (wire[i] == core::kEscape && i + 1 < n)
            out.push_back(wire[++i] == core::kEscapedStart ? 0xC0 : 0xDB);
        else
            out.push_back(wire[i]);
    }
    return out;
}

Bytes Build(std::uint8_t address, std::uint8_t command, const Bytes& payload) {
    std::array<std::uint8_t, core::kFrameBufferSize> out{};
    const std::size_t n = BuildFrame(address, command, payload, out);
    return Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
}

// The table and the bitwise loop are two implementations of one CRC step.
struct CrcStep {
    const char* name;
    std::function<std::uint8_t(std::uint8_t, std::uint8_t)> step;
    std::uint8_t operator()(std::uint8_t crc, std::uint8_t byte) const { return step(crc, byte); }
};
void PrintTo(const CrcStep& c, std::ostream* os) {
    *os << c.name;
}

class Crc8Step : public ::testing::TestWithParam<CrcStep> {};

TEST_P(Crc8Step, EntryOneIs5E) {
    EXPECT_EQ(GetParam()(0, 1), 0x5E);
}

TEST_P(Crc8Step, MatchesTheMaximCheckValue) {
    // CRC-8/MAXIM of "123456789" from a zero register.
    std::uint8_t crc = 0;
    for (const char c : std::string_view("123456789"))
        crc = GetParam()(crc, static_cast<std::uint8_t>(c));
    EXPECT_EQ(crc, 0xA1);
}

INSTANTIATE_TEST_SUITE_P(TableAndBitwise, Crc8Step,
                         ::testing::Values(CrcStep{"Table", core::Crc8Update},
                                           CrcStep{"Bitwise", core::Crc8Bitwise}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Crc8, TableAgreesWithBitwiseForEveryRegisterAndByte) {
    for (unsigned crc = 0; crc < 256; ++crc)
        for (unsigned b = 0; b < 256; ++b)
            ASSERT_EQ(
                core::Crc8Update(static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(b)),
                core::Crc8Bitwise(static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(b)))
                << crc << " " << b;
}

TEST(BuildFrame, RestartFrameIsC0_22_00_EE) {
    const Bytes restart = Build(core::kNoAddress, core::kCmdRestart, {});
    EXPECT_EQ(restart, Bytes(core::kRestartFrame.begin(), core::kRestartFrame.end()));
    EXPECT_EQ(Build(0xFF, core::kCmdRestart, {}), restart); // any address >= 0x80 is "none"
}

TEST(BuildFrame, LongHeaderCarriesTheAddressAndChecksOut) {
    const Bytes payload{1, 2, 3};
    const Bytes wire = Build(0x05, core::kCmdStatus, payload);
    ASSERT_EQ(wire.size(), 8u);
    EXPECT_EQ(wire[0], 0xC0);
    EXPECT_EQ(wire[1], 0x85);
    EXPECT_EQ(wire[2], core::kCmdStatus);
    EXPECT_EQ(wire[3], 3);
    const Bytes frame = Unstuff(wire.data(), wire.size());
    EXPECT_TRUE(CheckFrame(frame));
    // The address marker bit stays out of the CRC: the register starts from address 0x05.
    std::uint8_t crc = core::Crc8Update(core::kCrcInit, 0x05);
    for (const std::uint8_t b :
         {std::uint8_t{0x20}, std::uint8_t{3}, std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}})
        crc = core::Crc8Update(crc, b);
    EXPECT_EQ(frame.back(), crc);
}

TEST(BuildFrame, StuffsLengthPayloadAndChecksumButNotTheHeader) {
    Bytes payload(192, 0x11); // length byte 0xC0
    payload[0] = 0xC0;
    payload[1] = 0xDB;
    const Bytes wire = Build(core::kNoAddress, 0x5B, payload); // command 0x5B is never stuffed
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire[1], 0x5B);
    EXPECT_EQ((Bytes{wire[2], wire[3]}), (Bytes{0xDB, 0xDC})); // length 0xC0
    EXPECT_EQ((Bytes{wire[4], wire[5], wire[6], wire[7]}), (Bytes{0xDB, 0xDC, 0xDB, 0xDD}));
    for (std::size_t i = 1; i < wire.size(); ++i)
        EXPECT_NE(wire[i], 0xC0) << i;
    EXPECT_TRUE(CheckFrame(Unstuff(wire.data(), wire.size())));
}

TEST(BuildFrame, StuffsAChecksumOf0xC0) {
    // Search a one-byte payload whose checksum is 0xC0, then check how it goes out.
    for (unsigned b = 0; b < 256; ++b) {
        const Bytes frame{core::kCmdStatus, 1, static_cast<std::uint8_t>(b)};
        if (core::FrameCrc(frame) != 0xC0)
            continue;
        const Bytes wire = Build(core::kNoAddress, core::kCmdStatus, {frame[2]});
        ASSERT_GE(wire.size(), 2u);
        EXPECT_EQ((Bytes{wire[wire.size() - 2], wire.back()}), (Bytes{0xDB, 0xDC}));
        return;
    }
    FAIL() << "no payload byte gives checksum 0xC0";
}

TEST(BuildFrame, RefusesFramesNoReceiverCouldRead) {
    std::array<std::uint8_t, core::kFrameBufferSize> out{};
    EXPECT_EQ(BuildFrame(core::kNoAddress, 0x80, {}, out), 0u); // would read as an address
    EXPECT_EQ(BuildFrame(0x40, core::kCmdStatus, {}, out), 0u); // address byte 0xC0
    EXPECT_EQ(BuildFrame(0x5B, core::kCmdStatus, {}, out), 0u); // address byte 0xDB
    EXPECT_EQ(BuildFrame(0x7F, core::kCmdStatus, {}, out), 5u);
}

TEST(BuildFrame, PayloadLimitsAndTheTransmitBuffer) {
    std::array<std::uint8_t, core::kFrameBufferSize> out{};
    const Bytes zeros251(251, 0), zeros252(252, 0);
    EXPECT_EQ(BuildFrame(0x01, 1, zeros251, out), 256u); // 0xC0 + 255, exactly full
    EXPECT_EQ(BuildFrame(0x01, 1, zeros252, out), 0u);   // 256-byte frame: outside the protocol
    EXPECT_EQ(BuildFrame(core::kNoAddress, 1, zeros252, out), 256u);
    Bytes oneStuffed = zeros252;
    oneStuffed[0] = 0xDB; // one more byte on the wire than the buffer holds
    EXPECT_EQ(BuildFrame(core::kNoAddress, 1, oneStuffed, out), 0u);
}

TEST(CheckFrame, RejectsWrongChecksumAndWrongLength) {
    const Bytes good{0x22, 0x00, 0xEE};
    EXPECT_TRUE(CheckFrame(good));
    EXPECT_FALSE(CheckFrame(Bytes{0x22, 0x00, 0xEF}));
    EXPECT_FALSE(CheckFrame(Bytes{0x22, 0x00, 0xEE, 0x00})); // longer than declared
    EXPECT_FALSE(CheckFrame(Bytes{0x22, 0x01, 0xEE}));       // shorter than declared
    EXPECT_FALSE(CheckFrame(Bytes{0x22}));
    EXPECT_FALSE(CheckFrame(Bytes{0x85, 0x20}));
    EXPECT_FALSE(CheckFrame(Bytes{}));
}

TEST(FrameCrc, FirstByteEntersWithoutItsTopBit) {
    EXPECT_EQ(core::FrameCrc(Bytes{0x85, 0x20, 0x00}), core::FrameCrc(Bytes{0x05, 0x20, 0x00}));
    EXPECT_NE(core::FrameCrc(Bytes{0x85, 0x20, 0x00}), core::FrameCrc(Bytes{0x86, 0x20, 0x00}));
    // Only the first byte is masked.
    EXPECT_NE(core::FrameCrc(Bytes{0x05, 0xA0, 0x00}), core::FrameCrc(Bytes{0x05, 0x20, 0x00}));
    EXPECT_EQ(core::FrameCrc(Bytes{}), core::kCrcInit);
}

TEST(ReadFrameHeader, ReadsBothForms) {
    const auto shortHeader = core::ReadFrameHeader(Bytes{0x22, 0x00, 0xEE});
    ASSERT_TRUE(shortHeader);
    EXPECT_FALSE(shortHeader->hasAddress);
    EXPECT_EQ(shortHeader->command, 0x22);
    EXPECT_EQ(shortHeader->payloadAt, 2u);
    const auto longHeader = core::ReadFrameHeader(Bytes{0x85, 0x20, 0x3F});
    ASSERT_TRUE(longHeader);
    EXPECT_TRUE(longHeader->hasAddress);
    EXPECT_EQ(longHeader->address, 5);
    EXPECT_EQ(longHeader->command, 0x20);
    EXPECT_EQ(longHeader->length, 0x3F);
    EXPECT_EQ(longHeader->payloadAt, 3u);
    EXPECT_FALSE(core::ReadFrameHeader(Bytes{0x85, 0x20}));
}

} // namespace
