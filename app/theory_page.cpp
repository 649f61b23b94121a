#include "app/theory_page.h"

#include "app/chart.h"
#include "app/main_window.h"
#include "app/widget_factory.h"

namespace ostrel {

TheoryPage::TheoryPage(TForm1& form, Family family) : form_(form), family_(family) {
    const bool ch = family == Family::CH;
    setObjectName(ch ? QStringLiteral("TabSheet6") : QStringLiteral("TabSheet7"));
    chart = new Chart(this);
    chart->setObjectName(ch ? QStringLiteral("Chart3") : QStringLiteral("Chart4"));
    chart->SetZoomAndPan(true);
    FillPage(this, chart);
    using S = QCPScatterStyle;
    const QColor navy(0, 0, 128), purple(128, 0, 128);
    Saw = chart->AddSeries(ch ? "Series9" : "Series12",
                           {Qt::red, S::ssCircle, 2, ch ? navy : Qt::red, ch ? navy : QColor()});
    Measured = chart->AddSeries(
        ch ? "Series10" : "Series13",
        {Qt::darkGreen, S::ssCircle, 2, ch ? purple : Qt::darkGreen, ch ? purple : QColor()});
    if (ch) chart->setCursor(Qt::PointingHandCursor);
}

}  // namespace ostrel
