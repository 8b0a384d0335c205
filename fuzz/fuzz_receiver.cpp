// libFuzzer target: the link receiver on arbitrary line bytes, and the builder round trip.
#include "core/link/link_receiver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// Re-checks every frame the receiver accepts and the status copy that follows it.
class CheckingSink final : public core::ILinkSink {
public:
    CheckingSink(const core::LinkReceiver& rx, const core::StatusArea& area)
        : m_rx(rx), m_area(area) {}

    void OnValidFrame() override {
        Require(!m_statusPending);
        const std::span<const std::uint8_t> frame(m_rx.LastFrame(), m_rx.LastFrameLength());
        Require(frame.size() <= core::kMaxFrameLength);
        Require(core::CheckFrame(frame));
        const auto header = core::ReadFrameHeader(frame);
        Require(header.has_value());
        m_header = *header;
        m_statusPending = header->command == core::kCmdStatus;
        ++valid;
    }
    void OnStatusFrame() override {
        Require(m_statusPending);
        m_statusPending = false;
        Require(std::memcmp(m_area.Bytes().data(), m_rx.LastFrame() + m_header.payloadAt,
                            m_header.length) == 0);
        ++status;
    }
    // Between bytes no status copy may be owed.
    void AfterByte() const { Require(!m_statusPending); }

    std::uint64_t valid = 0;
    std::uint64_t status = 0;

private:
    const core::LinkReceiver& m_rx;
    const core::StatusArea& m_area;
    core::FrameHeader m_header;
    bool m_statusPending = false;
};

bool BetweenBytes(core::ReceiverState s) {
    using core::ReceiverState;
    return s == ReceiverState::Idle || s == ReceiverState::Data || s == ReceiverState::Literal ||
           s == ReceiverState::Escape;
}

// Arbitrary bytes: every accepted frame re-checks, every started frame is accounted for.
void FeedRawBytes(std::span<const std::uint8_t> data) {
    core::StatusArea area;
    core::LinkReceiver rx(area);
    CheckingSink sink(rx, area);
    rx.SetSink(&sink);
    std::uint64_t started = 0;
    for (const std::uint8_t b : data) {
        if (b == core::kFrameStart && rx.State() == core::ReceiverState::Idle)
            ++started;
        rx.Push(b);
        sink.AfterByte();
        Require(BetweenBytes(rx.State()));
    }
    Require(sink.valid == rx.Accepted());
    const std::uint64_t open = rx.State() == core::ReceiverState::Idle ? 0 : 1;
    Require(started == rx.Accepted() + rx.Dropped().Total() + open);

    // The block entry point must behave exactly like the byte one.
    core::StatusArea areaB;
    core::LinkReceiver rxB(areaB);
    rxB.Push(data);
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
    rx.Push(std::span<const std::uint8_t>(wire.data(), n));
    Require(rx.Accepted() == 1 && rx.Dropped().Total() == 0);
    const auto header =
        core::ReadFrameHeader(std::span<const std::uint8_t>(rx.LastFrame(), rx.LastFrameLength()));
    Require(header && header->command == command && header->length == payload.size());
    Require(header->hasAddress == (address < core::kNoAddress));
    Require(!header->hasAddress || header->address == address);
    Require(std::memcmp(rx.LastFrame() + header->payloadAt, payload.data(), payload.size()) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    FeedRawBytes(bytes);
    RoundTrip(bytes);
    return 0;
}
