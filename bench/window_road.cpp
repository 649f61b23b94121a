// The window's figures of the road on the 1,000,001-point spectrum (offscreen, the real widgets):
// the chart drawn after choosing the file, "Предварительная", "Последняя" to its closing message,
// the longest time the window could not paint during each of them, a replot, peak memory; and the
// zone list of the noisy 10,000,001-point file. Each figure is printed beside its target.
// Run: build/bench/window_road [--runs N] [--skip-10m]
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/settings_page.h"
#include "app/spectrum_page.h"
#include "generated_points.h"
#include "state/file_io.h"

namespace ostrel::bench {
namespace {

constexpr const char* kRoadHeight = "10000";  // just above the noise of the road's spectrum

// Answers every message at once; counts them, so that the end of the pass is seen.
class CountingSeam : public UiSeam {
  public:
    int messages = 0;
    void ShowMessage(const std::string&) override { ++messages; }
    std::optional<std::string> AskOpenFile(const FileDialogRequest&) override { return file; }
    std::optional<std::string> AskSaveFile(const FileDialogRequest&) override { return {}; }
    int ExecModal(QDialog&) override { return 0; }
    void SetClipboardText(const std::string&) override {}
    void PrintPage(const std::function<void(QPrinter&)>&) override {}
    std::string file;
};

std::string Generated(const char* name, int points) {
    const auto path = std::filesystem::temp_directory_path() / name;
    if (!std::filesystem::exists(path)) {
        std::fprintf(stderr, "writing %s ...\n", path.c_str());
        WriteFileReplacing(path.string(), BenchSpectrumText(points, 2000, 5000));
    }
    return path.string();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Print(const char* what, double value, const char* unit, double target) {
    std::printf("%9.3f %-2s (target %7.3f %-2s)%s  %s\n", value, unit, target, unit,
                value <= target ? "" : " MISSED", what);
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

struct Window {
    CountingSeam* seam = new CountingSeam;
    TForm1 form{std::unique_ptr<UiSeam>(seam), QStringLiteral("/tmp/")};
    Window() {
        form.State().HintMode = false;
        form.resize(1288, 1004);
        form.show();
        QApplication::processEvents();
    }
};

double Seconds(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e9;
}

// The longest time the window's thread went without serving its events (so without painting)
// while a command ran: a timer asks every 5 ms, and the longest gap between two of its calls, or
// after the last one, is that time.
class PaintWatch {
  public:
    PaintWatch() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    }
    void Start() {
        clock_.start();
        last_ = longest_ = 0;
        timer_.start();
    }
    double StopSeconds() {
        Tick();
        timer_.stop();
        return longest_ / 1e9;
    }

  private:
    void Tick() {
        const qint64 now = clock_.nsecsElapsed();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0, longest_ = 0;
};

}  // namespace
}  // namespace ostrel::bench

int main(int argc, char** argv) {
    using namespace ostrel;
    using namespace ostrel::bench;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 5;
    bool skip10m = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) runs = std::atoi(argv[++i]);
        if (!std::strcmp(argv[i], "--skip-10m")) skip10m = true;
    }
    const std::string file = Generated("ostrel-road-1M.txt", 1000001);
    std::vector<double> open, preliminary, pass, replot, openGap, preliminaryGap, passGap;
    PaintWatch watch;
    for (int r = 0; r < runs; ++r) {
        Window w;
        w.seam->file = file;
        QElapsedTimer t;
        t.start();
        watch.Start();
        w.form.N2Click();  // "Открыть..." with the file chosen
        w.form.Spectrum().Chart1->replot(QCustomPlot::rpImmediateRefresh);
        open.push_back(Seconds(t));
        openGap.push_back(watch.StopSeconds());

        t.restart();
        watch.Start();
        w.form.Settings().Button9->click();
        w.form.Spectrum().Chart1->replot(QCustomPlot::rpImmediateRefresh);
        preliminary.push_back(Seconds(t));
        preliminaryGap.push_back(watch.StopSeconds());

        w.form.Settings().Edit4->setText(QString::fromLatin1(kRoadHeight));
        w.seam->messages = 0;
        w.form.State().HintMode = true;  // the closing message marks the end of the pass
        t.restart();
        watch.Start();
        w.form.Settings().Button13->click();
        while (w.seam->messages == 0) QApplication::processEvents(QEventLoop::AllEvents, 1);
        pass.push_back(Seconds(t));
        passGap.push_back(watch.StopSeconds());

        for (int k = 0; k < 5; ++k) {
            auto* chart = w.form.Spectrum().Chart1;
            chart->xAxis->setRange(k % 2 ? 400 : 20, k % 2 ? 420 : 1020);
            t.restart();
            chart->replot(QCustomPlot::rpImmediateRefresh);
            replot.push_back(Seconds(t));
        }
    }
    std::printf("spectrum %s, height %s, medians of %d runs (offscreen)\n", file.c_str(),
                kRoadHeight, runs);
    Print("chart drawn after choosing the file", Median(open), "s", 0.5);
    Print("\"Предварительная\" with the charts drawn", Median(preliminary), "s", 0.25);
    Print("\"Последняя\" to its closing message", Median(pass), "s", 1.5);
    // Pauses longer than a tenth of a second are seen as a window that sticks.
    Print("longest the window did not paint while the file opened", Median(openGap), "s", 0.1);
    Print("longest the window did not paint during \"Предварительная\"", Median(preliminaryGap),
          "s", 0.1);
    Print("longest the window did not paint during \"Последняя\"", Median(passGap), "s", 0.1);
    Print("replot of the spectrum chart", Median(replot) * 1000, "ms", 30);
    Print("peak memory of the window", PeakRssMb(), "MB", 400);

    if (!skip10m) {
        const std::string noisy = Generated("ostrel-road-10M.txt", 10000001);
        Window w;
        w.seam->file = noisy;
        w.form.N2Click();
        w.form.Settings().Edit2->setText(QStringLiteral("0"));
        QElapsedTimer t;
        t.start();
        w.form.Settings().Button9->click();
        QApplication::processEvents();
        const double seconds = Seconds(t);
        std::printf("(%d zone lines)\n", w.form.Settings().ListBox1->count());
        Print("zone list of 10,000,001 noisy points, KolUsred 0", seconds, "s", 20);
        // The memory target is the road's, on the 1,000,001 points; ten million points alone
        // take 160 MB, held by the spectrum, its stages and the charts several times over.
        std::printf("%9.3f MB  peak memory of the window, after the 10M file (no target)\n",
                    PeakRssMb());
    }
    return 0;
}
