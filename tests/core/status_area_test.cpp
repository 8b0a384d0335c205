// Typed access to the status area at the payload's byte offsets.
#include "core/link/status_area.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

namespace {

void PutBytes(core::StatusArea& area, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes)
        area.Bytes()[at++] = b;
}

TEST(StatusArea, ReadsFieldsAtTheirOffsetsLittleEndian) {
    core::StatusArea area;
    PutBytes(area, 0, {0x84});
    // Photodetector block at 1: RMS 0x1234, peak 0x0FFF, temperature -256 (= -1 degC),
    // third level 2.5f, Kt 1.25f, faults 0x02, attenuator 7.
    PutBytes(area, 1, {0x34, 0x12, 0xFF, 0x0F, 0x00, 0xFF});
    PutBytes(area, 1 + 8, {0x00, 0x00, 0x20, 0x40});  // 2.5f
    PutBytes(area, 1 + 16, {0x00, 0x00, 0xA0, 0x3F}); // 1.25f
    PutBytes(area, 1 + 20, {0x02, 0x07});
    PutBytes(area, 23, {0xFF, 0x1F}); // emitter RMS 8191
    PutBytes(area, 23 + 20, {0x00, 0x03});
    PutBytes(area, 45, {0x00, 0x00, 0xC0, 0x3F}); // Di 1.5f
    PutBytes(area, 53, {0x00, 0x00, 0x80, 0xBF}); // Ui -1.0f
    PutBytes(area, 59, {0x02, 0xFF, 0x00, 0x01}); // 2 min, -1 s, unread, blank

    EXPECT_EQ(area.Mode(), 0x84);
    const core::BlockStatus pd = area.Photodetector();
    EXPECT_EQ(pd.rmsCode, 0x1234);
    EXPECT_EQ(pd.peakCode, 0x0FFF);
    EXPECT_EQ(pd.tempCode, -256);
    EXPECT_DOUBLE_EQ(pd.TempCelsius(), -1.0);
    EXPECT_FLOAT_EQ(pd.thirdLevel, 2.5f);
    EXPECT_FLOAT_EQ(pd.kt, 1.25f);
    EXPECT_EQ(pd.faults, 0x02);
    EXPECT_EQ(pd.attenuatorStep, 7);
    const core::BlockStatus em = area.Emitter();
    EXPECT_EQ(em.rmsCode, 8191);
    EXPECT_DOUBLE_EQ(core::BlockStatus::CodeToVolts(em.rmsCode), 10.0);
    EXPECT_EQ(em.faults, 0);
    EXPECT_EQ(em.attenuatorStep, 3);
    EXPECT_FLOAT_EQ(area.Di(), 1.5f);
    EXPECT_FLOAT_EQ(area.Ui(), -1.0f);
    EXPECT_EQ(area.StabMinutes(), 2);
    EXPECT_EQ(area.StabSeconds(), -1);
    EXPECT_EQ(area.AdjustBlank(), 1);
    EXPECT_TRUE(area.AnyFault());
}

TEST(StatusArea, SettersWriteTheSameBytesTheGettersRead) {
    core::StatusArea area;
    core::BlockStatus em;
    em.rmsCode = 0xABCD;
    em.faults = 0x10;
    em.attenuatorStep = 0xFE;
    area.SetEmitter(em);
    area.SetUi(4.985f);
    area.SetStab(-3, 59);
    EXPECT_EQ(area.Bytes()[23], 0xCD);
    EXPECT_EQ(area.Bytes()[24], 0xAB);
    EXPECT_EQ(area.Bytes()[43], 0x10);
    EXPECT_EQ(area.Bytes()[44], 0xFE);
    float ui = 0;
    std::memcpy(&ui, area.Bytes().data() + 53, 4);
    EXPECT_EQ(ui, 4.985f);
    EXPECT_EQ(area.Bytes()[59], 0xFD);
    EXPECT_EQ(area.Bytes()[60], 59);
    EXPECT_EQ(area.Photodetector().rmsCode, 0); // neighbour block untouched
    EXPECT_EQ(area.Bytes()[22], 0);
    EXPECT_EQ(area.Bytes()[45], 0);
}

TEST(StatusArea, CopyPayloadKeepsTheRest) {
    core::StatusArea area;
    area.Bytes().fill(0x77);
    const std::uint8_t payload[3] = {1, 2, 3};
    area.CopyPayload(payload, 3);
    EXPECT_EQ(area.Bytes()[2], 3);
    EXPECT_EQ(area.Bytes()[3], 0x77);
    EXPECT_EQ(area.Bytes()[255], 0x77);
}

} // namespace
