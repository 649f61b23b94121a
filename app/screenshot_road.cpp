#include "app/screenshot_road.h"

#include <QApplication>
#include <QComboBox>
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

// The automatic pairing against the PFTBA ions, else the CH ions, else the CF ions, as a user
// would try them; then "Создать кривую" and the fit it proposes.
void Calibrate(TForm1& window) {
    CalibrationMassesPage& masses = window.CalibrationMasses();
    for (int set : {0, 2, 1}) {
        masses.AutoRefs->setCurrentIndex(set);
        masses.AutoPairClick();
        if (window.State().AutoPairing) break;
    }
    if (!window.State().AutoPairing) return;
    masses.Button15Click();
    CalibrationCurvePage& curve = window.CalibrationCurve();
    if (window.State().AutoPairing->degree == CurveDegree::Line)
        curve.Button6Click();
    else
        curve.Button4Click();
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
        if (IsUsableFit(peaks[k]) && (tallest < 0 || peaks[k].modelB > peaks[tallest].modelB))
            tallest = k;
    if (tallest >= 0) window.Composition().CompositionGrid->selectRow(tallest);
    SavePage(window, folder, kCompositionPage);
}

}  // namespace ostrel
