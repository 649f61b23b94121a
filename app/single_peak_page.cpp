#include "app/single_peak_page.h"

#include <QListWidget>
#include <QPushButton>

#include "app/main_window.h"
#include "app/testing_page.h"
#include "app/widget_factory.h"
#include "results/peak_doubts.h"
#include "state/errors.h"
#include "state/points_file.h"

namespace ostrel {

SinglePeakPage::SinglePeakPage(TForm1& form) : form_(form) {
    setObjectName(QStringLiteral("TabSheet8"));
    Button16 = MakeButton(this, "Button16", "Обработать", {24, 16, 240, 49}, true);
    Button17 =
        MakeButton(this, "Button17", "Сохранить", {280, 16, 240, 49}, false, 19, "Сохранить пик");
    MakeLabel(this, "Label14", "Все массы", 24, 80);
    ListBox8 = MakeList(this, "ListBox8", {24, 104, 169, 793});
    MakeLabel(this, "Label15", "Параметры для каждой итерации", 208, 80);
    ListBox9 = MakeList(this, "ListBox9", {208, 104, 441, 793});
    // The current line changes with the mouse and with the arrow keys alike.
    connect(ListBox8, &QListWidget::currentRowChanged, this, [this] { ListBox8Click(); });
    connect(Button16, &QPushButton::clicked, this, [this] { Button16Click(); });
    connect(Button17, &QPushButton::clicked, this, [this] { Button17Click(); });
}

void SinglePeakPage::ListBox8Click() {
    Button16->setEnabled(true);
    Button17->setEnabled(false);
}

void SinglePeakPage::Button16Click() {
    QListWidgetItem* item = ListBox8->currentItem();
    if (form_.LastPassRunning() || !item || !item->isSelected()) return;
    ListBox9->clear();
    FitLog log;
    try {
        singlePeak_ = form_.Road().FitOnePeak(ListBox8->currentRow(), fit_, log);
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    AppendLines(ListBox9, log.iterations);
    // A peak of the refinement: the fit above is the pass's own window; the refinement's
    // components follow.
    const ProgramState& state = form_.State();
    AppendLines(ListBox9,
                RefinementGroupLines(state.Peaks, static_cast<size_t>(ListBox8->currentRow()),
                                     state.Format));
    if (AppendLines(form_.Testing().ListBox3, log.problems)) form_.ApplyLayoutRule();
    Button16->setEnabled(false);
    Button17->setEnabled(true);
}

void SinglePeakPage::Button17Click() {
    ProgramState& state = form_.State();
    const auto path = form_.AskSaveFile(
        {kSavePeakTitle, std::string(), kTextFileFilter, PeakFileName(singlePeak_.SinglePeakMass)});
    if (!path) return;
    try {
        WriteOtdelPik(*path, singlePeak_.SinglePeakMass, singlePeak_.SinglePeakLeftIndex,
                      singlePeak_.SinglePeakRightIndex, state.Points, state.Format);
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
    }
}

}  // namespace ostrel
