// libFuzzer target: the link receiver on arbitrary line bytes, and the builder round trip.
#include "core/link/link_receiver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

bool BetweenBytes(core::ReceiverState s) {
    using core::ReceiverState;
    return s == ReceiverState::Idle || s == ReceiverState::Data || s == ReceiverState::Literal ||
           s == ReceiverState::Escape;
}

// Re-checks a frame the receiver accepted and, for a status frame, the copy it made.
void CheckAccepted(const core::LinkReceiver& rx, const core::StatusArea& area,
                   core::Reception what) {
    const std::span<const std::uint8_t> frame = rx.Frame();
    Require(frame.size() <= core::kMaxFrameLength);
    Require(core::CheckFrame(frame));
    const auto header = core::ReadFrameHeader(frame);
    Require(header.has_value());
    Require((header->command == core::kCmdStatus) == (what == core::Reception::Status));
    if (what == core::Reception::Status)
        Require(std::memcmp(area.Bytes().data(), frame.data() + header->payloadAt,
                            header->length) == 0);
}

// Arbitrary bytes: every accepted frame re-checks, every started frame is accounted for by
// exactly one result, and each result's wire bytes run back to the 0xC0 that started it.
void FeedRawBytes(std::span<const std::uint8_t> data) {
    core::StatusArea area;
    core::LinkReceiver rx(area);
    std::uint64_t started = 0, valid = 0, dropped = 0;
    std::size_t frameStart = 0;
    std::vector<core::Reception> results;
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint8_t b = data[i];
        if (b == core::kFrameStart && rx.State() == core::ReceiverState::Idle) {
            ++started;
            frameStart = i;
        }
        const core::Reception what = rx.Push(b);
        Require(BetweenBytes(rx.State()));
        if (what == core::Reception::None)
            continue;
        Require(rx.State() == core::ReceiverState::Idle);
        Require(rx.WireLength() == i + 1 - frameStart);
        results.push_back(what);
        ends.push_back(i + 1);
        if (core::IsValidFrame(what)) {
            ++valid;
            CheckAccepted(rx, area, what);
        } else {
            ++dropped;
        }
    }
    Require(valid == rx.Accepted());
    Require(dropped == rx.Dropped().Total());
    const std::uint64_t open = rx.State() == core::ReceiverState::Idle ? 0 : 1;
    Require(started == rx.Accepted() + rx.Dropped().Total() + open);

    // The block entry point must behave exactly like the byte one.
    core::StatusArea areaB;
    core::LinkReceiver rxB(areaB);
    std::size_t k = 0;
    for (std::span<const std::uint8_t> rest = data; !rest.empty();) {
        const core::Received r = rxB.Push(rest);
        Require(r.consumed > 0 && r.consumed <= rest.size());
        rest = rest.subspan(r.consumed);
        if (r.what == core::Reception::None) {
            Require(rest.empty());
            break;
        }
        Require(k < results.size() && r.what == results[k]);
        Require(data.size() - rest.size() == ends[k]);
        ++k;
    }
    Require(k == results.size());
    Require(rxB.Accepted() == rx.Accepted());
    Require(rxB.Dropped().Total() == rx.Dropped().Total());
    Require(rxB.State() == rx.State());
    Require(areaB.Bytes() == area.Bytes());
}

// The input as one frame: whatever BuildFrame agrees to build is accepted as it was built.
void RoundTrip(std::span<const std::uint8_t> data) {
    if (data.size() < 2)
        return;
    const std::uint8_t address = data[0];
    const std::uint8_t command = data[1] & 0x7F;
    const auto payload = data.subspan(2, std::min<std::size_t>(data.size() - 2, 252));
    std::array<std::uint8_t, core::kFrameBufferSize> wire{};
    const std::size_t n = core::BuildFrame(address, command, payload, wire);
    if (n == 0)
        return;
    core::StatusArea area;
    core::LinkReceiver rx(area);
    const core::Received r = rx.Push(std::span<const std::uint8_t>(wire.data(), n));
    Require(core::IsValidFrame(r.what) && r.consumed == n && rx.WireLength() == n);
    Require(rx.Accepted() == 1 && rx.Dropped().Total() == 0);
    const auto header = core::ReadFrameHeader(rx.Frame());
    Require(header && header->command == command && header->length == payload.size());
    Require(header->hasAddress == (address < core::kNoAddress));
    Require(!header->hasAddress || header->address == address);
    Require(std::memcmp(rx.Frame().data() + header->payloadAt, payload.data(), payload.size()) ==
            0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    FeedRawBytes(bytes);
    RoundTrip(bytes);
    return 0;
}
