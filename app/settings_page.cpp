#include "app/settings_page.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/mass_chart_page.h"
#include "app/widget_factory.h"
#include "processing/height_suggestion.h"
#include "processing/last_pass.h"
#include "processing/preliminary.h"
#include "processing/stage_builders.h"
#include "state/clear_all.h"
#include "state/errors.h"
#include "state/messages.h"

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

void SettingsPage::Obrab1() {
    SpectrumPage& page = form_.Spectrum();
    form_.RunOffThread([this] { BuildStage1(form_.State()); });
    page.DrawStage(page.Series2, form_.State().Stages.Stage1, "Series21", "Points21");
}

void SettingsPage::Obrab2() {
    SpectrumPage& page = form_.Spectrum();
    form_.RunOffThread([this] { BuildStage2(form_.State()); });
    page.DrawStage(page.Series3, form_.State().Stages.Stage2, "Series31", "Points31");
}

void SettingsPage::Obrab3() {
    SpectrumPage& page = form_.Spectrum();
    form_.RunOffThread([this] { BuildStage3(form_.State()); });
    page.DrawStage(page.Series4, form_.State().Stages.Stage3, "Series41", "Points41");
}

void SettingsPage::Obrab4() {
    SpectrumPage& page = form_.Spectrum();
    form_.RunOffThread([this] { BuildStage4(form_.State()); });
    page.DrawStage(page.Series5, form_.State().Stages.Stage4, "Series51", "Points51");
}

void SettingsPage::ObrabNaklon() {
    SpectrumPage& page = form_.Spectrum();
    form_.RunOffThread([this] { BuildSlope(form_.State()); });
    page.DrawStage(page.Series16, form_.State().Stages.Slope, "N29", "N43");
}

void SettingsPage::OtsortVysota() {
    ProgramState& state = form_.State();
    std::vector<std::string> lines;
    form_.RunOffThread([&] {
        ostrel::OtsortVysota(state.Stages.Zones);
        lines = ZoneListLines(state.Stages.Zones, state.Format);
        suggestion_ = SuggestFirstPeakHeight(state.Stages.Zones);
    });
    const QSignalBlocker quiet(ListBox1);  // filling the list is no zone click
    ListBox1->clear();
    if (AppendLines(ListBox1, lines)) form_.ApplyLayoutRule();
}

void SettingsPage::Button9Click() {
    ProgramState& state = form_.State();
    Button9->setEnabled(false);
    try {
        AcceptPreliminarySettings(state, Edit2->text().toStdString(), Edit3->text().toStdString());
    } catch (const CommandError& e) {
        // Nothing was cleared yet: the user corrects the field and presses again.
        Button9->setEnabled(true);
        form_.ShowMessage(e.what());
        return;
    }
    form_.ApplyClearAll(ClearAll(state, kClearForPreliminary));
    Chart* chart1 = form_.Spectrum().Chart1;
    try {
        TForm1::BusyScope busy(form_);
        Obrab1();
        Obrab2();
        Obrab3();
        Obrab4();
        ObrabNaklon();
        OtsortVysota();
    } catch (const CommandError& e) {
        chart1->Redraw();
        Button9->setEnabled(true);
        form_.ShowMessage(e.what());
        return;
    }
    chart1->Redraw();
    ShowSuggestedHeight();
    // Another KolUsred, or after a pass another height, may be tried at once.
    Button9->setEnabled(true);
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
    ProgramState& state = form_.State();
    const std::string text = Edit4->text().toStdString();
    if (!IsDigitsOnly(text)) {
        form_.ShowMessage(kInvalidHeightMessage);
        return;
    }
    Button13->setEnabled(false);
    try {
        state.FirstPeakHeight = ParseFirstPeakHeight(text);
    } catch (const CommandError& e) {
        Button13->setEnabled(true);  // another height can be tried at once
        form_.ShowMessage(e.what());
        return;
    }
    form_.ApplyClearAll(ClearAll(state, kClearForLastPass));
    try {
        RequireZoneAtHeight(state.Stages.Zones, state.FirstPeakHeight);
        ObrabNaklon();
    } catch (const CommandError& e) {
        Button13->setEnabled(true);
        form_.ShowMessage(e.what());
        return;
    }
    form_.Spectrum().Chart1->Redraw();
    form_.StartLastPass();
}

}  // namespace ostrel
