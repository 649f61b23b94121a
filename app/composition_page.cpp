#include "app/composition_page.h"

#include <QAction>
#include <QBoxLayout>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/theory_page.h"
#include "app/widget_factory.h"
#include "reference/composition_text.h"
#include "reference/pass_composition.h"
#include "results/html_report.h"
#include "results/results_table.h"
#include "results/table_copy.h"
#include "state/errors.h"
#include "state/points_file.h"

namespace ostrel {

namespace {

// A read-only grid of bold texts as "Информация" shows them, whose rows are chosen whole, one at a
// time.
QTableWidget* MakeRowGrid(QWidget* parent, const char* name) {
    auto* grid = new QTableWidget(parent);
    grid->setObjectName(name);
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    QFont bold = grid->font();
    bold.setBold(true);
    grid->setFont(bold);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(bold).height() + 6);
    return grid;
}

// Fills the grid with the rows, the first one as its header, every column as wide as its longest
// text plus "www". Only the longest text of a column is measured: the cells are mostly digits of
// one width and formulas, and measuring each of twenty thousand cells held the window for a
// tenth of a second.
void FillGrid(QTableWidget* grid, const std::vector<std::vector<std::string>>& rows) {
    grid->clearContents();
    const int columns = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    grid->setColumnCount(columns);
    grid->setRowCount(std::max(0, static_cast<int>(rows.size()) - 1));
    std::vector<QString> longest(static_cast<size_t>(columns));
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < columns; ++c) {
            const QString text = Q(rows[r][c]);
            if (r == 0) {
                grid->setHorizontalHeaderItem(c, new QTableWidgetItem(text));
                continue;
            }
            if (text.size() > longest[c].size()) longest[c] = text;
            grid->setItem(static_cast<int>(r) - 1, c, new QTableWidgetItem(text));
        }
    // A header is as wide as the style draws it (its own font, margins, the sort mark's room).
    const QFontMetrics metrics(grid->font());
    for (int c = 0; c < columns; ++c)
        grid->setColumnWidth(c, std::max(metrics.horizontalAdvance(longest[c] + "www"),
                                         grid->horizontalHeader()->sectionSizeHint(c)));
}

}  // namespace

CompositionPage::CompositionPage(TForm1& form) : form_(form) {
    setObjectName(QStringLiteral("CompositionSheet"));
    const ProgramState& state = form_.State();
    auto* top = new QHBoxLayout;
    top->addWidget(MakeLabel(this, "ElementsLabel", "Элементы", 0, 0));
    ElementsEdit = MakeEdit(this, "ElementsEdit", {0, 0, 340, 32});
    ElementsEdit->setMinimumWidth(340);
    ElementsEdit->setToolTip(
        QStringLiteral("Элементы и число их атомов: C1-100,H0-200,N0-4,O0-6,F0-45,S0-2 "
                       "(C, H, N, O, F, S, Cl, Br, Si, P); элемента, не названного здесь, нет"));
    top->addWidget(ElementsEdit, 1);
    top->addSpacing(12);
    top->addWidget(MakeLabel(this, "ToleranceLabel", "Допуск, mmu", 0, 0));
    ToleranceEdit = MakeEdit(this, "ToleranceEdit", {0, 0, 70, 32});
    ToleranceEdit->setFixedWidth(70);
    ToleranceEdit->setToolTip(QStringLiteral("Наибольшая разность измеренной массы и массы иона"));
    top->addWidget(ToleranceEdit);
    top->addSpacing(16);
    ComposeButton = MakeButton(this, "ComposeButton", "Определить состав", {0, 0, 220, 40}, true,
                               19, "Определить состав каждого пика с этими элементами и допуском");
    ComposeButton->setFixedSize(220, 40);
    top->addWidget(ComposeButton);
    ElementsEdit->setText(Q(ElementsText(state.ComposeChoice)));
    ToleranceEdit->setText(Q(ToleranceText(state.ComposeChoice, state.Format)));

    CompositionGrid = MakeRowGrid(this, "CompositionGrid");
    CandidatesLabel = MakeLabel(this, "CandidatesLabel", kNoPeakChosenCaption, 0, 0);
    CandidatesGrid = MakeRowGrid(this, "CandidatesGrid");
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(16, 8, 16, 16);
    page->addLayout(top);
    page->addWidget(MakeLabel(this, "CompositionLabel", "Состав пиков", 0, 0));
    page->addWidget(CompositionGrid, 3);
    page->addWidget(CandidatesLabel);
    page->addWidget(CandidatesGrid, 2);

    CompositionMenu = new QMenu(CompositionGrid);
    CompositionMenu->setObjectName(QStringLiteral("CompositionMenu"));
    const struct {
        const char *name, *caption;
        void (CompositionPage::*command)();
    } commands[] = {{"CompositionCopy", "Копировать в Excel", &CompositionPage::CopyClick},
                    {"CompositionText", "Копировать в TXT-файл", &CompositionPage::TextFileClick},
                    {"CompositionHtml", "Копировать в HTML-файл", &CompositionPage::HtmlClick}};
    for (const auto& c : commands) {
        QAction* a = CompositionMenu->addAction(QString::fromUtf8(c.caption));
        a->setObjectName(c.name);
        connect(a, &QAction::triggered, this, [this, command = c.command] { (this->*command)(); });
    }
    CompositionGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(CompositionGrid, &QWidget::customContextMenuRequested, CompositionMenu,
            [this](const QPoint& at) {
                CompositionMenu->popup(CompositionGrid->viewport()->mapToGlobal(at));
            });
    connect(ComposeButton, &QPushButton::clicked, this, [this] { ComposeClick(); });
    connect(CompositionGrid, &QTableWidget::currentCellChanged, this,
            [this](int row) { ShowCandidates(row); });
    ShowComposition();
}

