// Cost of the measurement session per status frame and per record, and of filling the log.
#include "core/common/clock.h"
#include "core/session/measurement_session.h"

#include <benchmark/benchmark.h>

namespace {

// Records are reported to an observer, as to the windows in the program.
class RecordObserver final : public core::ISessionObserver {
public:
    void RecordAdded(int index) override { benchmark::DoNotOptimize(index); }
};

// One fault-free work frame: the mode step is skipped, the values are formatted and
// accumulated.
void ProcessWorkFrame(benchmark::State& state) {
    RecordObserver observer;
    core::ManualClock clock(46023.5);
    core::MeasurementSession session(clock);
    session.AddObserver(observer);
    session.PortOpened();
    session.Status().SetMode(0x04);
    session.Status().SetUi(2.345f);
    session.Status().SetDi(0.123f);
    for (auto _ : state) {
        session.ProcessStatus();
        benchmark::DoNotOptimize(session.View().lUi.text.data());
    }
}
BENCHMARK(ProcessWorkFrame);

// An adjustment frame with the voltage shown (blinking arrow).
void ProcessAdjustmentFrame(benchmark::State& state) {
    RecordObserver observer;
    core::ManualClock clock(46023.5);
    core::MeasurementSession session(clock);
    session.AddObserver(observer);
    session.Status().SetMode(0x02);
    session.Status().SetUi(0.5f);
    session.ProcessStatus();
    for (auto _ : state) {
        session.ProcessStatus();
        benchmark::DoNotOptimize(session.View().iTrL3);
    }
}
BENCHMARK(ProcessAdjustmentFrame);

// Writes the whole log: 32,767 records, one per tick, with a frame before each.
void FillTheLog(benchmark::State& state) {
    RecordObserver observer;
    core::ManualClock clock(46023.5);
    core::MeasurementSession session(clock);
    session.AddObserver(observer);
    session.Status().SetMode(0x04);
    session.Status().SetUi(2.0f);
    for (auto _ : state) {
        session.PortOpened();
        session.Log().SetIdle();
        while (session.Recording().state == core::RecordingState::On) {
            session.ProcessStatus();
            clock.AdvanceMs(1000);
            session.Timer1Timer();
        }
        benchmark::DoNotOptimize(session.Log().Count());
        session.bbEnRecClick(false);
    }
    state.SetItemsProcessed(state.iterations() * core::RecordLog::kMaxRecords);
}
BENCHMARK(FillTheLog)->Unit(benchmark::kMillisecond);

// Starting a log and writing a minute of records into it, as every new session does (the
// fuzz target builds one per input).
void StartALog(benchmark::State& state) {
    for (auto _ : state) {
        core::RecordLog log;
        core::ManualClock now(46023.5);
        for (int i = 0; i < 60; ++i) {
            log.Accumulate(now.Read(), 2.0f, 0.1);
            now.AdvanceMs(1000);
            log.Tick(now.Read(), 1, false);
        }
        benchmark::DoNotOptimize(log[59].Ui);
    }
}
BENCHMARK(StartALog)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
