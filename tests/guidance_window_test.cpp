// What the window tells a user about where they are and what they have: the marks of fits
// whose numbers cannot be trusted, the fitted curves drawn peak by peak, the status line under
// the pointer, the question before quitting with unsaved work, the spectrum as opened.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <filesystem>

#include "app/chart.h"
#include "fitting/calibration_curve.h"
#include "reference/calibration_list.h"
#include "results/peak_doubts.h"
#include "state/window_texts.h"
#include "window_fixture.h"

namespace ostrel {
namespace {

using ::ostrel::testing::LastPassWindowTest;
using ::ostrel::testing::WindowTest;

// The example PFTBA spectrum at its suggested height: a problem peak at 51, the fit of 69
// stopped at the step cap once settled, a negative height (B − A) at 151.
class DoubtfulFitsWindowTest : public ::ostrel::testing::PftbaWindowTest {
  protected:
    void SetUp() override {
        PftbaWindowTest::SetUp();
        PassAt();
    }
    // The rows that carry a mark: problem peaks and fits with a doubt.
    std::vector<int> MarkedPeaks() {
        std::vector<int> marked;
        const PeakResults& peaks = window->State().Peaks;
        for (size_t i = 0; i < peaks.size(); ++i)
            if (!DoubtText(peaks[i], window->State().Format).empty())
                marked.push_back(static_cast<int>(i));
        return marked;
    }
};

TEST_F(DoubtfulFitsWindowTest, RowsLinesAndListsSayWhyAFitIsNotToBeTrusted) {
    const PeakResults& peaks = window->State().Peaks;
    // The problem peak at 51 and CF3+ at 69, whose fit stopped at the step cap once settled.
    const std::vector<int> marked = MarkedPeaks();
    ASSERT_EQ(marked.size(), 2u);
    const int problem = marked[0], capped = marked[1];
    EXPECT_TRUE(peaks[problem].IsProblem());
    EXPECT_EQ(DoubtOf(peaks[capped]), FitDoubt::SettledAtCap);
    EXPECT_TRUE(IsUsableFit(peaks[capped]));
    const NumberFormat& f = window->State().Format;
    auto* grid = W<QTableWidget>("StringGrid1");
    auto* all = W<QListWidget>("ListBox5");
    auto* reports = W<QListWidget>("ListBox4");
    for (int i = 0; i < static_cast<int>(peaks.size()); ++i) {
        const bool isMarked = std::count(marked.begin(), marked.end(), i) > 0;
        const QString why = QString::fromStdString(DoubtText(peaks[i], f));
        for (int c = 0; c < 12; ++c) EXPECT_EQ(grid->item(i, c)->toolTip(), why) << i << "," << c;
        EXPECT_EQ(all->item(i)->toolTip(), why) << i;
        EXPECT_EQ(reports->item(6 * i)->toolTip(), why) << i;
        EXPECT_EQ(grid->item(i, 0)->background() != QBrush(), isMarked) << i;
    }
    // A weak peak whose amplitude lies below its background shows B − A below 0 in the table,
    // as computed, and is a peak all the same: no mark.
    int below = -1;
    for (int i = 0; i < static_cast<int>(peaks.size()); ++i)
        if (grid->item(i, 8)->text() == "-3525.4") below = i;
    ASSERT_GE(below, 0);
    EXPECT_TRUE(IsUsableFit(peaks[below]));
    // A problem peak has no height in "Все массы": «51.0,  Ошибка».
    EXPECT_EQ(all->item(problem)->text(), "51.0,  Ошибка");
    // "Проблемные пики" starts with one line per marked peak, saying why.
    auto* problems = W<QListWidget>("ListBox3");
    const std::vector<std::string> lines = DoubtfulPeakLines(peaks, f);
    ASSERT_EQ(lines.size(), 2u);
    for (int k = 0; k < 2; ++k) EXPECT_EQ(problems->item(k)->text().toStdString(), lines[k]);
    EXPECT_EQ(problems->item(2)->text(), " ");
    EXPECT_EQ(lines[1], std::to_string(capped + 1) + " пик, 69.0: 100 шагов, годен");
    EXPECT_NE(problems->item(1)->toolTip().indexOf(QStringLiteral("100 шагов")), -1);

    // The problem peak cannot be taken for calibration; a marked fit can, and stays marked.
    all->setCurrentRow(problem);
    W<QPushButton>("Button1")->click();
    EXPECT_EQ(seam.messages, std::vector<std::string>{kProblemPeakNotForCalibrationMessage});
    all->setCurrentRow(capped);
    W<QPushButton>("Button1")->click();
    auto* calibration = W<QListWidget>("ListBox6");
    ASSERT_EQ(calibration->count(), 1);
    EXPECT_EQ(calibration->item(0)->text(), all->item(capped)->text());
    EXPECT_FALSE(calibration->item(0)->toolTip().isEmpty());
}

TEST_F(DoubtfulFitsWindowTest, EachPeaksCurveIsDrawnOverItsOwnWindowOnly) {
    ChartSeries* fitted = window->Series("Series6");
    const size_t peaks = window->State().Peaks.size();
    size_t breaks = 0;
    for (int i = 0; i < fitted->Count(); ++i) {
        if (!std::isnan(fitted->Y(i))) continue;
        ++breaks;
        // The line stops at the peak's last point and goes on at the next one's first.
        EXPECT_EQ(fitted->X(i), fitted->X(i - 1));
    }
    EXPECT_EQ(breaks, peaks - 1);  // the problem peak has no curve
    // With the spectrum hidden the intensity axis follows the curves, breaks left out.
    Chart* chart = window->ChartNamed("Chart1");
    window->Series("Series1")->SetVisible(false);
    chart->FitValueAxis();
    EXPECT_TRUE(std::isfinite(chart->yAxis->range().lower));
    EXPECT_TRUE(std::isfinite(chart->yAxis->range().upper));
    EXPECT_GT(chart->yAxis->range().upper, 1e8);  // CF3+ at 69
}

TEST_F(LastPassWindowTest, QuittingWithUnsavedResultsAsksFirst) {
    window->close();  // nothing made yet: no question
    EXPECT_TRUE(seam.questions.empty());
    window->show();

    RunPass("100000");
    seam.replies = {false};
    window->close();
    ASSERT_EQ(seam.questions.size(), 1u);
    EXPECT_EQ(seam.questions[0], QuitQuestion({true, false}));
    EXPECT_TRUE(window->isVisible());  // "Нет" keeps the work

    // An export saves the results: no question then.
    seam.answers.push_back(dir.File("table.txt"));
    Trigger("TXT2");
    window->close();
    EXPECT_EQ(seam.questions.size(), 1u);
    EXPECT_FALSE(window->isVisible());
}

// "Пересчитать данные" keeps the masses as opened; "Вернуть исходный спектр" brings them back as
// a load would, and a recalculated spectrum not saved is asked about before quitting.
TEST_F(LastPassWindowTest, TheSpectrumAsOpenedComesBack) {
    const std::vector<double> opened = window->State().Points.PointX;
    RunPass("100000");
    for (int row : {0, 2}) {
        W<QListWidget>("ListBox5")->setCurrentRow(row);
        W<QPushButton>("Button1")->click();
    }
    for (int line : {0, 1}) {
        W<QListWidget>("ListBox6")->setCurrentRow(line);
        W<QLineEdit>("Edit1")->setText(line == 0 ? "27.0235" : "29.0391");
        W<QPushButton>("Button2")->click();
    }
    W<QPushButton>("Button15")->click();
    W<QPushButton>("Button6")->click();
    EXPECT_FALSE(W<QAction>("RestoreSpectrum1")->isEnabled());
    W<QPushButton>("Button5")->click();
    ASSERT_NE(window->State().Points.PointX, opened);
    ASSERT_TRUE(W<QAction>("RestoreSpectrum1")->isEnabled());

    seam.replies = {false};
    window->close();
    ASSERT_EQ(seam.questions.size(), 1u);
    EXPECT_EQ(seam.questions[0], QuitQuestion({false, true}));

    seam.messages.clear();
    Trigger("RestoreSpectrum1");
    EXPECT_EQ(seam.messages, std::vector<std::string>{kSpectrumRestoredMessage});
    EXPECT_EQ(window->State().Points.PointX, opened);
    EXPECT_EQ(window->Series("Series1")->X(100), opened[100]);
    EXPECT_FALSE(W<QAction>("RestoreSpectrum1")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("Button9")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("Button13")->isEnabled());
    window->close();  // the spectrum is the file's again
    EXPECT_EQ(seam.questions.size(), 1u);
}

TEST_F(LastPassWindowTest, TheStatusLineReadsThePointUnderThePointer) {
    auto* pages = W<QTabWidget>("PageControl1");
    pages->setCurrentIndex(2);
    Open(std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt");
    EXPECT_EQ(pages->currentIndex(), 0);  // a file opened shows its spectrum
    EXPECT_EQ(window->windowTitle(), "small_hydrocarbon.txt — Ostrel");
    QApplication::processEvents();
    Chart* chart = window->ChartNamed("Chart1");
    chart->replot(QCustomPlot::rpImmediateRefresh);
    const QRect plot = chart->axisRect()->rect();
    const QPoint at = plot.center();
    QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(chart, &move);
    const NumberFormat& f = window->State().Format;
    const double x = chart->xAxis->pixelToCoord(at.x()), y = chart->yAxis->pixelToCoord(at.y());
    EXPECT_EQ(window->StatusLine()->text().toStdString(),
              PointerStatusText(chart->Axes(), x, y, std::nullopt, f));

    // A click marks a point; the status line then gives the mass difference to it.
    const QPoint clicked = at - QPoint(40, 0);
    QTest::mouseClick(chart, Qt::LeftButton, Qt::NoModifier, clicked);
    ASSERT_TRUE(chart->ClickedX().has_value());
    EXPECT_DOUBLE_EQ(*chart->ClickedX(), chart->xAxis->pixelToCoord(clicked.x()));
    QApplication::sendEvent(chart, &move);
    EXPECT_NE(window->StatusLine()->text().indexOf(QStringLiteral("Δm/z = ")), -1);
    QTest::keyClick(chart, Qt::Key_Escape);
    EXPECT_FALSE(chart->ClickedX().has_value());
}

}  // namespace
}  // namespace ostrel

namespace ostrel {
namespace {

// "Уточнять пики": the refined rows are marked in the table and in "Массив пиков", and the single
// peak's page shows what the refinement made of its window.
class RefinementWindowTest : public ::ostrel::testing::PftbaWindowTest {};

TEST_F(RefinementWindowTest, TheRefinementIsAChoiceAndItsRowsAreMarked) {
    auto* refine = W<QCheckBox>("CheckBoxRefine");
    EXPECT_FALSE(refine->isChecked());  // off unless chosen
    refine->setChecked(true);
    W<QPushButton>("Button13")->click();
    EXPECT_FALSE(refine->isEnabled());  // refused while the pass runs
    WaitForThePass();
    EXPECT_TRUE(refine->isEnabled());
    const ProgramState& state = window->State();
    ASSERT_TRUE(state.PeaksRefined);
    int refined = -1;
    for (size_t i = 0; i < state.Peaks.size(); ++i)
        if (state.Peaks[i].origin != PeakOrigin::Pass) refined = static_cast<int>(i);
    ASSERT_GE(refined, 0);
    auto* grid = W<QTableWidget>("StringGrid1");
    EXPECT_EQ(grid->item(refined, 1)->toolTip().toStdString(),
              RefinementText(state.Peaks, static_cast<size_t>(refined)));
    EXPECT_NE(grid->item(refined, 1)->background(), QBrush());
    EXPECT_EQ(grid->item(refined, 1)->text(),
              QString::fromStdString(state.Format.Fixed(state.Peaks[refined].centre, 6)));
    auto* reports = W<QListWidget>("ListBox4");
    const std::vector<std::string> lines = RefinementLines(state.Peaks, state.Format);
    ASSERT_GE(reports->count(), static_cast<int>(lines.size()));
    EXPECT_EQ(
        reports->item(reports->count() - static_cast<int>(lines.size()))->text().toStdString(),
        lines.front());

    auto* list8 = W<QListWidget>("ListBox8");
    list8->setCurrentRow(refined);
    W<QPushButton>("Button16")->click();
    auto* iterations = W<QListWidget>("ListBox9");
    ASSERT_GE(iterations->count(), 2);
    EXPECT_EQ(iterations->item(iterations->count() - 2)->text(), "Уточнение:");
}

}  // namespace
}  // namespace ostrel
