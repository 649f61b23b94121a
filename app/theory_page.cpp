#include "app/theory_page.h"

#include <QMouseEvent>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/widget_factory.h"
#include "reference/theory_charts.h"
#include "state/errors.h"
#include "state/points_file.h"

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
    connect(chart, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) { ChartMouseMove(e); });
    connect(chart, &QCustomPlot::beforeReplot, this, [this] { RefreshMark(); });
}

const TheorySeries& TheoryPage::SawSeries() const {
    const TheoryCharts& t = form_.State().Theory;
    return family_ == Family::CH ? t.chSaw : t.cfSaw;
}

const TheorySeries& TheoryPage::MeasuredSeries() const {
    const TheoryCharts& t = form_.State().Theory;
    return family_ == Family::CH ? t.chPeaks : t.cfPeaks;
}

void TheoryPage::ShowSeries() {
    Saw->SetPoints(SawSeries().x, SawSeries().y);
    Measured->SetPoints(MeasuredSeries().x, MeasuredSeries().y);
    chart->Redraw();
}

std::string TheoryPage::MeasuredMarkText(int pointIndex) const {
    const ProgramState& state = form_.State();
    const TheorySeries& measured = MeasuredSeries();
    if (pointIndex != state.HoveredPoint || pointIndex < 0 || pointIndex >= measured.Count())
        return std::string();
    const auto peak = static_cast<size_t>(measured.peak[pointIndex]);
    const auto& composed = state.Composition.peaks;
    return MarkText(state.Peaks[peak], peak < composed.size() ? &composed[peak] : nullptr,
                    state.Format);
}

void TheoryPage::RefreshMark() {
    const int hovered = form_.State().HoveredPoint;
    const std::string text = MeasuredMarkText(hovered);
    if (!Measured->MarksVisible() || text.empty()) {
        chart->HideMark();
        return;
    }
    chart->ShowMark(Measured->X(hovered), Measured->Y(hovered), Q(text).replace('\r', '\n'));
}

void TheoryPage::ChartMouseMove(QMouseEvent* event) {
    ProgramState& state = form_.State();
    state.HoveredPoint = chart->PointNear(Measured, event->position());
    // Leaving every point redraws nothing, so the last mark stays until the next drawing.
    if (state.HoveredPoint >= 0) chart->replot(QCustomPlot::rpQueuedReplot);
}

void TheoryPage::PilaCHToFile() {
    ProgramState& state = form_.State();
    const TheoryCharts& t = state.Theory;
    // False when a file could not be written: that ends the command.
    auto write = [&](const char* title, const char* name, const char* heading,
                     const TheorySeries& series) {
        const auto path = form_.AskSaveFile({title, std::string(), kTextFileFilter, name});
        if (!path) return true;  // cancelling the first dialog still leads to the second
        try {
            WriteSawFile(*path, heading, series, state.Format);
        } catch (const CommandError& e) {
            form_.ShowMessage(e.what());
            return false;
        }
        form_.ResultsExported();
        return true;
    };
    // The second dialog opens in the folder of the first file.
    if (!write(kSawTheoryTitle, kSawTheoryFileName, kSawTheoryHeading, t.chSaw)) return;
    write(kSawPeaksTitle, kSawPeaksFileName, kSawPeaksHeading, t.chPeaks);
}

void TheoryPage::XLS1Click() {
    WriteCHListAs(kCHListTitle, kCHListFileName, kCHListFilter, WriteCHList);
}

void TheoryPage::HTML3Click() {
    WriteCHListAs(kCHListHtmlTitle, kCHListHtmlFileName, kCHListHtmlFilter, WriteCHListHtml);
}

void TheoryPage::WriteCHListAs(const char* title, const char* name, const char* filter,
                               void (*write)(const std::string&, const ReferenceTables&,
                                             const NumberFormat&)) {
    ProgramState& state = form_.State();
    const auto path = form_.AskSaveFile({title, std::string(), filter, name});
    if (!path) return;
    try {
        write(*path, state.Reference, state.Format);
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    form_.ResultsExported();
}

}  // namespace ostrel
