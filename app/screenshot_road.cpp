#include "app/screenshot_road.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/calibration_curve_page.h"
#include "app/calibration_masses_page.h"
#include "app/chart.h"
#include "app/composition_page.h"
#include "app/main_window.h"
#include "app/settings_page.h"
#include "app/single_peak_page.h"
#include "app/theory_page.h"
#include "processing/last_pass.h"
#include "reference/reference_ions.h"

namespace ostrel {

namespace {

class StderrSeam : public UiSeam {
  public:
    void ShowMessage(const std::string& text) override {
        std::string shown = text;
        std::replace(shown.begin(), shown.end(), '\r', '\n');
        std::fprintf(stderr, "%s\n", shown.c_str());
    }
    std::optional<std::string> AskOpenFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> AskSaveFile(const FileDialogRequest&) override { return {}; }
    int ExecModal(QDialog&) override { return QDialog::Rejected; }
    void SetClipboardText(const std::string&) override {}
    void PrintPage(const std::function<void(QPrinter&)>&) override {}
};

// The peaks within 10 mmu of a reference ion of one family get its mass, as a user would give
// them: the CF ions when at least three peaks match them (a PFTBA spectrum), the CH ions
// otherwise.
void Calibrate(TForm1& window) {
    CalibrationMassesPage& masses = window.CalibrationMasses();
    const ProgramState& state = window.State();
    ReferenceTables cf, ch = state.Reference;
    cf.CFIons = state.Reference.CFIons;
    ch.CFIons.clear();
    const PeakResults& p = state.Peaks;
    const auto count = static_cast<int32_t>(p.size());
    // A peak one mass above a taller one is taken for its 13C isotope and left out.
    auto isotope = [&](int32_t peak) {
        const int32_t n = NominalMass(p[peak].centre);
        for (int32_t other = 0; other < count; ++other)
            if (NominalMass(p[other].centre) == n - 1 && p[other].height > p[peak].height)
                return true;
        return false;
    };
    auto matches = [&](const ReferenceTables& family) {
        std::vector<std::pair<int32_t, double>> found;
        for (int32_t peak = 0; peak < count; ++peak)
            if (auto truth = NearestReferenceMass(family, p[peak].centre, 0.01);
                truth && !isotope(peak))
                found.emplace_back(peak, *truth);
        return found;
    };
    auto pairs = matches(cf);
    if (pairs.size() < 3) pairs = matches(ch);
    // A peak of another ion that happens to lie near a reference mass deviates from the others:
    // only the pairs within 4 mmu of the median deviation are kept.
    std::vector<double> deviations;
    for (const auto& [peak, truth] : pairs) deviations.push_back(truth - p[peak].centre);
    std::nth_element(deviations.begin(), deviations.begin() + deviations.size() / 2,
                     deviations.end());
    const double median = deviations.empty() ? 0 : deviations[deviations.size() / 2];
    std::erase_if(pairs, [&](const auto& pair) {
        return std::fabs(pair.second - p[pair.first].centre - median) > 0.004;
    });
    for (const auto& [peak, truth] : pairs) {
        masses.ListBox5->setCurrentRow(peak);
        masses.Button1Click();
        masses.Edit1->setText(QString::fromStdString(state.Format.Shortest(truth)));
        masses.Button2Click();
    }
    masses.Button15Click();
    window.CalibrationCurve().Button4Click();
}

void HoverAMeasuredPeak(TForm1& window) {
    TheoryPage& page = window.TheoryCH();
    const int count = page.Measured->Count();
    if (count == 0) return;
    page.chart->replot(QCustomPlot::rpImmediateRefresh);
    const QPointF at = page.Measured->Graph()->coordsToPixels(page.Measured->X(count / 2),
                                                              page.Measured->Y(count / 2));
    QMouseEvent move(QEvent::MouseMove, at, page.chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(page.chart, &move);
}

void SavePage(TForm1& window, const QString& folder, int index) {
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentIndex(index);
    QApplication::processEvents();
    if (pages->currentWidget() == &window.TheoryCH()) HoverAMeasuredPeak(window);
    for (auto* chart : window.findChildren<QCustomPlot*>()) chart->replot();
    static const char* const names[] = {"main-chart",         "results",           "settings",
                                        "calibration-masses", "calibration-curve", "theory-ch",
                                        "theory-cf",          "single-peak",       "testing",
                                        "composition"};
    const QString name = index < static_cast<int>(std::size(names))
                             ? QString::fromLatin1(names[index])
                             : pages->widget(index)->objectName();
    window.grab().save(QStringLiteral("%1/%2-%3.png").arg(folder).arg(index + 1).arg(name));
}

// "Последняя" at the height given, or at the suggested one, up to its end.
void LastPassAt(TForm1& window, const QString& height) {
    SettingsPage& settings = window.Settings();
    if (!height.isEmpty()) settings.Edit4->setText(height);
    if (!settings.Button13->isEnabled()) return;
    settings.Button13Click();
    while (window.LastPassRunning()) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The preliminary processing and the last pass again (on recalculated masses).
void RunTheLastPass(TForm1& window, const QString& height) {
    window.Settings().Button9Click();
    LastPassAt(window, height);
}

}  // namespace

std::unique_ptr<UiSeam> MakeStderrSeam() {
    return std::make_unique<StderrSeam>();
}

void WalkTheRoad(TForm1& window, const QString& height, const QString& folder) {
    QDir().mkpath(folder);
    constexpr int kSettingsPage = 2;
    SettingsPage& settings = window.Settings();
    settings.Button9Click();
    SavePage(window, folder, kSettingsPage);  // the zone list, gone after the last pass
    LastPassAt(window, height);
    if (!window.State().Peaks.empty()) {
        Calibrate(window);
        SinglePeakPage& single = window.SinglePeak();
        single.ListBox8->setCurrentRow(0);
        single.ListBox8Click();
        single.Button16Click();
    }
    const int count = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->count();
    constexpr int kCompositionPage = 9;
    for (int i = 0; i < count; ++i)
        if (i != kSettingsPage && i != kCompositionPage) SavePage(window, folder, i);
    // The composition is read on a calibrated spectrum: the masses recalculated with the curve,
    // the road again, and the tallest sound peak chosen for its candidates.
    if (window.CalibrationCurve().Button5->isEnabled()) {
        window.CalibrationCurve().Button5Click();
        RunTheLastPass(window, height);
    }
    const PeakResults& peaks = window.State().Peaks;
    int tallest = -1;
    for (int k = 0; k < static_cast<int>(peaks.size()); ++k)
        if (IsSoundFit(peaks[k]) && (tallest < 0 || peaks[k].modelB > peaks[tallest].modelB))
            tallest = k;
    if (tallest >= 0) window.Composition().CompositionGrid->selectRow(tallest);
    SavePage(window, folder, kCompositionPage);
}

}  // namespace ostrel
