#include "app/testing_page.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/main_window.h"
#include "app/widget_factory.h"
#include "fitting/matrix_self_test.h"
#include "results/peak_doubts.h"

namespace ostrel {

TestingPage::TestingPage(TForm1& form) : form_(form) {
    setObjectName(QStringLiteral("TabSheet9"));
    MakeLabel(this, "Label10", "Всего пиков =", 16, 8);
    Label11 = MakeLabel(this, "Label11", "-", 260, 4, kRedValueStyle);
    MakeLabel(this, "Label3", "Проблемных пиков =", 16, 32);
    Label4 = MakeLabel(this, "Label4", "-", 260, 28, kRedValueStyle);
    MakeLabel(this, "Label1", "Время вычислений (мс) =", 16, 56);
    Label2 = MakeLabel(this, "Label2", "-", 260, 52, kRedValueStyle);
    MakeLabel(this, "Label8", "Проблемные пики", 16, 82);
    ListBox3 = MakeList(this, "ListBox3", {16, 104, 265, 665});
    MakeLabel(this, "Label16", "Массив пиков", 296, 82);
    ListBox4 = MakeList(this, "ListBox4", {296, 104, 297, 663});
    Button7 = MakeButton(this, "Button7", "Op44", {620, 16, 100, 30}, false, 12);
    Button10 = MakeButton(this, "Button10", "Dopolnenie", {620, 56, 100, 30}, false, 12);
    Button7->hide();
    Button10->hide();
    connect(Button7, &QPushButton::clicked, this,
            [this] { form_.ShowMessage(Test1(form_.State().Format)); });
    connect(Button10, &QPushButton::clicked, this,
            [this] { form_.ShowMessage(Test2(form_.State().Format)); });
}

void TestingPage::ShowCounters(int32_t peakNumber, int32_t problems, int64_t milliseconds) {
    Label2->setText(QString::number(milliseconds));
    Label11->setText(QString::number(peakNumber));
    Label4->setText(QString::number(problems));
    for (QLabel* label : {Label2, Label11, Label4}) label->adjustSize();
}

void TestingPage::ShowRefinement() {
    const ProgramState& state = form_.State();
    const int first = ListBox4->count();
    const std::vector<std::string> lines = RefinementLines(state.Peaks, state.Format);
    if (AppendLines(ListBox4, lines)) form_.ApplyLayoutRule();
    for (int i = first; i < ListBox4->count(); ++i) MarkRefined(ListBox4->item(i), lines.front());
}

void TestingPage::MarkDoubtfulPeaks() {
    const ProgramState& state = form_.State();
    const std::vector<std::string> lines = DoubtfulPeakLines(state.Peaks, state.Format);
    // "Массив пиков" holds the six report lines of every peak, in peak order.
    constexpr int kReportLines = 6;
    size_t line = 0;
    for (size_t i = 0; i < state.Peaks.size(); ++i) {
        const std::string why = DoubtText(state.Peaks[i], state.Format);
        if (why.empty()) continue;
        auto* head = new QListWidgetItem(Q(lines[line]));
        ListBox3->insertItem(static_cast<int>(line++), head);
        MarkDoubtful(head, why);
        for (int k = 0; k < kReportLines; ++k)
            if (QListWidgetItem* item = ListBox4->item(static_cast<int>(i) * kReportLines + k))
                MarkDoubtful(item, why);
    }
    if (line > 0) ListBox3->insertItem(static_cast<int>(line), QStringLiteral(" "));
}

}  // namespace ostrel
