#include "app/results_page.h"

#include <QAction>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QTableWidget>

#include "app/column_dialog.h"
#include "app/main_window.h"
#include "app/widget_factory.h"
#include "results/peak_doubts.h"
#include "results/results_table.h"
#include "results/table_copy.h"
#include "state/errors.h"
#include "state/points_file.h"
#include "state/results_grid.h"
#include "state/window_texts.h"

namespace ostrel {

ResultsPage::ResultsPage(TForm1& form) : form_(form) {
    setObjectName(QStringLiteral("TabSheet2"));
    StringGrid1 = new QTableWidget(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setColumnCount(ResultsGrid::kColumnCount);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setShowGrid(true);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    QFont bold = StringGrid1->font();
    bold.setBold(true);
    StringGrid1->setFont(bold);
    // Rows as tall as the bold font needs, so that a small screen shows as many as it can.
    StringGrid1->verticalHeader()->setMinimumSectionSize(1);
    StringGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(bold).height() + 6);
    FillPage(this, StringGrid1);

    PopupMenu1 = new QMenu(StringGrid1);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* n4 = PopupMenu1->addAction(QStringLiteral("Копировать в Excel"));
    n4->setObjectName(QStringLiteral("N4"));
    connect(n4, &QAction::triggered, this, [this] { N4Click(); });
    QAction* txt2 = PopupMenu1->addAction(QStringLiteral("Копировать в TXT-файл"));
    txt2->setObjectName(QStringLiteral("TXT2"));
    connect(txt2, &QAction::triggered, this, [this] { TXT2Click(); });
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(
        StringGrid1, &QWidget::customContextMenuRequested, PopupMenu1,
        [this](const QPoint& at) { PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(at)); });
}

ResultsGrid ResultsPage::Table() const {
    const ProgramState& state = form_.State();
    return ResultsTable(state.Peaks, state.Format);
}

void ResultsPage::ShowGrid() {
    const ResultsGrid g = Table();
    QStringList headers;
    for (int32_t c = 0; c < g.ColCount(); ++c) headers << Q(g.Cell(c, 0));
    StringGrid1->setHorizontalHeaderLabels(headers);
    StringGrid1->setRowCount(std::max(0, g.RowCount() - 1));
    for (int32_t r = 1; r < g.RowCount(); ++r)
        for (int32_t c = 0; c < g.ColCount(); ++c) {
            auto* cell = StringGrid1->item(r - 1, c);
            if (!cell) {
                cell = new QTableWidgetItem;
                StringGrid1->setItem(r - 1, c, cell);
            }
            cell->setText(Q(g.Cell(c, r)));
            if (!cell->toolTip().isEmpty()) {  // a mark of an earlier table
                cell->setBackground(QBrush());
                cell->setToolTip(QString());
            }
        }
    // Rows whose numbers cannot be trusted are marked; their texts stay as the table has them.
    const ProgramState& state = form_.State();
    // Rows the refinement made are marked too, a doubt first.
    for (size_t i = 0; i < state.Peaks.size(); ++i) {
        const std::string why = DoubtText(state.Peaks[i], state.Format);
        const std::string how = RefinementText(state.Peaks, i);
        for (int32_t c = 0; c < g.ColCount() && !(why.empty() && how.empty()); ++c) {
            QTableWidgetItem* cell = StringGrid1->item(static_cast<int>(i), c);
            if (!why.empty())
                MarkDoubtful(cell, why);
            else
                MarkRefined(cell, how);
        }
    }
}

void ResultsPage::AutoSizeGridColumns() {
    const QFontMetrics metrics(StringGrid1->font());
    const std::vector<int> widths = ostrel::AutoSizeGridColumns(
        Table(), [&](const std::string& t) { return metrics.horizontalAdvance(Q(t)); });
    for (int c = 0; c < static_cast<int>(widths.size()); ++c)
        StringGrid1->setColumnWidth(c, widths[c]);
}

ColumnWidths ResultsPage::GridColumnWidths() const {
    ColumnWidths widths{};
    for (int c = 0; c < static_cast<int>(widths.size()); ++c)
        widths[c] = StringGrid1->columnWidth(c);
    return widths;
}

bool ResultsPage::HasResults() {
    if (!form_.State().Peaks.empty()) return true;
    form_.ShowMessage(kNoResultsToExportMessage);
    return false;
}

void ResultsPage::HTMLOut(HtmlLook look) {
    if (!HasResults()) return;
    ProgramState& state = form_.State();
    {
        // Closed without "OK" (Escape, the title bar) the export is cancelled.
        TForm3 form3(state.ColumnChosen, this);
        if (form_.Seam().ExecModal(form3) != QDialog::Accepted) return;
    }
    const auto path =
        form_.AskSaveFile({kSaveInformationTitle, std::string(), kHtmlFileFilter, kHtmlFileName});
    if (!path) return;
    try {
        WriteToHTML(*path, Table(), ResultsPageTitle(state.CurveTitle, state.PeaksRefined), look,
                    state.ColumnChosen, GridColumnWidths());
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    form_.ResultsExported();
}

void ResultsPage::N4Click() {
    if (!HasResults()) return;
    form_.Seam().SetClipboardText(GridTableText(Table(), "\n"));
    form_.ResultsExported();
}

void ResultsPage::TXT2Click() {
    if (!HasResults()) return;
    const auto path = form_.AskSaveFile(
        {kSaveInformationTitle, std::string(), kTextFileFilter, kTableTextFileName});
    if (!path) return;
    const ResultsGrid table = Table();
    try {
        WriteGridTable(*path, table);
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    form_.ResultsExported();
    form_.ShowMessage(TableCopiedMessage(kResultsTableName, *path,
                                         static_cast<int32_t>(form_.State().Peaks.size())));
}

}  // namespace ostrel
