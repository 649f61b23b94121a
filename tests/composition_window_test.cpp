// The page "Состав" in the real window: filled at the end of a pass, a row's candidates, the
// elements and the tolerance taken (or refused), the copies, the hover marks, the refusal of its
// commands during a pass and its reset.
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTableWidget>

#include "app/chart.h"
#include "app/composition_page.h"
#include "app/theory_page.h"
#include "reference/composition_text.h"
#include "results/results_table.h"
#include "results/table_copy.h"
#include "state/clear_all.h"
#include "window_fixture.h"

namespace ostrel {
namespace {

using ::ostrel::testing::TempDir;

// The example PFTBA spectrum through "Последняя" at 1,000,000 (17 peaks).
class CompositionWindowTest : public ::ostrel::testing::PftbaWindowTest {
  protected:
    void SetUp() override {
        PftbaWindowTest::SetUp();
        RunPass();
        seam.messages.clear();
    }
    void RunPass() {
        W<QLineEdit>("Edit4")->setText("1000000");
        W<QPushButton>("Button13")->click();
        WaitForThePass();
    }
    CompositionPage& Page() { return window->Composition(); }
    const PassComposition& Composed() { return window->State().Composition; }
    // The row of the first peak whose best candidate is an ion (not a satellite).
    int RowWithAnIon() {
        const auto& peaks = Composed().peaks;
        for (int k = 0; k < static_cast<int>(peaks.size()); ++k)
            if (!peaks[k].candidates.empty() && peaks[k].candidates.front().isotopeShift == 0 &&
                peaks[k].candidates.size() >= 2)
                return k;
        ADD_FAILURE() << "no composed ion";
        return -1;
    }
    std::string Cell(QTableWidget* grid, int row, int column) {
        return grid->item(row, column)->text().toStdString();
    }
};

TEST_F(CompositionWindowTest, APassFillsThePageAndARowShowsItsCandidates) {
    auto* pages = W<QTabWidget>("PageControl1");
    ASSERT_EQ(pages->count(), 10);
    EXPECT_EQ(pages->tabText(9), "Состав");
    EXPECT_EQ(pages->tabText(8), "Тестирование");

    const ProgramState& state = window->State();
    ASSERT_EQ(Composed().peaks.size(), state.Peaks.size());
    EXPECT_EQ(Composed().options.elements, ComposeSettings{}.elements);
    EXPECT_EQ(Composed().options.detectionHeight, 1000000);
    EXPECT_EQ(W<QLineEdit>("ElementsEdit")->text(), "C1-100,H0-200,N0-4,O0-6,F0-45,S0-2");
    EXPECT_EQ(W<QLineEdit>("ToleranceEdit")->text(), "2");

    auto* grid = W<QTableWidget>("CompositionGrid");
    const CompositionRows rows = CompositionPageRows(ResultsTable(state.Peaks, state.Format),
                                                     state.Peaks, Composed().peaks, state.Format);
    ASSERT_EQ(grid->rowCount(), static_cast<int>(state.Peaks.size()));
    ASSERT_EQ(grid->columnCount(), static_cast<int>(CompositionPageHeaderCells().size()));
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "Формула");
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c)
            ASSERT_EQ(Cell(grid, r, c), rows[r + 1][c]) << r << ", " << c;
    // The results table keeps its twelve columns.
    EXPECT_EQ(W<QTableWidget>("StringGrid1")->columnCount(), 12);

    auto* candidates = W<QTableWidget>("CandidatesGrid");
    EXPECT_EQ(candidates->rowCount(), 0);
    EXPECT_EQ(W<QLabel>("CandidatesLabel")->text(), kNoPeakChosenCaption);
    const int row = RowWithAnIon();
    ASSERT_GE(row, 0);
    grid->selectRow(row);
    const PeakComposition& chosen = Composed().peaks[row];
    ASSERT_EQ(candidates->rowCount(), static_cast<int>(chosen.candidates.size()));
    for (int k = 0; k < candidates->rowCount(); ++k)
        EXPECT_EQ(Cell(candidates, k, 0), CandidateText(chosen.candidates[k])) << k;
    EXPECT_EQ(Cell(candidates, 1, 8),
              SatelliteCheckText(chosen.candidates[1].satellites[0], state.Format));
    EXPECT_EQ(W<QLabel>("CandidatesLabel")->text().toStdString(),
              CandidatesCaption(rows[row + 1][1], chosen, state.Format));
}

