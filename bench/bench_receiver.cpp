// Receiver throughput on a stream of stuffed status frames, and allocations per frame.
#include "core/link/link_receiver.h"

#include <array>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <span>
#include <vector>

// Every allocation of the program is counted, so the figure covers the receiver, the status
// copy and the reader, whatever they might call.
namespace {
std::atomic<std::uint64_t> g_allocations{0};
}

// GCC pairs the replaced operator new with free() and warns; both sides are ours here.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr int kFrames = 1000;

// Status frames as the meter sends them: 63-byte payloads, with and without an address, with
// values that need stuffing now and then (about one byte in 40 is 0xC0 or 0xDB).
std::vector<std::uint8_t> MakeStream() {
    std::vector<std::uint8_t> stream;
    std::uint32_t seed = 12345;
    core::StatusArea area;
    for (int i = 0; i < kFrames; ++i) {
        for (std::uint8_t& b : area.Bytes()) {
            seed = seed * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(seed >> 24);
        }
        area.SetMode(0x84);
        area.SetUi(4.0f + static_cast<float>(i % 100) / 100.0f);
        std::array<std::uint8_t, core::kFrameBufferSize> wire{};
        const std::uint8_t address = (i % 2) ? 0x01 : core::kNoAddress;
        const std::size_t n = core::BuildFrame(
            address, core::kCmdStatus,
            std::span<const std::uint8_t>(area.Bytes().data(), core::kStatusPayloadSize), wire);
        stream.insert(stream.end(), wire.begin(), wire.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return stream;
}

// Stands for ProcessStatus: reads the fields the measurement logic reads.
struct Reader {
    const core::StatusArea& area;
    std::uint64_t valid = 0;
    std::uint64_t status = 0;

    void Note(core::Reception what) {
        if (core::IsValidFrame(what))
            ++valid;
        if (what != core::Reception::Status)
            return;
        float ui = area.Ui();
        std::uint8_t mode = area.Mode();
        benchmark::DoNotOptimize(ui);
        benchmark::DoNotOptimize(mode);
        ++status;
    }
};

template <bool kPerByte>
void RunReceiver(benchmark::State& state) {
    const std::vector<std::uint8_t> stream = MakeStream();
    core::StatusArea area;
    Reader reader{area};
    core::LinkReceiver receiver(area);

    const std::uint64_t allocationsBefore = g_allocations.load();
    for (auto _ : state) {
        if constexpr (kPerByte) {
            // The way the received-characters handler feeds it: one byte per call.
            for (const std::uint8_t b : stream)
                reader.Note(receiver.Push(b));
        } else {
            for (std::span<const std::uint8_t> rest(stream); !rest.empty();) {
                const core::Received r = receiver.Push(rest);
                rest = rest.subspan(r.consumed);
                reader.Note(r.what);
            }
        }
        benchmark::ClobberMemory();
    }
    const std::uint64_t allocations = g_allocations.load() - allocationsBefore;

    const auto frames = static_cast<double>(state.iterations()) * kFrames;
    if (reader.status != static_cast<std::uint64_t>(frames) || receiver.Dropped().Total() != 0)
        state.SkipWithError("not every frame was accepted");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
    state.counters["frames_per_s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["allocs_per_frame"] = static_cast<double>(allocations) / frames;
    state.counters["bytes_per_frame"] = static_cast<double>(stream.size()) / kFrames;
}

void BM_ReceiverPerBytePush(benchmark::State& state) {
    RunReceiver<true>(state);
}
void BM_ReceiverBlockPush(benchmark::State& state) {
    RunReceiver<false>(state);
}

BENCHMARK(BM_ReceiverPerBytePush);
BENCHMARK(BM_ReceiverBlockPush);

} // namespace

BENCHMARK_MAIN();
