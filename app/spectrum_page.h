// The page "Спектр": the spectrum chart with the spectrum, the processing stages, the slope
// curve and the fitted peaks.
#pragma once

#include <QWidget>

#include "processing/point_list.h"

class QPainter;

namespace ostrel {

class Chart;
class ChartSeries;
class TForm1;
struct CurvePoints;

class SpectrumPage : public QWidget {
  public:
    explicit SpectrumPage(TForm1& form);

    // Draws the open spectrum: its markers follow "Спектр (точки)", and it is shown whatever
    // "Спектр" says.
    void ShowSpectrum();
    // Shows the list in the series, its line and markers as the two view switches say.
    void DrawStage(ChartSeries* series, const PointList& list, const char* lineToggle,
                   const char* pointsToggle);
    // "Обработанное": the fitted shape of every peak.
    void DrawFittedCurves(const CurvePoints& curves);
    // "Вид" > "Массы пиков": each usable fit on view labelled with its mass over its top.
    void DrawPeakLabels(QPainter& painter);

    Chart* Chart1;
    ChartSeries* Series1;
    ChartSeries* Series2;
    ChartSeries* Series3;
    ChartSeries* Series4;
    ChartSeries* Series5;
    ChartSeries* Series6;
    ChartSeries* Series16;

  private:
    TForm1& form_;
};

}  // namespace ostrel
