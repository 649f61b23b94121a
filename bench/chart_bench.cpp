// Replot of the spectrum chart holding the 1,000,000-point benchmark spectrum (offscreen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>

#include "app/calibration_curve_page.h"
#include "app/chart.h"
#include "app/chart_export.h"
#include "app/main_window.h"
#include "app/settings_page.h"
#include "app/spectrum_page.h"
#include "generated_points.h"
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

// Answers every message silently.
class SilentSeam : public UiSeam {
  public:
    void ShowMessage(const std::string&) override {}
    std::optional<std::string> AskOpenFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> AskSaveFile(const FileDialogRequest&) override { return {}; }
    int ExecModal(QDialog&) override { return QDialog::Rejected; }
    void SetClipboardText(const std::string&) override {}
    void PrintPage(const std::function<void(QPrinter&)>&) override {}
};

struct ProcessedWindow {
    TForm1 window{std::make_unique<SilentSeam>(), QStringLiteral("/tmp/")};
    ProcessedWindow() {
        auto path = (std::filesystem::temp_directory_path() / "ostrel-bench-win-1M.txt").string();
        WriteFileReplacing(path, BenchSpectrumText());
        window.State().HintMode = false;
        window.resize(1288, 1004);
        window.show();
        window.OpenSpectrumFile(path);
    }
};

// "График" > "BMP" (and the PNG and PDF choices) of Chart1 holding 1,000,000 points: the
// picture made at the chart's size and written to a file.
void BM_SaveChart1Picture(benchmark::State& st) {
    ProcessedWindow w;
    QApplication::processEvents();
    Chart* chart = w.window.ChartNamed("Chart1");
    const auto format = static_cast<ImageFormat>(st.range(0));
    const std::string picture =
        (std::filesystem::temp_directory_path() / "ostrel-bench-chart-picture").string();
    for (auto _ : st)
        WriteFileReplacing(picture, ChartPictureBytes(*chart, format, picture).toStdString());
    st.counters["bytes"] = static_cast<double>(std::filesystem::file_size(picture));
    st.counters["points"] = w.window.Series("Series1")->Count();
    std::filesystem::remove(picture);
}
BENCHMARK(BM_SaveChart1Picture)
    ->Arg(static_cast<int>(ImageFormat::Bmp))
    ->Arg(static_cast<int>(ImageFormat::Png))
    ->Arg(static_cast<int>(ImageFormat::Pdf))
    ->Unit(benchmark::kMillisecond);

void BM_PreliminaryProcessingCommand(benchmark::State& st) {
    ProcessedWindow w;
    auto* button9 = w.window.findChild<QPushButton*>(QStringLiteral("Button9"));
    for (auto _ : st) {
        button9->setEnabled(true);
        w.window.Settings().Button9Click();
        QApplication::processEvents();  // the queued replots
    }
    st.counters["zones"] = w.window.State().Stages.Zones.ZoneCount();
}
BENCHMARK(BM_PreliminaryProcessingCommand)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ZoneClickRedrawsChart5(benchmark::State& st) {
    ProcessedWindow w;
    w.window.Settings().Button9Click();
    auto* list = w.window.findChild<QListWidget*>(QStringLiteral("ListBox1"));
    auto* chart5 = w.window.ChartNamed(QStringLiteral("Chart5"));
    int row = 0;
    for (auto _ : st) {
        list->setCurrentRow(row);
        w.window.Settings().ListBox1Click();
        chart5->replot(QCustomPlot::rpImmediateRefresh);
        row = (row + 997) % list->count();
    }
}
BENCHMARK(BM_ZoneClickRedrawsChart5)->Unit(benchmark::kMillisecond);

// The whole last pass through the window: the worker, the per-peak reports and Obrab5.
void BM_LastPassCommand(benchmark::State& st) {
    ProcessedWindow w;
    auto* button9 = w.window.findChild<QPushButton*>(QStringLiteral("Button9"));
    auto* button13 = w.window.findChild<QPushButton*>(QStringLiteral("Button13"));
    for (auto _ : st) {
        st.PauseTiming();
        button9->setEnabled(true);
        w.window.Settings().Button9Click();
        w.window.findChild<QLineEdit*>(QStringLiteral("Edit4"))->setText(QStringLiteral("50000"));
        st.ResumeTiming();
        button13->click();
        while (w.window.LastPassRunning()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const int peaks = static_cast<int>(w.window.State().Peaks.size());
    st.counters["peaks"] = peaks;
    st.counters["time_per_peak"] = benchmark::Counter(
        double(st.iterations()) * peaks, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LastPassCommand)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// "Пересчитать данные" on the 1,000,000-point spectrum, the reset and the redrawn spectrum.
void BM_RecalculateMassesCommand(benchmark::State& st) {
    ProcessedWindow w;
    CalibrationCurvePage& page = w.window.CalibrationCurve();
    w.window.State().Curve = {1e-6, -0.01, -2};
    for (auto _ : st) {
        page.Button5->setEnabled(true);
        page.Button5Click();
        w.window.Spectrum().Chart1->replot(QCustomPlot::rpImmediateRefresh);
    }
}
BENCHMARK(BM_RecalculateMassesCommand)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace ostrel::bench

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
