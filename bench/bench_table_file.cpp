// Reading a full table file (32,767 lines) and a long template in the core, and writing them;
// the table's rows of a full log: shown, written as a table file, shown in another format.
#include "core/common/date_time.h"
#include "core/files/table_file.h"
#include "core/files/template_file.h"
#include "core/log/record_log.h"
#include "core/table/table_model.h"
#include "core/table/table_row.h"

#include <benchmark/benchmark.h>

namespace {

// A log of 32,767 records.
const core::RecordLog& FullLog() {
    static core::RecordLog log;
    static const bool filled = [] {
        const double start = core::EncodeDateTime({2026, 1, 1, 9, 0, 0, 0});
        for (int i = 0; i < core::RecordLog::kMaxRecords; ++i) {
            log[i].T = static_cast<std::uint16_t>(i);
            log[i].Time = start + i / core::kSecondsPerDay;
            log[i].Ui = static_cast<float>(4.9 - (i % 3000) * 0.001);
            log[i].m = static_cast<float>((i % 900) * 0.011 - 0.2);
        }
        log.SetCount(core::RecordLog::kMaxRecords);
        return true;
    }();
    static_cast<void>(filled);
    return log;
}

// A full log as the save offer writes it, with the unit suffixes.
const std::string& FullTableFile() {
    static const std::string bytes = core::FormatLogFile(FullLog(), ";", true);
    return bytes;
}

void ReadFullTableFile(benchmark::State& state) {
    const std::string& bytes = FullTableFile();
    for (auto _ : state) {
        const core::TableFileLoad load = core::ReadTableFile(bytes, ";", false);
        if (load.records.size() != static_cast<std::size_t>(core::RecordLog::kMaxRecords))
            state.SkipWithError("the file was refused");
        benchmark::DoNotOptimize(load.rows.data());
    }
    state.SetItemsProcessed(state.iterations() * core::RecordLog::kMaxRecords);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(ReadFullTableFile)->Unit(benchmark::kMillisecond);

void ReadAndApplyFullTableFile(benchmark::State& state) {
    const std::string& bytes = FullTableFile();
    static core::RecordLog log;
    for (auto _ : state) {
        core::ApplyTableLoad(core::ReadTableFile(bytes, ";", true), log);
        benchmark::DoNotOptimize(log.Count());
    }
}
BENCHMARK(ReadAndApplyFullTableFile)->Unit(benchmark::kMillisecond);

void ReadLongTemplate(benchmark::State& state) {
    std::vector<core::MeasurementRecord> records(core::TemplateStore::kMaxPoints);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].T = static_cast<std::uint16_t>(i);
        records[i].m = static_cast<float>(i % 500) * 0.01f;
    }
    const std::string bytes =
        core::FormatTemplateFile(core::FormatTemplateLines(records, ";", true));
    for (auto _ : state) {
        const core::TemplateFileLoad load = core::ReadTemplateFile(bytes);
        benchmark::DoNotOptimize(load.points.data());
    }
    state.SetItemsProcessed(state.iterations() * core::TemplateStore::kMaxPoints);
}
BENCHMARK(ReadLongTemplate)->Unit(benchmark::kMillisecond);

// "Все записи" and "Сохранить" of a full log without the window: every row formatted, then
// the table file of the rows.
void ShowAndWriteAFullTable(benchmark::State& state) {
    core::TableModel model(FullLog());
    for (auto _ : state) {
        model.ShowWholeLog();
        const std::string bytes = model.FileBytes();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * core::RecordLog::kMaxRecords);
}
BENCHMARK(ShowAndWriteAFullTable)->Unit(benchmark::kMillisecond);

// The unit suffixes switched on and off over a full table: every row formatted again.
void ChangeTheFormatOfAFullTable(benchmark::State& state) {
    core::TableModel model(FullLog());
    model.ShowWholeLog();
    core::TableView view;
    for (auto _ : state) {
        view.IsUnit = !view.IsUnit;
        benchmark::DoNotOptimize(model.SetView(view));
    }
    state.SetItemsProcessed(state.iterations() * core::RecordLog::kMaxRecords);
}
BENCHMARK(ChangeTheFormatOfAFullTable)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
