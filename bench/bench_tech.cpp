// Cost of the technical panel: one DrawTech of the visible window (smoothing, composing the
// frame over a copy of the face, handing it to the visible picture), its parts, and the
// face drawn at creation.
#include "core/link/status_area.h"
#include "core/tech/tech_panel.h"
#include "offscreen_main.h"
#include "ui/common/picture_box.h"
#include "ui/tech/dial_painter.h"
#include "ui/tech/form_tech.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

core::StatusArea WorkStatus() {
    core::StatusArea s;
    s.SetMode(core::mode_bit::kWork);
    core::BlockStatus em;
    em.rmsCode = 2900;
    em.peakCode = 4090;
    em.tempCode = 27 * 256 + 50;
    em.thirdLevel = 2.5f;
    em.kt = 1.0213f;
    em.attenuatorStep = 3;
    s.SetEmitter(em);
    core::BlockStatus pd = em;
    pd.rmsCode = 5000;
    pd.peakCode = 7000;
    pd.faults = 0x08;
    s.SetPhotodetector(pd);
    return s;
}

// The timer's whole work per frame with the panel open.
void DrawTech(benchmark::State& state) {
    const core::StatusArea status = WorkStatus();
    ui::TFormTech tech(status);
    tech.Timer1->stop();
    tech.show();
    tech.UpdateTech();
    for (auto _ : state) {
        tech.DrawTech();
        benchmark::DoNotOptimize(tech.FaceV->Picture().constBits());
    }
}
BENCHMARK(DrawTech)->Unit(benchmark::kMicrosecond);

// The same with the panel hidden: only the smoothing.
void DrawTechHidden(benchmark::State& state) {
    const core::StatusArea status = WorkStatus();
    ui::TFormTech tech(status);
    tech.Timer1->stop();
    tech.UpdateTech();
    for (auto _ : state) {
        tech.DrawTech();
        benchmark::DoNotOptimize(tech.Panel().Left().SmoothedRms());
    }
}
BENCHMARK(DrawTechHidden);

// The frame description alone (texts formatted, segments computed).
void ComposeFrame(benchmark::State& state) {
    core::TechPanel panel;
    panel.Update(WorkStatus());
    core::TechFrame frame;
    for (auto _ : state) {
        panel.Step();
        panel.Compose(core::mode_bit::kWork, frame);
        benchmark::DoNotOptimize(frame.dials[0].lines[0].text.data());
    }
}
BENCHMARK(ComposeFrame);

// Painting a composed frame over a fresh copy of the face.
void PaintFrame(benchmark::State& state) {
    core::TechPanel panel;
    panel.Update(WorkStatus());
    core::TechFrame frame;
    panel.Compose(core::mode_bit::kWork, frame);
    const QImage face = ui::DrawDialFace();
    for (auto _ : state) {
        QImage picture = face;
        QPainter painter(&picture);
        ui::PaintTechFrame(painter, frame);
        painter.end();
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(PaintFrame)->Unit(benchmark::kMicrosecond);

// The dial face, drawn once when the window is created.
void DrawDialFace(benchmark::State& state) {
    for (auto _ : state) {
        const QImage face = ui::DrawDialFace();
        benchmark::DoNotOptimize(face.constBits());
    }
}
BENCHMARK(DrawDialFace)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return bench::RunOffscreen<QApplication>(argc, argv);
}
