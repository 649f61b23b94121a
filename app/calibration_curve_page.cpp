#include "app/calibration_curve_page.h"

#include <QPushButton>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/widget_factory.h"

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
    using S = QCPScatterStyle;
    Series7 = Chart2->AddSeries("Series7", {Qt::red, S::ssCircle, 2, Qt::blue, Qt::blue});
    Series8 = Chart2->AddSeries("Series8", {Qt::darkGreen, S::ssNone, 0, {}, {}});
}

}  // namespace ostrel
