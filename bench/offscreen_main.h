// The main() of the benchmarks that draw or run windows: Google Benchmark inside a Qt
// application on the offscreen platform, so they run without a display.
#pragma once

#include <QByteArray>
#include <benchmark/benchmark.h>

namespace bench {

/// Runs the benchmarks given on the command line inside an `App` (QGuiApplication for
/// painting alone, QApplication for widgets); main()'s return value.
template <typename App>
int RunOffscreen(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
