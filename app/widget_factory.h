// The few widget kinds the pages are built from, with the looks the window uses throughout:
// green bold headings, red command buttons, bold lists.
#pragma once

#include <QRect>
#include <QString>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTableWidgetItem;
class QPushButton;
class QWidget;

namespace ostrel {

inline constexpr const char* kGreenLabelStyle = "color: green; font-weight: bold; font-size: 16px;";
inline constexpr const char* kRedValueStyle = "color: red; font-size: 19px;";

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                  const char* style = kGreenLabelStyle);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect rect,
                        bool red, int pixelSize = 19, const QString& tooltip = {});
QListWidget* MakeList(QWidget* parent, const char* name, QRect rect);
QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect rect);

// Makes content fill the page.
void FillPage(QWidget* page, QWidget* content);

// height := container height − top − margin.
void SetBottomMargin(QWidget* w, int containerHeight, int margin);

// Appends the lines to the list in one go. Answers whether the list's widest line grew, so that
// the layout may widen the list (its "contentWidth" property holds the width its lines need).
bool AppendLines(QListWidget* list, const std::vector<std::string>& lines);
// The width the list needs to show its widest line, scroll bar included; 0 when it is empty.
int ContentWidth(const QListWidget* list);

// A line or a cell of a record whose numbers cannot be trusted: coloured, the reason as its
// tooltip.
void MarkDoubtful(QListWidgetItem* item, const std::string& why);
void MarkDoubtful(QTableWidgetItem* cell, const std::string& why);
// A line or cell the refinement made, with how it made it.
void MarkRefined(QListWidgetItem* item, const std::string& how);
void MarkRefined(QTableWidgetItem* cell, const std::string& how);

inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace ostrel
