// Cost of writing the test report's PDF, as "Отчёт…" does it on the GUI thread: a 600-record
// test (six pages) and a full log of 32 767 records (275 pages), with the band, three alarms
// and a stretch outside the band. Reports the pages and the file size.
#include "core/fire/fire_report.h"
#include "offscreen_main.h"
#include "ui/paint/report_pdf.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

namespace {

std::vector<core::MeasurementRecord> Log(int count) {
    std::vector<core::MeasurementRecord> records(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        core::MeasurementRecord r;
        r.T = static_cast<std::uint16_t>(i * 65'535LL / std::max(count, 1));
        r.m = static_cast<float>(std::min(2.0, 0.004 * i)) + (i % 7 == 0 ? 0.01f : 0.0f);
        r.Ui = static_cast<float>(4.985 * std::pow(10.0, -r.m / 10.0));
        r.Time = 46'000.5 + r.T / 86'400.0;
        records[static_cast<std::size_t>(i)] = r;
    }
    return records;
}

void WriteReport(benchmark::State& state) {
    const std::vector<core::MeasurementRecord> records = Log(static_cast<int>(state.range(0)));
    core::ReportSource source;
    source.records = records;
    source.rows = core::RowsOfRecords(records);
    source.start = core::LogStartOf(records);
    source.marks.fireId = 2;
    source.marks.fireStartT = 10;
    source.marks.detectors = {{"И1", 120.0, 0.4f}, {"И2", 180.0, 0.6f}, {"И3", 260.0, 0.9f}};
    source.marks.distanceM = 1.0f;
    source.marks.periodSec = 1;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.pdf"));
    int pages = 0;
    for (auto _ : state) {
        const ui::ReportWrite written = ui::WriteTestReport(path, source);
        if (!written) {
            state.SkipWithError("the report could not be written");
            return;
        }
        pages = written.pages;
    }
    state.counters["pages"] = pages;
    state.counters["kB"] = static_cast<double>(QFileInfo(path).size()) / 1024.0;
}
BENCHMARK(WriteReport)->Arg(600)->Arg(32'767)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::RunOffscreen<QGuiApplication>(argc, argv);
}