TEST_F(CompositionWindowTest, TheFieldsAreTakenForTheRunOrRefusedWithAMessage) {
    const PassComposition before = Composed();
    W<QLineEdit>("ElementsEdit")->setText("C1-20,Xe0-2");
    W<QPushButton>("ComposeButton")->click();
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_EQ(seam.messages[0].rfind("Элементы \"C1-20,Xe0-2\" не прочитаны: ", 0), 0u)
        << seam.messages[0];
    EXPECT_EQ(window->State().ComposeChoice, ComposeSettings{});
    EXPECT_EQ(Composed().options.elements, before.options.elements);
    EXPECT_EQ(W<QLineEdit>("ElementsEdit")->text(), "C1-20,Xe0-2");  // left to be corrected

    W<QLineEdit>("ElementsEdit")->setText("C1-20,F0-45");
    W<QLineEdit>("ToleranceEdit")->setText("0");
    W<QPushButton>("ComposeButton")->click();
    ASSERT_EQ(seam.messages.size(), 2u);
    EXPECT_EQ(seam.messages[1].rfind("Допуск \"0\" не прочитан", 0), 0u) << seam.messages[1];
    EXPECT_EQ(window->State().ComposeChoice, ComposeSettings{});

    W<QLineEdit>("ElementsEdit")->setText(" C1-20, N0-4,F0-45 ");
    W<QLineEdit>("ToleranceEdit")->setText("5");
    W<QPushButton>("ComposeButton")->click();
    EXPECT_EQ(seam.messages.size(), 2u);
    EXPECT_EQ(W<QLineEdit>("ElementsEdit")->text(), "C1-20,N0-4,F0-45");  // as taken
    const ComposeSettings taken = window->State().ComposeChoice;
    EXPECT_EQ(taken.toleranceMmu, 5);
    EXPECT_EQ(Composed().options.elements, taken.elements);
    // Uncalibrated, C4F9+ lies 4.8 mmu off: within 5 mmu it is a candidate of its row.
    auto* grid = W<QTableWidget>("CompositionGrid");
    bool c4f9 = false;
    for (int r = 0; r < grid->rowCount(); ++r)
        if (Cell(grid, r, 0) == "219")
            c4f9 = Cell(grid, r, 2) == "C4F9+" || Cell(grid, r, 9).find("C4F9+(") == 0 ||
                   Cell(grid, r, 9).find(" C4F9+(") != std::string::npos;
    EXPECT_TRUE(c4f9);
    EXPECT_TRUE(W<QPushButton>("ComposeButton")->isEnabled());

    // The next pass composes with the choice taken.
    W<QPushButton>("Button9")->click();
    RunPass();
    EXPECT_EQ(Composed().options.toleranceMmu, 5);
    EXPECT_EQ(Composed().options.elements, taken.elements);
    EXPECT_EQ(Composed().peaks.size(), window->State().Peaks.size());
}

TEST_F(CompositionWindowTest, CopiesGoToTheClipboardAndToFiles) {
    const CompositionRows& rows = Page().Rows();
    ASSERT_EQ(rows.size(), window->State().Peaks.size() + 1);
    Trigger("CompositionCopy");
    ASSERT_TRUE(seam.clipboard.has_value());
    EXPECT_EQ(*seam.clipboard, TableText(TableOf(rows), "\n"));
    EXPECT_EQ(seam.clipboard->rfind("M\tМасса\tФормула\tОшибка, mmu\tОшибка, ppm\tDBE\t", 0), 0u);
    EXPECT_TRUE(seam.messages.empty());

    seam.answers.push_back(dir.File("composition.txt"));
    Trigger("CompositionText");
    ASSERT_EQ(seam.saves.size(), 1u);
    EXPECT_EQ(seam.saves[0].title, "Сохранить состав");
    EXPECT_EQ(seam.saves[0].defaultName, "Состав.txt");
    EXPECT_EQ(TempDir::Read(dir.File("composition.txt")),
              Utf8ToCp1251(TableText(TableOf(rows), "\r\n")));
    EXPECT_EQ(seam.messages, std::vector<std::string>{TableCopiedMessage(
                                 kCompositionTableName, dir.File("composition.txt"),
                                 static_cast<int32_t>(rows.size()) - 1)});

    seam.answers.push_back(dir.File("composition.htm"));
    Trigger("CompositionHtml");
    EXPECT_EQ(seam.saves[1].defaultName, "Состав.htm");
    const std::string page = Cp1251ToUtf8(TempDir::Read(dir.File("composition.htm")));
    const int row = RowWithAnIon();
    EXPECT_NE(page.find(">" + rows[row + 1][2] + "</TD>"), std::string::npos);
    EXPECT_NE(page.find("<TH WIDTH=" +
                        std::to_string(W<QTableWidget>("CompositionGrid")->columnWidth(2) + 5) +
                        ">Формула</TH>"),
              std::string::npos);

    seam.answers.push_back(dir.File("no/such/folder/x.txt"));
    Trigger("CompositionText");
    EXPECT_NE(seam.messages.back().find("x.txt"), std::string::npos);
}

