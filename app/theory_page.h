// The pages "Теория CH" and "Теория CF": the saw of one family of reference ions and the
// measured peaks over it, by mass defect.
#pragma once

#include <QWidget>

namespace ostrel {

class Chart;
class ChartSeries;
class TForm1;

class TheoryPage : public QWidget {
  public:
    // The CH page (Chart3, Series9 and Series10) or the CF page (Chart4, Series12, Series13).
    enum class Family { CH, CF };
    TheoryPage(TForm1& form, Family family);

    Chart* chart;
    ChartSeries* Saw;       // Series9 or Series12
    ChartSeries* Measured;  // Series10 or Series13

  private:
    TForm1& form_;
    Family family_;
};

}  // namespace ostrel