void CompositionPage::ShowComposition() {
    const ProgramState& state = form_.State();
    rows_ = CompositionPageRows(ResultsTable(state.Peaks, state.Format), state.Peaks,
                                state.Composition.peaks, state.Format);
    {
        const QSignalBlocker quiet(CompositionGrid);
        FillGrid(CompositionGrid, rows_);
        CompositionGrid->setCurrentCell(-1, -1);  // no peak chosen until the user chooses one
    }
    ShowCandidates(-1);
}

void CompositionPage::ShowCandidates(int row) {
    const ProgramState& state = form_.State();
    const auto& peaks = state.Composition.peaks;
    std::vector<std::vector<std::string>> rows = {CandidateHeaderCells()};
    if (row < 0 || row >= static_cast<int>(peaks.size()) ||
        row + 1 >= static_cast<int>(rows_.size())) {
        CandidatesLabel->setText(QString::fromUtf8(kNoPeakChosenCaption));
    } else {
        const PeakComposition& pc = peaks[row];
        CandidatesLabel->setText(Q(CandidatesCaption(rows_[row + 1][1], pc, state.Format)));
        for (const CompositionCandidate& c : pc.candidates)
            rows.push_back(CandidateCells(c, state.Format));
    }
    CandidatesLabel->adjustSize();
    FillGrid(CandidatesGrid, rows);
}

void CompositionPage::ComposeClick() {
    ProgramState& state = form_.State();
    ComposeSettings settings;
    try {
        settings = ParseComposeSettings(ElementsEdit->text().toStdString(),
                                        ToleranceEdit->text().toStdString(), state.Format);
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    PassComposition made;
    try {
        // Two thousand peaks take a tenth of a second or more: the window keeps painting.
        form_.RunOffThread(
            [&] { made = SpectrumRoad::ComposeOf(state.Peaks, state.FirstPeakHeight, settings); });
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    form_.Road().AcceptComposition(settings, std::move(made));
    ElementsEdit->setText(Q(ElementsText(settings)));
    ToleranceEdit->setText(Q(ToleranceText(settings, state.Format)));
    // The same peaks composed anew: the peak chosen stays chosen, its new candidates shown.
    const int chosen = CompositionGrid->currentRow();
    ShowComposition();
    if (chosen >= 0 && chosen < CompositionGrid->rowCount()) CompositionGrid->selectRow(chosen);
    // The hover marks name the new best formulas at their next drawing.
    for (TheoryPage* page : {&form_.TheoryCH(), &form_.TheoryCF()})
        page->chart->replot(QCustomPlot::rpQueuedReplot);
}

void CompositionPage::CopyClick() {
    form_.Seam().SetClipboardText(TableText(TableOf(rows_), "\n"));
}

void CompositionPage::TextFileClick() {
    const auto path =
        form_.Seam().AskSaveFile({kSaveCompositionTitle, form_.ProgramFolder().toStdString(),
                                  kTextFileFilter, kCompositionTextFileName});
    if (!path) return;
    try {
        WriteTableText(*path, TableOf(rows_));
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    form_.ShowMessage(TableCopiedMessage(kCompositionTableName, *path,
                                         static_cast<int32_t>(form_.State().Peaks.size())));
}

void CompositionPage::HtmlClick() {
    const auto path =
        form_.Seam().AskSaveFile({kSaveCompositionTitle, form_.ProgramFolder().toStdString(),
                                  kHtmlFileFilter, kCompositionHtmlFileName});
    if (!path) return;
    const size_t columns = rows_.empty() ? 0 : rows_.front().size();
    std::vector<int> widths(columns);
    for (size_t c = 0; c < columns; ++c)
        widths[c] = CompositionGrid->columnWidth(static_cast<int>(c));
    try {
        WriteTableToHTML(*path, TableOf(rows_), form_.State().CurveTitle, HtmlLook::Plain,
                         std::vector<bool>(columns, true), widths);
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
    }
}

}  // namespace ostrel
