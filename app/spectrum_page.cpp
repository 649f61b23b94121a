#include "app/spectrum_page.h"

#include <QAction>
#include <QPainter>
#include <algorithm>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/widget_factory.h"
#include "results/fitted_curves.h"
#include "results/peak_doubts.h"
#include "state/window_texts.h"

namespace ostrel {

SpectrumPage::SpectrumPage(TForm1& form) : form_(form) {
    setObjectName(QStringLiteral("TabSheet1"));
    Chart1 = new Chart(this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->SetTitle(QStringLiteral("Спектр"), Qt::blue, 23, false);
    Chart1->SetZoomAndPan(true);
    Chart1->SetBottomAxisTitle(QStringLiteral("m/z"));
    Chart1->yAxis->setLabel(Q(IntensityAxisTitle(false)));
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
    Chart1->SetOverlay([this](QPainter& painter) { DrawPeakLabels(painter); });
}

void SpectrumPage::DrawPeakLabels(QPainter& painter) {
    if (!form_.Action("PeakLabels1")->isChecked() || !Series6->IsVisible()) return;
    const ProgramState& state = form_.State();
    const QCPRange masses = Chart1->xAxis->range();
    const QRect plot = Chart1->axisRect()->rect();
    // The usable fits on view, tallest first: where labels would overlap, the taller peak keeps
    // its label.
    std::vector<const PeakResult*> shown;
    for (const PeakResult& p : state.Peaks)
        if (IsUsableFit(p) && masses.contains(p.centre)) shown.push_back(&p);
    std::sort(shown.begin(), shown.end(), [](const PeakResult* a, const PeakResult* b) {
        return a->modelA + a->modelB > b->modelA + b->modelB;
    });
    painter.setFont(font());
    painter.setPen(Qt::darkRed);
    const QFontMetrics metrics(painter.font());
    std::vector<QRect> taken;
    for (const PeakResult* p : shown) {
        const QString text = Q(PeakLabelText(*p, state.Format));
        const double x = Chart1->xAxis->coordToPixel(p->centre);
        const double top = Chart1->yAxis->coordToPixel(p->modelA + p->modelB);
        QRect box = metrics.boundingRect(text);
        box.moveCenter(QPoint(static_cast<int>(x), 0));
        box.moveBottom(static_cast<int>(std::max<double>(top, plot.top() + box.height())) - 3);
        if (!plot.contains(box)) continue;
        const QRect room = box.adjusted(-3, -1, 3, 1);
        if (std::any_of(taken.begin(), taken.end(),
                        [&](const QRect& r) { return r.intersects(room); }))
            continue;
        taken.push_back(room);
        painter.drawText(box, Qt::AlignCenter, text);
    }
}

void SpectrumPage::ShowSpectrum() {
    const Spectrum& points = form_.State().Points;
    Series1->SetMarkersVisible(form_.Action("Points11")->isChecked());
    Series1->SetVisible(false);
    Series1->SetPoints(points.PointX, points.PointY);
    Series1->SetVisible(true);
    Chart1->yAxis->setLabel(Q(IntensityAxisTitle(form_.State().MaxYDecimals >= 1)));
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
