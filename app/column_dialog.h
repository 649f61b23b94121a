// TForm3, "Выбор столбцов": the twelve boxes that choose the columns of the HTML page. It is made
// for one export and opens with the boxes of the choice in force (every box before the first
// "OK"); only "OK" goes on to the export.
#pragma once

#include <QDialog>
#include <array>

#include "results/html_report.h"

class QCheckBox;
class QPushButton;

namespace ostrel {

class TForm3 : public QDialog {
  public:
    // columnChosen is written only when "OK" closes the dialog.
    TForm3(ColumnChoice& columnChosen, QWidget* parent);

    // "OK": box k chooses column k − 1; closes the dialog.
    void Button1Click();

    std::array<QCheckBox*, ResultsGrid::kColumnCount> CheckBoxes;  // CheckBox1 .. CheckBox12
    QPushButton* Button1;

  private:
    ColumnChoice& columnChosen_;
};

}  // namespace ostrel
