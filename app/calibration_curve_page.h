// The page "Калибровочная кривая": the calibration points, the fitted line or parabola, and the
// recalculation of every mass of the spectrum.
#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace ostrel {

class Chart;
class ChartSeries;
class TForm1;

class CalibrationCurvePage : public QWidget {
  public:
    explicit CalibrationCurvePage(TForm1& form);

    // Series7 shows the program's calibration points.
    void ShowCalibrationPoints();
    void ClearCurve();
    // The fit the automatic pairing proposed, or nothing without one.
    void ShowProposedFit();
    // The last fit: its coefficients, the root mean square of its residuals and each point's
    // deviation before and residual after; kept after "Пересчитать данные".
    void ShowLastFit();

    void Button6Click();  // Подобрать линию
    void Button4Click();  // Подобрать параболу
    void Button5Click();  // Пересчитать данные

    QPushButton* Button6;
    QPushButton* Button4;
    QPushButton* Button5;
    Chart* Chart2;
    ChartSeries* Series7;
    ChartSeries* Series8;
    ChartSeries* Residuals;  // each calibration point's residual after the fitted curve
    QLabel* ProposedFit;
    QListWidget* CurveReport;

  private:
    // Both fit buttons: the curve is drawn, or the fit is refused and may be tried again.
    template <typename Fit>
    void FitCurve(Fit fit);

    TForm1& form_;
};

}  // namespace ostrel
