// The cost of the live journal: a record's row appended and synced to the disk (each row
// synced, the worst case), a row appended between syncs, and the session's whole record path
// with the journal on. Files go into a fresh folder under $TMPDIR (or /tmp): measure on the
// disk the journal will live on.
#include "core/common/date_time.h"
#include "core/journal/journal_writer.h"
#include "core/session/measurement_session.h"
#include "core/table/table_row.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

class BenchDir {
public:
    BenchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vels5-bench-XXXXXX");
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~BenchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

const double kStart = core::EncodeDateTime({2026, 1, 1, 9, 0, 0, 0});
const std::string kRow = "09:00:00;    0;   4,985;   4,500;   0,250\r\n";

// Each row synced: interval 0, as if every record came a second after the last sync.
void AppendAndSyncRow(benchmark::State& state) {
    BenchDir dir;
    core::JournalWriter writer({}, 0);
    if (!writer.Open(dir.Path(), kStart))
        state.SkipWithError("cannot open the journal");
    std::int64_t nowMs = 0; // the steady clock
    for (auto _ : state) {
        if (!writer.Append(kRow, nowMs += 1000))
            state.SkipWithError("write failed");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(AppendAndSyncRow)->Unit(benchmark::kMicrosecond);

// Rows between syncs: write(2) only.
void AppendRowWithoutSync(benchmark::State& state) {
    BenchDir dir;
    core::JournalWriter writer({}, 1'000'000'000);
    if (!writer.Open(dir.Path(), kStart) || !writer.Append(kRow, 0))
        state.SkipWithError("cannot open the journal");
    for (auto _ : state) {
        if (!writer.Append(kRow, 0))
            state.SkipWithError("write failed");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(AppendRowWithoutSync)->Unit(benchmark::kMicrosecond);

// The session's record path with the journal: one work frame and one tick a second, so
// each tick writes a record, appends it and syncs it; the log restarts before it is full.
void SessionRecordWithJournal(benchmark::State& state) {
    BenchDir dir;
    core::ManualClock clock(kStart);
    auto owned = std::make_unique<core::MeasurementSession>(clock);
    core::MeasurementSession& session = *owned;
    session.SetJournal(dir.Path());
    session.PortOpened();
    const core::BlockStatus noFault;
    session.Status().SetEmitter(noFault);
    session.Status().SetPhotodetector(noFault);
    session.Status().SetUi(4.9f);
    session.Status().SetDi(0.5f);
    for (auto _ : state) {
        session.Status().SetMode(0x04);
        session.ProcessStatus();
        clock.AdvanceMs(1000);
        session.Timer1Timer();
        if (session.Log().Count() > 30'000) {
            state.PauseTiming();
            session.PortOpened();
            state.ResumeTiming();
        }
    }
    if (session.Log().Count() == 0)
        state.SkipWithError("no record was written");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(SessionRecordWithJournal)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
