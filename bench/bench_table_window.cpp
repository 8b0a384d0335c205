// The table window with 32,767 rows, offscreen: loading a full table file and showing its
// rows, "Все записи", and erasing every second row.
#include "core/common/clock.h"
#include "core/session/measurement_session.h"
#include "core/table/table_row.h"
#include "offscreen_main.h"
#include "tests/common/fake_prompts.h"
#include "ui/table/form_tabl.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QItemSelection>
#include <QListWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A shown table window over a full log.
struct Rig {
    core::ManualClock clock{46023.5};
    core::MeasurementSession session{clock};
    test::FakePrompts prompts;
    ui::TFormTabl window{prompts, session};

    Rig() {
        core::RecordLog& log = session.Log();
        for (int i = 0; i < core::RecordLog::kMaxRecords; ++i) {
            log[i].T = static_cast<std::uint16_t>(i);
            log[i].Time = 46023.375 + i / 86400.0;
            log[i].Ui = static_cast<float>(4.9 - (i % 3000) * 0.001);
            log[i].m = static_cast<float>((i % 900) * 0.011);
        }
        log.SetCount(core::RecordLog::kMaxRecords);
        window.show();
        QApplication::processEvents();
    }
    void FillList() {
        window.mAllRec->setChecked(false);
        window.mAllRecClick();
        QApplication::processEvents();
    }
};

void LoadFullTableInWindow(benchmark::State& state) {
    Rig rig;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot write the table file");
        return;
    }
    file.write(QByteArray::fromStdString(core::FormatLogFile(rig.session.Log(), ";", true)));
    file.close();
    for (auto _ : state) {
        rig.prompts.fileNames.push_back(path.toStdString());
        rig.window.bbLoadTabClick();
        QApplication::processEvents(); // the list shows its rows
        if (rig.window.ListBox1->count() != core::RecordLog::kMaxRecords)
            state.SkipWithError("the load was refused");
    }
}
BENCHMARK(LoadFullTableInWindow)->Unit(benchmark::kMillisecond);

void AllRecordsOfAFullLog(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        state.PauseTiming();
        rig.window.mAllRec->setChecked(false);
        state.ResumeTiming();
        rig.window.mAllRecClick();
        QApplication::processEvents();
    }
}
BENCHMARK(AllRecordsOfAFullLog)->Unit(benchmark::kMillisecond);

void EraseEverySecondRow(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        state.PauseTiming();
        rig.FillList();
        QItemSelection selection;
        QAbstractItemModel* model = rig.window.ListBox1->model();
        for (int row = 0; row < core::RecordLog::kMaxRecords; row += 2)
            selection.select(model->index(row, 0), model->index(row, 0));
        rig.window.ListBox1->selectionModel()->select(selection, QItemSelectionModel::Select);
        state.ResumeTiming();
        rig.window.mEraseClick();
        QApplication::processEvents();
        if (rig.window.ListBox1->count() != core::RecordLog::kMaxRecords / 2)
            state.SkipWithError("wrong rows erased");
    }
}
BENCHMARK(EraseEverySecondRow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::RunOffscreen<QApplication>(argc, argv);
}
