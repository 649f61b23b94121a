// The page "Калибровочная кривая": the calibration points, the fitted line or parabola, and the
// recalculation of every mass of the spectrum.
#pragma once

#include <QWidget>

class QPushButton;

namespace ostrel {

class Chart;
class ChartSeries;
class TForm1;

class CalibrationCurvePage : public QWidget {
  public:
    explicit CalibrationCurvePage(TForm1& form);

    QPushButton* Button6;
    QPushButton* Button4;
    QPushButton* Button5;
    Chart* Chart2;
    ChartSeries* Series7;
    ChartSeries* Series8;

  private:
    TForm1& form_;
};

}  // namespace ostrel
