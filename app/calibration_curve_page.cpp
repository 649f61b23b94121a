#include "app/calibration_curve_page.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/settings_page.h"
#include "app/spectrum_page.h"
#include "app/widget_factory.h"
#include "fitting/calibration_curve.h"
#include "fitting/curve_report.h"
#include "reference/auto_pairing_texts.h"
#include "state/errors.h"
#include "state/spectrum_road.h"

namespace ostrel {

CalibrationCurvePage::CalibrationCurvePage(TForm1& form) : form_(form) {
    setObjectName(QStringLiteral("TabSheet5"));
    Button6 = MakeButton(this, "Button6", "Подобрать линию", {10, 8, 200, 97}, false);
    Button4 = MakeButton(this, "Button4", "Подобрать параболу", {220, 8, 200, 97}, false);
    Button5 = MakeButton(this, "Button5", "Пересчитать данные", {430, 8, 200, 97}, false);
    Chart2 = new Chart(this);
    Chart2->setObjectName(QStringLiteral("Chart2"));
    Chart2->setGeometry(0, 112, 600, 400);
    Chart2->SetTitle(QStringLiteral("Калибровочная кривая"), Qt::blue, 16, true);
    Chart2->SetFootText(QStringLiteral("М изм"), Qt::darkGreen, 16);
    Chart2->SetLeftAxisTitle(QStringLiteral("delta M, mmu"), Qt::darkGreen, 16);
    Chart2->SetZoomAndPan(true);
    using S = QCPScatterStyle;
    Series7 = Chart2->AddSeries("Series7", {Qt::red, S::ssCircle, 2, Qt::blue, Qt::blue});
    Series8 = Chart2->AddSeries("Series8", {Qt::darkGreen, S::ssNone, 0, {}, {}});
    // Only markers: the residuals of separate pairs are not joined.
    Residuals =
        Chart2->AddSeries("Residuals", {Qt::transparent, S::ssDiamond, 7, QColor(230, 120, 0), {}});
    ProposedFit = MakeLabel(this, "ProposedFit", "", 0, 112, "color: #00008b; font-size: 13px;");
    ProposedFit->setWordWrap(true);
    CurveReport = MakeList(this, "CurveReport", {0, 200, 300, 300});
    CurveReport->setToolTip(QStringLiteral(
        "Последняя подобранная кривая: коэффициенты, СКО остатков и для каждой точки отклонение "
        "до и остаток после кривой (оранжевые ромбы на графике)"));
    connect(Button6, &QPushButton::clicked, this, [this] { Button6Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
}

void CalibrationCurvePage::ShowCalibrationPoints() {
    const PointList& points = form_.State().CalibPoints;
    Series7->SetPoints(points.X, points.Y);
    Chart2->Redraw();
}

void CalibrationCurvePage::ClearCurve() {
    Series8->Clear();
    Residuals->Clear();
    Chart2->Redraw();
}

void CalibrationCurvePage::ShowProposedFit() {
    const ProgramState& state = form_.State();
    ProposedFit->setText(state.AutoPairing ? Q(ProposedFitText(*state.AutoPairing, state.Format))
                                           : QString());
}

void CalibrationCurvePage::ShowLastFit() {
    const ProgramState& state = form_.State();
    CurveReport->clear();
    if (!state.LastFit) return;
    AppendLines(CurveReport, CurveReportLines(*state.LastFit, state.Format));
}

template <typename Fit>
void CalibrationCurvePage::FitCurve(Fit fit) {
    ProgramState& state = form_.State();
    Button6->setEnabled(false);
    Button4->setEnabled(false);
    PointList drawn;
    try {
        drawn = fit(form_.Road());
    } catch (const CommandError& e) {
        // Nothing is drawn; the user may mend the list and fit again.
        Button6->setEnabled(true);
        Button4->setEnabled(true);
        form_.ShowMessage(e.what());
        return;
    }
    Series8->AppendPoints(drawn.X, drawn.Y, 0, drawn.Count() - 1);
    const CurveResiduals residuals = ResidualsOf(state.LastFit->points, state.LastFit->curve);
    Residuals->SetPoints(state.LastFit->points.X, residuals.residualMmu);
    Chart2->Redraw();
    ShowLastFit();
    Button5->setEnabled(true);
    if (state.HintMode) form_.ShowMessage(FitDoneMessage());
}

void CalibrationCurvePage::Button6Click() {
    FitCurve([](SpectrumRoad& road) { return road.FitCalibrationLine(); });
}

void CalibrationCurvePage::Button4Click() {
    FitCurve([](SpectrumRoad& road) { return road.FitCalibrationParabola(); });
}

void CalibrationCurvePage::Button5Click() {
    if (form_.LastPassRunning()) return;
    ProgramState& state = form_.State();
    Button5->setEnabled(false);
    ClearedParts cleared;
    try {
        cleared = form_.Road().Recalculate();
    } catch (const CommandError& e) {
        Button6->setEnabled(true);
        Button4->setEnabled(true);
        form_.ShowMessage(e.what());
        return;
    }
    form_.ApplyClearAll(cleared);
    SpectrumPage& spectrum = form_.Spectrum();
    spectrum.Series1->SetPoints(state.Points.PointX, state.Points.PointY);
    spectrum.Chart1->Redraw();
    form_.Unsaved().recalculatedSpectrum = true;
    form_.UpdateDataCommands();  // "Вернуть исходный спектр"
    // The corrected spectrum is processed anew, from the preliminary processing on.
    form_.Settings().Button9->setEnabled(true);
    form_.ShowMessage(kRecalculatedMessage);
}

}  // namespace ostrel
