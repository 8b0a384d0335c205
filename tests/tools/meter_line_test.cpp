// Deliberate line damage and the receive log, checked against the monitor's receiver.
#include "core/link/link_protocol.h"
#include "core/link/link_receiver.h"
#include "tools/vels5-meter/line_damage.h"
#include "tools/vels5-meter/rx_log.h"
#include "tools/vels5-meter/scenario.h"

#include <array>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace {

using meter::LineDamage;

std::vector<std::uint8_t> Frame(std::uint8_t address, std::span<const std::uint8_t> payload) {
    std::array<std::uint8_t, core::kFrameBufferSize> out{};
    const std::size_t n = core::BuildFrame(address, core::kCmdStatus, payload, out);
    return {out.begin(), out.begin() + static_cast<long>(n)};
}

std::vector<std::uint8_t> StatusFrame(double tSec, std::uint8_t address = core::kNoAddress) {
    const core::StatusArea s = meter::Scenario{meter::ScenarioConfig{}}.StatusAt(tSec);
    return Frame(address, std::span(s.Bytes().data(), core::kStatusPayloadSize));
}

struct Outcome {
    std::uint64_t accepted, badCrc, badEscape, interrupted;
};

Outcome Feed(const std::vector<std::vector<std::uint8_t>>& chunks) {
    core::StatusArea area;
    core::LinkReceiver rx(area);
    for (const auto& c : chunks)
        rx.Push(std::span<const std::uint8_t>(c));
    const core::DropCounters& d = rx.Dropped();
    return {rx.Accepted(), d.badCrc, d.badEscape, d.interrupted};
}

// Payloads full of 0xC0 and 0xDB stress the escape pairs the damage must not split.
std::vector<std::uint8_t> StuffHeavyFrame(std::uint64_t i) {
    std::vector<std::uint8_t> payload(63);
    for (std::size_t k = 0; k < payload.size(); ++k)
        payload[k] = (k + i) % 3 == 0   ? 0xC0
                     : (k + i) % 3 == 1 ? 0xDB
                                        : static_cast<std::uint8_t>(k);
    return Frame(i % 2 ? 5 : core::kNoAddress, payload);
}

TEST(MeterLineDamage, EachKindCostsTheMonitorWhatItClaims) {
    for (std::uint64_t i = 0; i < 300; ++i) {
        SCOPED_TRACE(i);
        const auto good = StatusFrame(40 + i * 0.2, i % 2 ? 9 : core::kNoAddress);
        const auto heavy = StuffHeavyFrame(i);
        for (const auto& frame : {good, heavy}) {
            const auto next = StatusFrame(50);
            auto damaged = meter::DamagedBytes(frame, LineDamage::Corrupted, 3, i);
            Outcome o = Feed({damaged, next});
            EXPECT_EQ(o.badCrc, 1u);
            EXPECT_EQ(o.badEscape + o.interrupted, 0u);
            EXPECT_EQ(o.accepted, 1u); // the next frame is unharmed

            damaged = meter::DamagedBytes(frame, LineDamage::Truncated, 3, i);
            EXPECT_LT(damaged.size(), frame.size());
            o = Feed({damaged, next, next});
            EXPECT_EQ(o.interrupted, 1u);
            EXPECT_EQ(o.accepted, 1u); // the frame after the cut is lost with it

            damaged = meter::DamagedBytes(frame, LineDamage::Interrupted, 3, i);
            EXPECT_GT(damaged.size(), frame.size());
            o = Feed({damaged, next});
            EXPECT_EQ(o.interrupted, 1u);
            EXPECT_EQ(o.accepted, 1u); // the repeat is lost, the next frame is not

            EXPECT_EQ(meter::DamagedBytes(frame, LineDamage::None, 3, i), frame);
        }
    }
}

TEST(MeterLineDamage, ShareAndMixFollowTheRate) {
    std::map<LineDamage, int> counts;
    for (std::uint64_t i = 0; i < 30000; ++i)
        ++counts[meter::ChooseDamage(11, 0.1, i)];
    EXPECT_NEAR(counts[LineDamage::None], 27000, 450);
    for (LineDamage d : {LineDamage::Corrupted, LineDamage::Truncated, LineDamage::Interrupted})
        EXPECT_NEAR(counts[d], 1000, 150) << meter::DamageName(d);
    for (std::uint64_t i = 0; i < 1000; ++i) {
        EXPECT_EQ(meter::ChooseDamage(11, 0, i), LineDamage::None);
        EXPECT_NE(meter::ChooseDamage(11, 1, i), LineDamage::None);
        EXPECT_EQ(meter::ChooseDamage(4, 0.5, i), meter::ChooseDamage(4, 0.5, i));
    }
}

std::vector<meter::RxEvent> Log(const std::vector<std::uint8_t>& bytes) {
    meter::RxLog log;
    std::vector<meter::RxEvent> events;
    for (std::uint8_t b : bytes)
        if (auto e = log.Push(b))
            events.push_back(*e);
    return events;
}

TEST(MeterRxLog, RestartFrameIsRecognisedWithItsBytes) {
    const auto events = Log({core::kRestartFrame.begin(), core::kRestartFrame.end()});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].valid);
    EXPECT_EQ(events[0].command, core::kCmdRestart);
    EXPECT_EQ(events[0].verdict, "restart");
    EXPECT_EQ(meter::RxLog::Hex(events[0].wire), "C0 22 00 EE");
}

TEST(MeterRxLog, EveryFrameGetsAVerdict) {
    std::array<std::uint8_t, core::kFrameBufferSize> other{};
    const std::size_t n = core::BuildFrame(7, 0x21, {}, other);
    std::vector<std::uint8_t> bytes{0x11, 0x22}; // noise outside frames
    bytes.insert(bytes.end(), other.begin(), other.begin() + static_cast<long>(n));
    const auto status = StatusFrame(40);
    bytes.insert(bytes.end(), status.begin(), status.end());
    bytes.insert(bytes.end(), {0xC0, 0x22, 0x00, 0xEF}); // bad checksum
    bytes.insert(bytes.end(), {0xC0, 0x22, 0xDB, 0x01}); // bad escape
    bytes.insert(bytes.end(), {0xC0, 0x22, 0xC0});       // interrupted
    bytes.insert(bytes.end(), core::kRestartFrame.begin(), core::kRestartFrame.end());
    const auto events = Log(bytes);
    std::vector<std::string> verdicts;
    for (const auto& e : events)
        verdicts.push_back(e.verdict);
    EXPECT_EQ(verdicts, (std::vector<std::string>{"ignored outside a frame", "command 0x21",
                                                  "status", "bad checksum", "bad escape",
                                                  "interrupted by 0xC0", "restart"}));
    EXPECT_EQ(meter::RxLog::Hex(events[0].wire), "11 22");
    EXPECT_EQ(events[2].wire, status);
    EXPECT_EQ(meter::RxLog::Hex(events[5].wire), "C0 22 C0");
}

TEST(MeterRxLog, LongNoiseIsReportedInBoundedRuns) {
    const auto events = Log(std::vector<std::uint8_t>(200, 0x55));
    ASSERT_EQ(events.size(), 3u);
    for (const auto& e : events)
        EXPECT_EQ(e.wire.size(), 64u);
}

} // namespace
