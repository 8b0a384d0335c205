// Receiver state machine: unstuffing, framing, drops by cause and the status area copy.
#include "core/link/link_receiver.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using core::ReceiverState;

Bytes Wire(std::uint8_t address, std::uint8_t command, const Bytes& payload) {
    std::array<std::uint8_t, core::kFrameBufferSize> out{};
    const std::size_t n = core::BuildFrame(address, command, payload, out);
    EXPECT_GT(n, 0u);
    return Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
}

Bytes Status(const Bytes& payload, std::uint8_t address = core::kNoAddress) {
    return Wire(address, core::kCmdStatus, payload);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Records what the receiver returned, in order: 'V' for each valid frame, followed by 'S' for
// a status frame, with what the status area held then.
struct Results {
    explicit Results(const core::StatusArea& area) : area(area) {}
    void Note(core::Reception what) {
        if (what != core::Reception::None)
            all.push_back(what);
        if (core::IsValidFrame(what))
            calls += 'V';
        if (what == core::Reception::Status) {
            calls += 'S';
            snapshots.push_back(area.Bytes());
        }
    }
    const core::StatusArea& area;
    std::string calls;
    std::vector<std::array<std::uint8_t, core::kStatusAreaSize>> snapshots;
    std::vector<core::Reception> all; ///< every result but None
};

class LinkReceiverTest : public ::testing::Test {
protected:
    void Feed(const Bytes& bytes) {
        for (const std::uint8_t b : bytes)
            seen.Note(receiver.Push(b));
    }
    Bytes AreaPrefix(std::size_t n) const {
        return Bytes(area.Bytes().begin(), area.Bytes().begin() + static_cast<std::ptrdiff_t>(n));
    }

    core::StatusArea area;
    Results seen{area};
    core::LinkReceiver receiver{area};
};

TEST_F(LinkReceiverTest, StatusFrameWithEitherHeaderIsCopiedAndReported) {
    Feed(Status({1, 2, 3}));
    EXPECT_EQ(seen.calls, "VS");
    EXPECT_EQ(AreaPrefix(4), (Bytes{1, 2, 3, 0}));
    Feed(Status({9, 8}, 0x12));
    EXPECT_EQ(seen.calls, "VSVS");
    EXPECT_EQ(AreaPrefix(4), (Bytes{9, 8, 3, 0}));
    EXPECT_EQ(receiver.State(), ReceiverState::Idle);
    EXPECT_EQ(receiver.Accepted(), 2u);
    EXPECT_EQ(receiver.Dropped().Total(), 0u);
}

TEST_F(LinkReceiverTest, FrameIsTheUnstuffedFrameOfTheResult) {
    Bytes frame;
    std::size_t wire = 0;
    const Bytes stuffed = Status({0xC0, 0xDB}, 0x03);
    for (const std::uint8_t b : stuffed) {
        if (core::IsValidFrame(receiver.Push(b))) {
            frame.assign(receiver.Frame().begin(), receiver.Frame().end());
            wire = receiver.WireLength();
        }
    }
    ASSERT_EQ(frame.size(), 6u);
    EXPECT_EQ((Bytes(frame.begin(), frame.begin() + 5)), (Bytes{0x83, 0x20, 2, 0xC0, 0xDB}));
    EXPECT_TRUE(core::CheckFrame(frame));
    EXPECT_EQ(wire, stuffed.size());
}

TEST_F(LinkReceiverTest, StuffedLengthAndChecksumAreAccepted) {
    Bytes payload(0xDB, 0x55); // length byte 0xDB
    Feed(Status(payload));
    Bytes payload2(0xC0, 0x66); // length byte 0xC0
    Feed(Status(payload2));
    EXPECT_EQ(seen.calls, "VSVS");
    // Find one-byte payloads whose checksum needs stuffing.
    int stuffedChecksums = 0;
    for (unsigned b = 0; b < 256; ++b) {
        const Bytes frame{core::kCmdStatus, 1, static_cast<std::uint8_t>(b)};
        const std::uint8_t crc = core::FrameCrc(frame);
        if (crc != 0xC0 && crc != 0xDB)
            continue;
        ++stuffedChecksums;
        Feed(Status({static_cast<std::uint8_t>(b)}));
        EXPECT_EQ(area.Bytes()[0], b);
    }
    EXPECT_EQ(stuffedChecksums, 2);
    EXPECT_EQ(receiver.Accepted(), 4u);
}

TEST_F(LinkReceiverTest, EscapedEscapeIsDataNotANewEscape) {
    // 0xDB 0xDC in the payload goes out as DB DD DC: the DC after the literal 0xDB must stay.
    Feed(Status({0xDB, 0xDC, 0xDB, 0xC0}));
    EXPECT_EQ(seen.calls, "VS");
    EXPECT_EQ(AreaPrefix(4), (Bytes{0xDB, 0xDC, 0xDB, 0xC0}));
}

TEST_F(LinkReceiverTest, BackToBackFramesAreBothAccepted) {
    Feed(Concat({Status({1}), Status({2}, 0x01), Wire(core::kNoAddress, 0x33, {})}));
    EXPECT_EQ(seen.calls, "VSVSV");
    ASSERT_EQ(seen.snapshots.size(), 2u);
    EXPECT_EQ(seen.snapshots[0][0], 1);
    EXPECT_EQ(seen.snapshots[1][0], 2);
}

TEST_F(LinkReceiverTest, InterruptedFrameLosesItselfAndTheNextOne) {
    const Bytes first = Status({1, 2, 3, 4});
    const Bytes cut(first.begin(), first.begin() + 4);
    Feed(Concat({cut, Status({5}), Status({6})}));
    EXPECT_EQ(seen.calls, "VS");
    EXPECT_EQ(area.Bytes()[0], 6);
    EXPECT_EQ(receiver.Dropped().interrupted, 1u);
}

TEST_F(LinkReceiverTest, FrameStartRightAfterAnEscapeInterrupts) {
    Feed(Bytes{0xC0, 0x20, 0x02, 0xDB});
    EXPECT_EQ(receiver.State(), ReceiverState::Escape);
    Feed(Concat({Status({7}), Status({8})}));
    EXPECT_EQ(receiver.Dropped().interrupted, 1u);
    EXPECT_EQ(seen.calls, "VS");
    EXPECT_EQ(area.Bytes()[0], 8);
}

TEST_F(LinkReceiverTest, BadChecksumChangesNothing) {
    Feed(Status({1, 1, 1}));
    Bytes bad = Status({2, 2, 2});
    bad.back() ^= 0x01;
    Feed(bad);
    EXPECT_EQ(seen.calls, "VS");
    EXPECT_EQ(AreaPrefix(3), (Bytes{1, 1, 1}));
    EXPECT_EQ(receiver.Dropped().badCrc, 1u);
    EXPECT_EQ(receiver.State(), ReceiverState::Idle);
    Feed(Status({3}));
    EXPECT_EQ(seen.calls, "VSVS");
}

TEST_F(LinkReceiverTest, BadEscapeDropsTheFrameAndWaitsForTheNextStart) {
    Feed(Bytes{0xC0, 0x20, 0x02, 0xDB, 0x41, 0x01, 0x02, 0x03});
    EXPECT_EQ(receiver.Dropped().badEscape, 1u);
    EXPECT_EQ(receiver.State(), ReceiverState::Idle);
    Feed(Status({4}));
    EXPECT_EQ(seen.calls, "VS");
}

TEST_F(LinkReceiverTest, ShortPayloadUpdatesOnlyTheStartOfTheArea) {
    Bytes full(core::kStatusPayloadSize);
    for (std::size_t i = 0; i < full.size(); ++i)
        full[i] = static_cast<std::uint8_t>(i + 1);
    Feed(Status(full));
    Feed(Status({0xAA, 0xBB}));
    EXPECT_EQ(area.Bytes()[0], 0xAA);
    EXPECT_EQ(area.Bytes()[1], 0xBB);
    EXPECT_EQ(area.Bytes()[2], 3);
    EXPECT_EQ(area.Bytes()[62], 63);
    EXPECT_EQ(area.Bytes()[63], 0);
}

TEST_F(LinkReceiverTest, OtherCommandsOnlyReportAValidFrame) {
    Feed(Status({1}));
    Feed(Wire(0x02, 0x21, {9, 9, 9}));
    Feed(Wire(core::kNoAddress, core::kCmdRestart, {}));
    EXPECT_EQ(seen.calls, "VSVV");
    EXPECT_EQ(area.Bytes()[0], 1);
}

TEST_F(LinkReceiverTest, BytesOutsideFramesAreIgnored) {
    Feed(Bytes{0x00, 0xDB, 0xDC, 0x20, 0x01, 0xFF});
    EXPECT_EQ(receiver.State(), ReceiverState::Idle);
    Feed(Status({1}));
    EXPECT_EQ(seen.calls, "VS");
    EXPECT_EQ(receiver.Dropped().Total(), 0u);
}

TEST_F(LinkReceiverTest, LongestFramesOfBothFormsAreAccepted) {
    Feed(Status(Bytes(core::kMaxPayloadLong, 0x11), 0x01)); // 255-byte frame
    Feed(Status(Bytes(core::kMaxPayloadShort, 0x22)));      // 255-byte frame
    EXPECT_EQ(seen.calls, "VSVS");
    EXPECT_EQ(area.Bytes()[251], 0x22);
    EXPECT_EQ(area.Bytes()[252], 0x00);
}

// Over-long length bytes: a frame of 256 or more unstuffed bytes ends at its length byte.
struct Overlong {
    const char* name;
    Bytes header; // after the 0xC0, up to and including the length byte
};

void PrintTo(const Overlong& c, std::ostream* os) {
    *os << c.name;
}

class LinkReceiverOverlong : public LinkReceiverTest,
                             public ::testing::WithParamInterface<Overlong> {};

TEST_P(LinkReceiverOverlong, EndsAtTheLengthByteAndTheNextFrameIsAccepted) {
    Feed(Bytes{0xC0});
    Feed(GetParam().header);
    EXPECT_EQ(receiver.State(), ReceiverState::Idle);
    EXPECT_EQ(receiver.Dropped().overlong, 1u);
    EXPECT_EQ(seen.all, std::vector<core::Reception>{core::Reception::Overlong});
    EXPECT_EQ(receiver.WireLength(), 1 + GetParam().header.size());
    // What the sender puts after the length byte is ignored until the next 0xC0.
    Bytes tail(600);
    for (std::size_t i = 0; i < tail.size(); ++i)
        tail[i] = static_cast<std::uint8_t>(i % 0xC0);
    Feed(tail);
    EXPECT_EQ(receiver.State(), ReceiverState::Idle);
    Feed(Status({0x5A}));
    EXPECT_EQ(seen.calls, "VS");
    EXPECT_EQ(area.Bytes()[0], 0x5A);
    EXPECT_EQ(area.Bytes()[1], 0x00);
    EXPECT_EQ(receiver.Dropped().Total(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, LinkReceiverOverlong,
    ::testing::Values(Overlong{"Long252", {0x81, 0x20, 252}},
                      Overlong{"Long255", {0x81, 0x20, 255}}, Overlong{"Short253", {0x20, 253}},
                      Overlong{"Short255", {0x20, 255}},
                      Overlong{"LongAfterStuffedAddress", {0xDB, 0xDD, 0x20, 252}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkReceiverTest, StuffedHeaderBytesAreUnstuffedToo) {
    // A sender never stuffs the header, but the receiver unstuffs everything after 0xC0:
    // DB DC as the first byte is a 0xC0 address byte (address 0x40).
    const std::uint8_t crc = core::FrameCrc(Bytes{0xC0, 0x20, 0x01, 0x07});
    Feed(Bytes{0xC0, 0xDB, 0xDC, 0x20, 0x01, 0x07});
    if (crc == 0xC0 || crc == 0xDB)
        Feed(Bytes{0xDB, static_cast<std::uint8_t>(crc == 0xC0 ? 0xDC : 0xDD)});
    else
        Feed(Bytes{crc});
    EXPECT_EQ(seen.calls, "VS");
    EXPECT_EQ(area.Bytes()[0], 0x07);
}

TEST_F(LinkReceiverTest, BlockPushEqualsBytePush) {
    const Bytes stream = Concat({Bytes{0x01, 0xC0, 0x20}, Status({1, 0xC0}), Status({2}, 0x09),
                                 Bytes{0xC0, 0x20, 0x01, 0xDB, 0x00}, Status({3})});
    core::StatusArea areaB;
    Results seenB{areaB};
    core::LinkReceiver byBlock{areaB};
    // Where each result ends, counted in bytes of the stream: by block from what each Push
    // took, by byte from the byte that returned it; and the wire length of what it ended.
    std::vector<std::size_t> endsB, ends, wiresB, wires;
    for (std::span<const std::uint8_t> rest(stream); !rest.empty();) {
        const core::Received r = byBlock.Push(rest);
        ASSERT_GT(r.consumed, 0u);
        rest = rest.subspan(r.consumed);
        seenB.Note(r.what);
        if (r.what != core::Reception::None) {
            endsB.push_back(stream.size() - rest.size());
            wiresB.push_back(byBlock.WireLength());
        } else {
            EXPECT_TRUE(rest.empty());
        }
    }
    for (std::size_t i = 0; i < stream.size(); ++i) {
        const core::Reception what = receiver.Push(stream[i]);
        seen.Note(what);
        if (what != core::Reception::None) {
            ends.push_back(i + 1);
            wires.push_back(receiver.WireLength());
        }
    }
    EXPECT_EQ(seenB.calls, seen.calls);
    EXPECT_EQ(seenB.all, seen.all);
    EXPECT_EQ(endsB, ends);
    EXPECT_EQ(wiresB, wires);
    EXPECT_EQ(areaB.Bytes(), area.Bytes());
    EXPECT_EQ(byBlock.State(), receiver.State());
    EXPECT_EQ(byBlock.Dropped().interrupted, receiver.Dropped().interrupted);
    EXPECT_EQ(byBlock.Dropped().badEscape, receiver.Dropped().badEscape);
    EXPECT_EQ(seen.calls, "VSVS");
    EXPECT_EQ(receiver.Dropped().Total(), 2u); // the frame cut by a 0xC0 and the bad escape
    using R = core::Reception;
    EXPECT_EQ(seen.all, (std::vector<R>{R::Interrupted, R::Status, R::BadEscape, R::Status}));
    // A dropped frame's wire bytes run from its 0xC0 to the byte that ended it.
    ASSERT_EQ(wires.size(), 4u);
    EXPECT_EQ(wires[0], 3u); // C0 20 and the interrupting C0
    EXPECT_EQ(wires[2], 5u); // C0 20 01 DB 00
}

} // namespace
