#include "app/spectrum_page.h"

#include <QAction>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/widget_factory.h"
#include "results/fitted_curves.h"

namespace ostrel {

SpectrumPage::SpectrumPage(TForm1& form) : form_(form) {
    setObjectName(QStringLiteral("TabSheet1"));
    Chart1 = new Chart(this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->SetTitle(QStringLiteral("Спектр"), Qt::blue, 23, false);
    Chart1->SetZoomAndPan(true);
    Chart1->SetBottomAxisTitle(QStringLiteral("m/z"));
    Chart1->yAxis->setLabel(QStringLiteral("Интенсивность"));
    FillPage(this, Chart1);
    using S = QCPScatterStyle;
    const QColor none;
    Series1 = Chart1->AddSeries("Series1", {Qt::black, S::ssCircle, 2, Qt::blue, none});
    Series2 =
        Chart1->AddSeries("Series2", {Qt::darkGreen, S::ssCircle, 3, Qt::darkGreen, Qt::darkGreen});
    Series3 = Chart1->AddSeries("Series3", {Qt::yellow, S::ssDiamond, 3, Qt::yellow, none});
    Series4 = Chart1->AddSeries("Series4", {Qt::blue, S::ssSquare, 2, Qt::blue, none});
    Series5 = Chart1->AddSeries("Series5", {Qt::white, S::ssSquare, 2, Qt::gray, none});
    Series6 = Chart1->AddSeries("Series6", {Qt::red, S::ssSquare, 1, Qt::black, Qt::black});
    Series16 = Chart1->AddSeries("Series16", {Qt::red, S::ssCircle, 3, Qt::red, none});
    Chart1->SetRangeSeries(Series1);
}

void SpectrumPage::ShowSpectrum() {
    const Spectrum& points = form_.State().Points;
    Series1->SetMarkersVisible(form_.Action("Points11")->isChecked());
    Series1->SetVisible(false);
    Series1->SetPoints(points.PointX, points.PointY);
    Series1->SetVisible(true);
    Chart1->Redraw();
}

void SpectrumPage::DrawStage(ChartSeries* series, const PointList& list, const char* lineToggle,
                             const char* pointsToggle) {
    series->SetMarkersVisible(form_.Action(pointsToggle)->isChecked());
    series->SetVisible(form_.Action(lineToggle)->isChecked());
    series->AppendPoints(list.X, list.Y, 0, list.Count() - 1);
}

void SpectrumPage::DrawFittedCurves(const CurvePoints& curves) {
    Series6->SetMarkersVisible(form_.Action("Points61")->isChecked());
    Series6->SetVisible(form_.Action("Series61")->isChecked());
    Series6->AppendPoints(curves.x, curves.y, 0, static_cast<int>(curves.x.size()) - 1);
    Chart1->Refresh();
}

}  // namespace ostrel
