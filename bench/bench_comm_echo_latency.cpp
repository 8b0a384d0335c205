// Round-trip receive latency and idle CPU of the serial component on a line whose far end
// echoes every byte (tests/comm/echo_line.py --no-hang-up), for Linux and for Windows alike,
// so that both builds can be measured against the same far end in one run. The line is named
// by VELS5_BENCH_ECHO_PORT: the terminal side of a pseudo-terminal on Linux, COMn on Windows
// (under Wine a COM port mapped to a pseudo-terminal). One sample is one byte written
// through the component until its echo reaches the receive handler; the queue hand-off of
// tools and tests carries the events. (The one-way time cannot be had on Windows: the far
// end of the pseudo-terminal is out of the program's reach there.) The one-way figure on Linux,
// beside QSerialPort's, is bench_comm_latency's.
#include "comm/main_thread.h"
#include "comm/va_comm.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace {

constexpr int kSamples = 1000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The process's CPU time (user and system), in µs.
int64_t CpuUs() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10; // 100 ns units
#else
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000LL + u.ru_utime.tv_usec +
           u.ru_stime.tv_usec;
#endif
}

const char* EchoPort() {
    const char* port = std::getenv("VELS5_BENCH_ECHO_PORT");
    return port && *port ? port : nullptr;
}

// An opened component on the echoing line, its events run by `queue`.
struct EchoLine {
    EchoLine() {
        comm.SetMainThread(queue);
        comm.SetBaudrate(comm::br38400);
        comm.SetDeviceName(EchoPort());
    }
    ~EchoLine() {
        comm.Close();
        queue->Shutdown();
    }
    std::shared_ptr<comm::CallQueue> queue = std::make_shared<comm::CallQueue>();
    comm::TVaComm comm;
};

double Percentile(std::vector<int64_t>& ns, int percent) {
    std::sort(ns.begin(), ns.end());
    return ns[ns.size() * percent / 100] / 1000.0;
}

double g_medianUs = 0, g_p99Us = 0, g_idlePercent = -1;

void EchoRoundTrip(benchmark::State& state) {
    if (!EchoPort()) {
        state.SkipWithError("no echoing line (VELS5_BENCH_ECHO_PORT)");
        return;
    }
    for (auto _ : state) {
        EchoLine line;
        int64_t received = 0;
        line.comm.OnRxChar = [&](comm::TVaCustomComm*, int) {
            received = NowNs();
            char ch;
            while (line.comm.ReadChar(ch)) {
            }
        };
        try {
            line.comm.Open();
        } catch (const comm::EVaCommError& e) {
            state.SkipWithError(e.what());
            return;
        }
        std::vector<int64_t> samples;
        for (int i = 0; i < kSamples; ++i) {
            // A meter sends when it will, not just after the last event was handled: the
            // writes start 0 to 9 ms apart, so they fall at every phase of a wait that
            // looks at the queue now and then (a driver that ends every pending wait).
            line.queue->RunUntil([] { return false; }, i * 7 % 10);
            received = 0;
            const int64_t sent = NowNs();
            line.comm.WriteChar(static_cast<char>('a' + i % 26));
            if (!line.queue->RunUntil([&] { return received != 0; }, 5000)) {
                state.SkipWithError("the echo did not come back");
                return;
            }
            samples.push_back(received - sent);
        }
        g_medianUs = Percentile(samples, 50);
        g_p99Us = Percentile(samples, 99);
    }
    state.counters["median_us"] = g_medianUs;
    state.counters["p99_us"] = g_p99Us;
}

// The CPU an open, silent line costs: the event thread's wait and the main thread's pump.
void EchoIdleCpu(benchmark::State& state) {
    if (!EchoPort()) {
        state.SkipWithError("no echoing line (VELS5_BENCH_ECHO_PORT)");
        return;
    }
    int64_t cpu = 0;
    for (auto _ : state) {
        EchoLine line;
        line.comm.OnRxChar = [](comm::TVaCustomComm*, int) {};
        try {
            line.comm.Open();
        } catch (const comm::EVaCommError& e) {
            state.SkipWithError(e.what());
            return;
        }
        const int64_t before = CpuUs();
        line.queue->RunUntil([] { return false; }, 5000);
        cpu = CpuUs() - before;
    }
    g_idlePercent = cpu / 1000.0 / 5000.0 * 100.0;
    state.counters["cpu_ms_in_5s"] = cpu / 1000.0;
    state.counters["core_percent"] = g_idlePercent;
}

BENCHMARK(EchoRoundTrip)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(EchoIdleCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_medianUs > 0)
        std::printf("echo round trip: median %.1f us p99 %.1f us (%d samples)\n", g_medianUs,
                    g_p99Us, kSamples);
    if (g_idlePercent >= 0)
        std::printf("idle open line: %.2f %% of a core\n", g_idlePercent);
    return 0;
}
