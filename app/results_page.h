// The page "Информация": the results table with its pop-up menu.
#pragma once

#include <QWidget>

class QMenu;
class QTableWidget;

namespace ostrel {

class TForm1;

class ResultsPage : public QWidget {
  public:
    explicit ResultsPage(TForm1& form);

    // Shows the cells of the program's results grid (row 0 is the header row).
    void ShowGrid();
    // Every column as wide as its widest text plus "www".
    void AutoSizeGridColumns();

    QTableWidget* StringGrid1;
    QMenu* PopupMenu1;

  private:
    TForm1& form_;
};

}  // namespace ostrel
