// The page "Состав": the elemental composition of every peak of the pass (its best formula with
// the error, DBE, electron parity and 13C agreement), the ranked candidates of the peak chosen,
// the elements and the tolerance it is made with, and its copies (clipboard, text file, HTML).
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;

namespace ostrel {

class TForm1;

class CompositionPage : public QWidget {
  public:
    explicit CompositionPage(TForm1& form);

    // Shows the composition of the program's peaks (none after a reset) and no candidates.
    void ShowComposition();
    // The candidates of peak row (0-based row of the table), or none for -1.
    void ShowCandidates(int row);
    // "Определить состав": the fields read (a text that cannot be read: its message, nothing
    // changes), the peaks of the pass composed with them off the window's thread; the fields
    // then show the settings as taken, which every later pass of the run uses.
    void ComposeClick();
    // The pop-up commands of the table: "Копировать в Excel" (tab-separated text on the
    // clipboard), "Копировать в TXT-файл" (the same into a file, then "OK") and "Копировать в
    // HTML-файл" (the table as a page, its columns as wide as shown).
    void CopyClick();
    void TextFileClick();
    void HtmlClick();

    // The rows shown, the header row first (the copies write these).
    const std::vector<std::vector<std::string>>& Rows() const { return rows_; }

    QLineEdit* ElementsEdit;
    QLineEdit* ToleranceEdit;
    QPushButton* ComposeButton;
    QTableWidget* CompositionGrid;
    QLabel* CandidatesLabel;
    QTableWidget* CandidatesGrid;
    QMenu* CompositionMenu;

  private:
    TForm1& form_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace ostrel
