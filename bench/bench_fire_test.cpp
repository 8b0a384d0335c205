// Cost of keeping a fire test's verdict up to date: FireTest::Update runs after every record,
// over the whole log. Measured for logs of 600 records (a ten-minute test at 1 s) and of
// 32,767 (a full log), with the curve inside the band and with it leaving the band often.
#include "core/fire/fire_test.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

namespace {

std::vector<core::MeasurementRecord> Curve(int count, bool wavy) {
    std::vector<core::MeasurementRecord> records(static_cast<std::size_t>(count));
    const core::TestFireEnvelope& fire = *core::FindTestFire(2);
    for (int i = 0; i < count; ++i) {
        core::MeasurementRecord& r = records[static_cast<std::size_t>(i)];
        r.T = static_cast<std::uint16_t>(i);
        const float middle =
            (core::UpperLimitAt(fire, i % 800) + core::LowerLimitAt(fire, i % 800)) / 2;
        // Wavy: every few records across one limit or the other.
        r.m = wavy ? middle * (1 + 1.5f * static_cast<float>(std::sin(i * 0.9))) : middle * 0.99f;
    }
    return records;
}

void UpdateAfterARecord(benchmark::State& state) {
    const std::vector<core::MeasurementRecord> records =
        Curve(static_cast<int>(state.range(0)), state.range(1) != 0);
    core::FireTest test;
    test.SetFire(2);
    test.StartFire(0);
    for (int i = 0; i < 3; ++i)
        test.AddDetector("И" + std::to_string(i + 1));
    test.MarkAlarm(0, 100, 0.1f);
    for (auto _ : state) {
        test.Update(records);
        benchmark::DoNotOptimize(test.Verdict()->checked);
    }
    state.counters["violations"] = static_cast<double>(test.Verdict()->violations.size());
}

BENCHMARK(UpdateAfterARecord)
    ->Args({600, 0})
    ->Args({32'767, 0})
    ->Args({32'767, 1})
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
