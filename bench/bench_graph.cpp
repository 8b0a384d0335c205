// Cost of one graph redraw on a 1072 x 469 picture: the paint list alone, and the whole redraw
// as the window does it (list, QPainter replay, the copy for the visible picture), with 3200
// records across and a full log, with the ТП2 band, with a 3,000-point template, and with a
// fire test (the band anchored at its start, six alarm lines, stretches outside the band).
// With the readout shown (the box beside the cursor and a reference point, composed over a copy
// of the picture as the window shows it) the redraw is measured again, and the readout alone
// as a mouse move redraws it.
// Heap allocations per redraw are counted (operator new, and every malloc-family call).
#include "core/fire/fire_test.h"
#include "core/graph/graph_plot.h"
#include "core/graph/graph_readout.h"
#include "offscreen_main.h"
#include "ui/paint/graph_painter.h"

#include <QGuiApplication>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

namespace {
std::atomic<long long> g_news{0};
std::atomic<long long> g_mallocs{0};
} // namespace

// Every C++ allocation goes through here.
void* operator new(std::size_t size) {
    g_news.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

// Qt allocates with malloc; glibc lets a program replace the malloc family.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* malloc(std::size_t size) {
    g_mallocs.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) {
    g_mallocs.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) {
    g_mallocs.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}
}

namespace {

constexpr int kWidth = 1072, kHeight = 469;

enum Overlay { kNone, kBand, kTemplate, kTest };

// A log of `count` records one second apart with a smoke curve; 3200 records across.
struct Scene {
    std::vector<core::MeasurementRecord> records;
    std::vector<core::TemplatePoint> templ;
    core::GraphView view;
    core::GraphInput input;
    core::FireTest test;
    core::GraphTest graphTest;

    Scene(int count, Overlay overlay) : records(static_cast<std::size_t>(count)) {
        for (int i = 0; i < count; ++i) {
            records[static_cast<std::size_t>(i)].T = static_cast<std::uint16_t>(i);
            records[static_cast<std::size_t>(i)].m =
                static_cast<float>(0.9 * (1 - std::exp(-i / 900.0)) + 0.01 * std::sin(i * 0.7));
            records[static_cast<std::size_t>(i)].Ui = 3.0f;
        }
        for (int i = 0; i < 3000; ++i)
            templ.push_back({static_cast<std::uint16_t>(i), static_cast<float>(i) / 3000.0f});
        view.NumPoint = 3200;
        view.NScaleDB = 3;
        view.bVeiwTP = overlay == kBand ? 2 : overlay == kTemplate ? 10 : 0;
        input.records = records;
        input.timeStepSec = 1;
        input.shiftTP = 40;
        input.templatePoints = templ;
        input.width = kWidth;
        input.height = kHeight;
        if (overlay == kTest) {
            test.SetFire(1);
            test.StartFire(count / 4.0);
            for (int i = 0; i < 6; ++i) {
                test.AddDetector("И" + std::to_string(i + 1));
                test.MarkAlarm(i, count / 4.0 + 100 + 37 * i, 0.1f + 0.01f * i);
            }
            test.Update(records);
            graphTest = core::GraphTestOf(test);
            input.test = &graphTest;
        }
    }
};

void Report(benchmark::State& state, long long news, long long mallocs) {
    const auto n = static_cast<double>(state.iterations());
    state.counters["new/redraw"] = static_cast<double>(news) / n;
    state.counters["malloc/redraw"] = static_cast<double>(mallocs) / n;
}

void PaintListOnly(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<Overlay>(state.range(1)));
    const QFont font = ui::GraphFont();
    const ui::QtTextMeasure measure(font);
    core::GraphPlot plot;
    core::PaintList list;
    plot.Redraw(scene.view, scene.input, measure, list); // storage for the later redraws
    const long long news = g_news, mallocs = g_mallocs;
    for (auto _ : state) {
        plot.Redraw(scene.view, scene.input, measure, list);
        benchmark::DoNotOptimize(list.Items().data());
    }
    Report(state, g_news - news, g_mallocs - mallocs);
}

void RedrawGraph(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<Overlay>(state.range(1)));
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    QImage shown; // the visible picture shares the off-screen one until the next redraw
    core::GraphPlot plot;
    core::PaintList list;
    ui::RenderGraph(picture, plot, scene.view, scene.input, list);
    const long long news = g_news, mallocs = g_mallocs;
    for (auto _ : state) {
        ui::RenderGraph(picture, plot, scene.view, scene.input, list);
        shown = picture;
        benchmark::DoNotOptimize(shown.constBits());
    }
    Report(state, g_news - news, g_mallocs - mallocs);
}

// The readout over the picture: box at the middle of the plot, reference a quarter in.
void ShowReadout(QImage& shown, const QImage& picture, const Scene& scene,
                 const core::GraphPlot& plot, core::RecordRange range, core::PaintList& readout) {
    core::ReadoutInput in;
    in.records = scene.input.records;
    in.range = range;
    in.test = scene.input.test;
    in.hover = core::PaintPoint{kWidth / 2, kHeight / 3};
    in.reference = range.first + (range.last - range.first) / 4;
    readout.Clear();
    core::DrawReadout(readout, plot.Maps(scene.view, kWidth, kHeight, scene.input.timeStepSec),
                      scene.view, in, ui::QtTextMeasure(ui::GraphFont()));
    ui::ComposeOver(shown, picture, readout);
}

void RedrawWithReadout(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<Overlay>(state.range(1)));
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    QImage shown;
    core::GraphPlot plot;
    core::PaintList list, readout;
    core::RecordRange range = ui::RenderGraph(picture, plot, scene.view, scene.input, list);
    ShowReadout(shown, picture, scene, plot, range, readout);
    const long long news = g_news, mallocs = g_mallocs;
    for (auto _ : state) {
        range = ui::RenderGraph(picture, plot, scene.view, scene.input, list);
        ShowReadout(shown, picture, scene, plot, range, readout);
        benchmark::DoNotOptimize(shown.constBits());
    }
    Report(state, g_news - news, g_mallocs - mallocs);
}

// A mouse move: the readout alone over the picture already drawn.
void ReadoutOnly(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<Overlay>(state.range(1)));
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    QImage shown;
    core::GraphPlot plot;
    core::PaintList list, readout;
    const core::RecordRange range = ui::RenderGraph(picture, plot, scene.view, scene.input, list);
    for (auto _ : state) {
        ShowReadout(shown, picture, scene, plot, range, readout);
        benchmark::DoNotOptimize(shown.constBits());
    }
}

// {records in the log, overlay}: a full log of 3,201 points, and a short one of 26 points
// whose allocation counts show that none is made per point.
BENCHMARK(PaintListOnly)
    ->Args({3201, kNone})
    ->Args({26, kNone})
    ->Args({3201, kTemplate})
    ->Args({3201, kTest});
BENCHMARK(RedrawGraph)
    ->Args({3201, kNone})
    ->Args({3201, kBand})
    ->Args({3201, kTemplate})
    ->Args({3201, kTest})
    ->Args({26, kNone})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(RedrawWithReadout)
    ->Args({3201, kNone})
    ->Args({3201, kTest})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadoutOnly)->Args({3201, kTest})->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return bench::RunOffscreen<QGuiApplication>(argc, argv);
}
