// The page "Информация": the results table with its pop-up menu, its HTML page and its copies.
#pragma once

#include <QWidget>

#include "results/html_report.h"

class QMenu;
class QTableWidget;

namespace ostrel {

class TForm1;

class ResultsPage : public QWidget {
  public:
    explicit ResultsPage(TForm1& form);

    // Shows the results table of the program's peaks (row 0 is the header row).
    void ShowGrid();
    // The table as the grid shows it, made from the peaks.
    ResultsGrid Table() const;
    // Every column as wide as its widest text plus "www".
    void AutoSizeGridColumns();

    // "Информация" > "HTML" (plain) and "HTML (усовершен.)" (improved): the column dialog (closed
    // without "OK": nothing more), the file dialog, then the page with the chosen columns as wide
    // as the grid shows them.
    void HTMLOut(HtmlLook look);
    // "Копировать в Excel": the table as tab-separated text on the clipboard.
    void N4Click();
    // "Копировать в TXT-файл": the same text into a file, then a message naming the file.
    void TXT2Click();
    // The width of every column on screen, a column widened by the user included.
    ColumnWidths GridColumnWidths() const;
    // Whether a pass left results to export; the message when it did not.
    bool HasResults();

    QTableWidget* StringGrid1;
    QMenu* PopupMenu1;

  private:
    TForm1& form_;
};

}  // namespace ostrel
