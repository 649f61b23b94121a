// The pages "Теория CH" and "Теория CF": the saw of one family of reference ions and the
// measured peaks over it by mass defect, with the mark of the peak under the mouse. The CH page
// also writes the saw files and the CH ion list.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QMouseEvent;

namespace ostrel {

class Chart;
class ChartSeries;
class TForm1;
struct TheorySeries;
struct ReferenceTables;
class NumberFormat;

class TheoryPage : public QWidget {
  public:
    // The CH page (Chart3, Series9 and Series10) or the CF page (Chart4, Series12, Series13).
    enum class Family { CH, CF };
    TheoryPage(TForm1& form, Family family);

    // Shows the program's series of this chart (empty after a reset).
    void ShowSeries();
    // Chart3MouseMove / Chart4MouseMove: the measured point under the mouse gets its mark.
    void ChartMouseMove(QMouseEvent* event);
    // Series10GetMarkText / Series13GetMarkText: the mark of a point of the measured series (with
    // the best formula of its peak's composition, when it has one), empty for every point but the
    // hovered one.
    std::string MeasuredMarkText(int pointIndex) const;

    // "Теория CH" > "TXT": the two saw files, one dialog after the other.
    void PilaCHToFile();
    // "Список CH" > "TXT (для Excel)" and "Список CH" > "HTML".
    void XLS1Click();
    void HTML3Click();

    Chart* chart;
    ChartSeries* Saw;       // Series9 or Series12
    ChartSeries* Measured;  // Series10 or Series13

  private:
    const TheorySeries& SawSeries() const;
    const TheorySeries& MeasuredSeries() const;
    // Draws the mark of the hovered point, as the chart asks for marks at every drawing.
    void RefreshMark();
    // The CH list through the save dialog (starting in the program's folder) and the writer.
    void WriteCHListAs(const char* title, const char* name, const char* filter,
                       void (*write)(const std::string&, const ReferenceTables&,
                                     const NumberFormat&));

    TForm1& form_;
    Family family_;
};

}  // namespace ostrel