TEST_F(CompositionWindowTest, TheHoverMarkNamesTheBestFormula) {
    TheoryPage& page = window->TheoryCF();
    W<QTabWidget>("PageControl1")->setCurrentWidget(&page);
    QApplication::processEvents();
    const ProgramState& state = window->State();
    const TheorySeries& points = state.Theory.cfPeaks;
    int named = -1, unnamed = -1;
    for (int i = 0; i < points.Count(); ++i) {
        const std::string line =
            CompositionMarkLine(Composed().peaks[points.peak[i]], state.Format);
        (line.empty() ? unnamed : named) = i;
    }
    ASSERT_GE(named, 0);
    ChartSeries* measured = window->Series("Series13");
    page.chart->replot(QCustomPlot::rpImmediateRefresh);
    const QPointF at = measured->Graph()->coordsToPixels(measured->X(named), measured->Y(named));
    QMouseEvent move(QEvent::MouseMove, at, page.chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(page.chart, &move);
    ASSERT_EQ(state.HoveredPoint, named);
    page.chart->replot(QCustomPlot::rpImmediateRefresh);
    const PeakResult& peak = state.Peaks[points.peak[named]];
    const PeakComposition& composed = Composed().peaks[points.peak[named]];
    const std::string formula = CandidateText(composed.candidates.front());
    EXPECT_EQ(
        page.chart->MarkText().toStdString(),
        QString::fromStdString(MarkText(peak, state.Format)).replace('\r', '\n').toStdString() +
            "\n" + formula + " (" + state.Format.Fixed(composed.candidates.front().errorMmu, 2) +
            " mmu)");
    if (unnamed >= 0) {
        window->State().HoveredPoint = unnamed;
        EXPECT_EQ(page.MeasuredMarkText(unnamed),
                  MarkText(state.Peaks[points.peak[unnamed]], state.Format));
    }
    // Without a composition the mark stays as it was.
    window->State().HoveredPoint = named;
    window->State().Composition = {};
    EXPECT_EQ(page.MeasuredMarkText(named), MarkText(peak, state.Format));
}

TEST_F(CompositionWindowTest, ThePageRefusesItsCommandsWhileThePassRuns) {
    W<QPushButton>("Button9")->click();
    W<QLineEdit>("Edit4")->setText("1000000");
    W<QPushButton>("Button13")->click();
    ASSERT_TRUE(window->LastPassRunning());
    EXPECT_FALSE(W<QPushButton>("ComposeButton")->isEnabled());
    for (const char* refused : {"ElementsEdit", "ToleranceEdit"})
        EXPECT_FALSE(W<QLineEdit>(refused)->isEnabled()) << refused;
    for (const char* refused : {"CompositionCopy", "CompositionText", "CompositionHtml"})
        EXPECT_FALSE(W<QAction>(refused)->isEnabled()) << refused;
    // The reset at the start of the pass emptied the page.
    EXPECT_EQ(W<QTableWidget>("CompositionGrid")->rowCount(), 0);
    WaitForThePass();
    EXPECT_TRUE(W<QPushButton>("ComposeButton")->isEnabled());
    EXPECT_TRUE(W<QLineEdit>("ElementsEdit")->isEnabled());
    EXPECT_TRUE(W<QAction>("CompositionCopy")->isEnabled());
    EXPECT_EQ(W<QTableWidget>("CompositionGrid")->rowCount(),
              static_cast<int>(window->State().Peaks.size()));
}

TEST_F(CompositionWindowTest, EveryResetEmptiesThePage) {
    for (int mode : {kClearForLoad, kClearForPreliminary, kClearForLastPass}) {
        SCOPED_TRACE(mode);
        if (mode != kClearForLoad) {  // the pass of SetUp first, then a pass anew each time
            W<QPushButton>("Button9")->click();
            RunPass();
        }
        W<QTableWidget>("CompositionGrid")->selectRow(RowWithAnIon());
        ASSERT_GT(W<QTableWidget>("CandidatesGrid")->rowCount(), 0);
        window->ApplyClearAll(ClearAll(window->State(), mode));
        EXPECT_EQ(W<QTableWidget>("CompositionGrid")->rowCount(), 0);
        EXPECT_EQ(W<QTableWidget>("CandidatesGrid")->rowCount(), 0);
        EXPECT_EQ(W<QLabel>("CandidatesLabel")->text(), kNoPeakChosenCaption);
        EXPECT_EQ(Page().Rows().size(), 1u);
    }
}

}  // namespace
}  // namespace ostrel
