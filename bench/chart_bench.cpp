// Replot of the spectrum chart holding the 1,000,000-point benchmark spectrum (offscreen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>

#include "app/main_window.h"
#include "bench_spectrum.h"
#include "state/file_io.h"

namespace ostrel::bench {
namespace {

void BM_ReplotChart1Million(benchmark::State& st) {
    auto path = (std::filesystem::temp_directory_path() / "ostrel-bench-chart-1M.txt").string();
    WriteFileReplacing(path, BenchSpectrumText());
    TForm1 window(nullptr, QStringLiteral("/tmp/"));
    window.State().HintMode = false;
    window.resize(1288, 1004);
    window.show();
    window.OpenSpectrumFile(path);
    Chart* chart = window.ChartNamed("Chart1");
    QApplication::processEvents();
    bool zoomed = false;
    for (auto _ : st) {
        // Alternate between the whole spectrum and a zoomed part, as panning and zooming do.
        if (zoomed)
            chart->xAxis->setRange(20, 1020);
        else
            chart->xAxis->setRange(400, 420);
        zoomed = !zoomed;
        chart->replot(QCustomPlot::rpImmediateRefresh);
    }
    st.counters["points"] = window.Series("Series1")->Count();
}
BENCHMARK(BM_ReplotChart1Million)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
}  // namespace ostrel::bench

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
