#include "app/widget_factory.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace ostrel {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                  const char* style) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setStyleSheet(style);
    label->adjustSize();
    label->move(x, y);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect rect,
                        bool red, int pixelSize, const QString& tooltip) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(rect);
    button->setStyleSheet(
        QStringLiteral("QPushButton { font-size: %1px; }%2")
            .arg(pixelSize)
            .arg(red ? QStringLiteral(" QPushButton:enabled { color: red; }") : QString()));
    if (!tooltip.isEmpty()) button->setToolTip(tooltip);
    return button;
}

QListWidget* MakeList(QWidget* parent, const char* name, QRect rect) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setGeometry(rect);
    list->setStyleSheet(QStringLiteral("font-weight: bold; font-size: 16px;"));
    return list;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect rect) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(rect);
    edit->setStyleSheet(QStringLiteral("font-size: 19px;"));
    return edit;
}

bool AppendLines(QListWidget* list, const std::vector<std::string>& lines) {
    QStringList items;
    items.reserve(static_cast<qsizetype>(lines.size()));
    size_t longest = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        items << Q(lines[i]);
        if (lines[i].size() > lines[longest].size()) longest = i;
    }
    list->addItems(items);
    if (lines.empty()) return false;
    // The lines are mostly digits of one width: the longest line is the widest.
    const int needed =
        list->fontMetrics().horizontalAdvance(items[static_cast<qsizetype>(longest)]) +
        2 * list->frameWidth() + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 12;
    if (needed <= list->property("contentWidth").toInt()) return false;
    list->setProperty("contentWidth", needed);
    return true;
}

void MarkDoubtful(QListWidgetItem* item, const std::string& why) {
    item->setForeground(QColor(192, 0, 0));
    item->setToolTip(Q(why));
}

void MarkDoubtful(QTableWidgetItem* cell, const std::string& why) {
    cell->setBackground(QColor(255, 214, 214));
    cell->setToolTip(Q(why));
}

void MarkRefined(QListWidgetItem* item, const std::string& how) {
    item->setForeground(QColor(0, 0, 160));
    item->setToolTip(Q(how));
}

void MarkRefined(QTableWidgetItem* cell, const std::string& how) {
    cell->setBackground(QColor(214, 228, 255));
    cell->setToolTip(Q(how));
}

int ContentWidth(const QListWidget* list) {
    return list->count() == 0 ? 0 : list->property("contentWidth").toInt();
}

void FillPage(QWidget* page, QWidget* content) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
}

void SetBottomMargin(QWidget* w, int containerHeight, int margin) {
    w->resize(w->width(), std::max(0, containerHeight - w->y() - margin));
}

}  // namespace ostrel
