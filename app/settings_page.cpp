#include "app/settings_page.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/spectrum_page.h"
#include "app/widget_factory.h"
#include "processing/pass_refinement.h"
#include "processing/preliminary.h"
#include "processing/road_settings.h"
#include "state/errors.h"

namespace ostrel {

SettingsPage::SettingsPage(TForm1& form) : form_(form) {
    setObjectName(QStringLiteral("TabSheet3"));
    MakeLabel(this, "Label7", "Высоты зон пиков", 24, 16);
    ListBox1 = MakeList(this, "ListBox1", {24, 40, 193, 873});
    MakeLabel(this, "Label5", "KolUsred", 312, 32);
    Edit2 = MakeEdit(this, "Edit2", {408, 32, 113, 32});
    MakeLabel(this, "Label6", "KrivoMn", 312, 66);
    Edit3 = MakeEdit(this, "Edit3", {408, 66, 113, 32});
    Button9 = MakeButton(this, "Button9", "Предварительная", {552, 32, 225, 65}, true, 19,
                         "Предварительная обработка");
    Button13 = MakeButton(this, "Button13", "Последняя", {552, 120, 225, 65}, true, 19,
                          "Предпоследняя обработка");
    BitBtn1 = MakeButton(this, "BitBtn1", ">>", {232, 128, 57, 57}, false);
    CheckBoxRefine = new QCheckBox(QStringLiteral("Уточнять пики"), this);
    CheckBoxRefine->setObjectName(QStringLiteral("CheckBoxRefine"));
    CheckBoxRefine->setStyleSheet(QStringLiteral("font-size: 15px;"));
    CheckBoxRefine->move(792, 136);
    CheckBoxRefine->setToolTip(QString::fromUtf8(kRefineChoiceTooltip).replace('\r', '\n'));
    MakeLabel(this, "Label9", "Первый не помеховый пик", 304, 128);
    Edit4 = MakeEdit(this, "Edit4", {304, 152, 233, 32});
    Chart5 = new Chart(this);
    Chart5->setObjectName(QStringLiteral("Chart5"));
    Chart5->setGeometry(232, 200, 929, 713);
    Chart5->SetZoomAndPan(false);
    // Light grey, so that the white turning points show.
    Chart5->axisRect()->setBackground(QBrush(QColor(224, 224, 224)));
    using S = QCPScatterStyle;
    Series14 = Chart5->AddSeries("Series14", {Qt::red, S::ssCircle, 2, Qt::red, {}});
    Series15 = Chart5->AddSeries("Series15", {Qt::white, S::ssCircle, 2, Qt::gray, {}});
    Chart5->SetOverlay([this](QPainter& painter) { Series15AfterDrawValues(painter); });

    connect(Button9, &QPushButton::clicked, this, [this] { Button9Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    // The current line is the zone on view, whether chosen by mouse or by keys.
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { ListBox1Click(); });
    connect(Button13, &QPushButton::clicked, this, [this] { Button13Click(); });
}

void SettingsPage::ShowStage(PreliminaryStage stage, const PreliminaryResult& result) {
    const ProcessingStages& stages = form_.State().Stages;
    SpectrumPage& page = form_.Spectrum();
    switch (stage) {
        case PreliminaryStage::Stage1:
            return page.DrawStage(page.Series2, stages.Stage1, "Series21", "Points21");
        case PreliminaryStage::Stage2:
            return page.DrawStage(page.Series3, stages.Stage2, "Series31", "Points31");
        case PreliminaryStage::Stage3:
            return page.DrawStage(page.Series4, stages.Stage3, "Series41", "Points41");
        case PreliminaryStage::Stage4:
            return page.DrawStage(page.Series5, stages.Stage4, "Series51", "Points51");
        case PreliminaryStage::Slope:
            return page.DrawStage(page.Series16, stages.Slope, "N29", "N43");
        case PreliminaryStage::ZoneSort: {
            suggestion_ = result.suggestion;
            const QSignalBlocker quiet(ListBox1);  // filling the list is no zone click
            ListBox1->clear();
            if (AppendLines(ListBox1, result.zoneLines)) form_.ApplyLayoutRule();
            return;
        }
    }
}

void SettingsPage::Button9Click() {
    ProgramState& state = form_.State();
    SpectrumRoad& road = form_.Road();
    Button9->setEnabled(false);
    PreliminarySettings settings;
    try {
        settings = ParsePreliminarySettings(Edit2->text().toStdString(),
                                            Edit3->text().toStdString(), state.Format);
    } catch (const CommandError& e) {
        // Nothing was cleared yet: the user corrects the field and presses again.
        Button9->setEnabled(true);
        form_.ShowMessage(e.what());
        return;
    }
    form_.ApplyClearAll(road.StartPreliminary(settings));
    // The stages are built off the window's thread and drawn here as far as they were built.
    std::vector<PreliminaryStage> built;
    PreliminaryResult result;
    std::optional<std::string> failure;
    try {
        form_.RunOffThread([&] {
            result = road.BuildPreliminary([&](PreliminaryStage s) { built.push_back(s); });
        });
    } catch (const CommandError& e) {
        failure = e.what();
    }
    for (PreliminaryStage stage : built) ShowStage(stage, result);
    form_.Spectrum().Chart1->Redraw();
    Button9->setEnabled(true);
    if (failure) {
        form_.ShowMessage(*failure);
        return;
    }
    ShowSuggestedHeight();
    // Another KolUsred, or after a pass another height, may be tried at once.
    Button13->setEnabled(true);
    BitBtn1->setEnabled(true);
    form_.ShowMessage(PreliminaryDoneMessage(state.HintMode));
}

void SettingsPage::ShowSuggestedHeight() {
    if (suggestion_.zone < 0) return;
    Edit4->setText(QString::number(suggestion_.height));
    Series14->Clear();
    Series15->Clear();
    selectedZone_ = suggestion_.zone;  // the highest zone is shown, though the list omits it
    NextVysota();
    if (QListWidgetItem* item = ListBox1->currentItem())
        ListBox1->scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

void SettingsPage::ListBox1Click() {
    if (ListBox1->currentRow() < 0) return;
    Series14->Clear();
    Series15->Clear();
    selectedZone_ = ListBox1->currentRow();
    NextVysota();
}

void SettingsPage::NextVysota() {
    ProgramState& state = form_.State();
    {
        const QSignalBlocker quiet(ListBox1);
        ListBox1->setCurrentRow(selectedZone_);
    }
    ZoneView view;
    try {
        view = ComputeZoneView(state, selectedZone_);
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    state.FirstPeakHeight = view.height;
    Series14->AppendPoints(state.Points.PointX, state.Points.PointY, view.firstPoint,
                           view.lastPoint);
    markerIndex_ = view.markerIndex;
    Series15->AppendPoints(state.Stages.Stage4.X, state.Stages.Stage4.Y, view.firstStage4,
                           view.lastStage4);
    Chart5->Redraw();
}

void SettingsPage::Series15AfterDrawValues(QPainter& painter) {
    if (markerIndex_ < 0 || markerIndex_ >= Series14->Count()) return;
    const double x = Chart5->xAxis->coordToPixel(Series14->X(markerIndex_));
    const double y = Chart5->yAxis->coordToPixel(Series14->Y(markerIndex_));
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    const QPointF triangle[3] = {{x, y - 10}, {x + 7, y - 30}, {x - 7, y - 30}};
    painter.drawPolygon(triangle, 3);
}

void SettingsPage::BitBtn1Click() {
    QListWidgetItem* item = ListBox1->currentItem();
    if (!item || !item->isSelected()) return;
    try {
        Edit4->setText(Q(HeightFromZoneLine(item->text().toStdString(), form_.State().Format)));
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
    }
}

void SettingsPage::Button13Click() {
    if (form_.LastPassRunning()) return;
    SpectrumRoad& road = form_.Road();
    int32_t height = 0;
    try {
        height = ParseFirstPeakHeight(Edit4->text().toStdString());
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());  // another height can be tried at once
        return;
    }
    Button13->setEnabled(false);
    form_.ApplyClearAll(road.StartLastPass(height));
    try {
        form_.RunOffThread([&] { road.BuildSlopeAtHeight(); });
    } catch (const CommandError& e) {
        Button13->setEnabled(true);
        form_.ShowMessage(e.what());
        return;
    }
    SpectrumPage& page = form_.Spectrum();
    page.DrawStage(page.Series16, form_.State().Stages.Slope, "N29", "N43");
    page.Chart1->Redraw();
    form_.StartLastPass();
}

}  // namespace ostrel
