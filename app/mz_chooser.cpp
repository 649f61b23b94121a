#include "app/mz_chooser.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace ostrel {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

SpectrumChooser::SpectrumChooser(const std::vector<MzSpectrumRow>& rows, const NumberFormat& format,
                                 QWidget* parent)
    : QDialog(parent), table_(new QTableWidget(this)) {
    setObjectName(QStringLiteral("SpectrumChooser"));
    setWindowTitle(Q(kChooseSpectrumTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Q(kChooseSpectrumPrompt), this));

    table_->setObjectName(QStringLiteral("SpectrumTable"));
    table_->setColumnCount(static_cast<int>(kChooseSpectrumHeaders.size()));
    QStringList headers;
    for (const char* header : kChooseSpectrumHeaders) headers << Q(header);
    table_->setHorizontalHeaderLabels(headers);
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setRowCount(static_cast<int>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::vector<std::string> cells = MzChooserCells(rows[r], format);
        for (size_t c = 0; c < cells.size(); ++c)
            table_->setItem(static_cast<int>(r), static_cast<int>(c),
                            new QTableWidgetItem(Q(cells[c])));
        indexes_.push_back(rows[r].index);
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    if (!rows.empty()) {
        const int32_t preselected = FirstProfileMs1(rows).value_or(rows.front().index);
        for (size_t r = 0; r < indexes_.size(); ++r)
            if (indexes_[r] == preselected) table_->selectRow(static_cast<int>(r));
    }
    layout->addWidget(table_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    // Wide enough for every column of a usual native id, within a desktop's width.
    int width = 2 * table_->frameWidth() + 40;
    for (int c = 0; c < table_->columnCount(); ++c) width += table_->columnWidth(c);
    resize(std::min(width, 1000), 360);
}

std::optional<int32_t> SpectrumChooser::SelectedIndex() const {
    const int row = table_->currentRow();
    if (row < 0 || !table_->selectionModel()->isRowSelected(row, QModelIndex()))
        return std::nullopt;
    return indexes_[static_cast<size_t>(row)];
}

}  // namespace ostrel
