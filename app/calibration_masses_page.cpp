#include "app/calibration_masses_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include "app/calibration_curve_page.h"
#include "app/main_window.h"
#include "app/single_peak_page.h"
#include "app/widget_factory.h"
#include "reference/auto_pairing_texts.h"
#include "reference/calibration_list.h"
#include "reference/reference_ions.h"
#include "results/peak_doubts.h"
#include "results/results_table.h"
#include "state/errors.h"

namespace ostrel {

namespace {

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption, QRect rect) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(name);
    group->setStyleSheet(
        QStringLiteral("QGroupBox { %1 }").arg(QString::fromUtf8(kGreenLabelStyle)));
    group->setGeometry(rect);
    return group;
}

// The key filter of "Ввод вручную", applied to whatever reaches the field (typing or pasting).
class ManualMassValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& text, int&) const override {
        return ManualMassTextAccepted(text.toStdString()) ? Acceptable : Invalid;
    }
};

int SelectedRow(const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->currentRow() : -1;
}

}  // namespace

CalibrationMassesPage::CalibrationMassesPage(TForm1& form) : form_(form) {
    setObjectName(QStringLiteral("TabSheet4"));
    MakeLabel(this, "Label13", "Все массы", 16, 16);
    ListBox5 = MakeList(this, "ListBox5", {16, 40, 161, 617});
    Button1 = MakeButton(this, "Button1", ">>", {184, 40, 41, 41}, true);
    Button3 = MakeButton(this, "Button3", "<<", {184, 96, 41, 41}, false);
    MakeLabel(this, "Label12", "Калибровочные массы", 232, 16);
    ListBox6 = MakeList(this, "ListBox6", {232, 40, 305, 313});
    Button15 = MakeButton(this, "Button15", "Создать кривую", {232, 360, 305, 65}, true, 19,
                          "Создать калибровочную кривую");
    Button14 = MakeButton(this, "Button14", "Очистить список", {232, 432, 305, 65}, false, 19,
                          "Если Вы ошиблись в выборе масс, то нажмите, чтобы очистить список "
                          "\"Калибровочные массы\"");
    ListBox7 = MakeList(this, "ListBox7", {232, 520, 249, 145});
    ListBox7->hide();

    QGroupBox* automatic =
        MakeGroup(this, "GroupBoxAuto", "Подобрать автоматически", {232, 512, 305, 177});
    MakeLabel(automatic, "LabelAutoRefs", "Эталоны", 16, 36, "");
    AutoRefs = new QComboBox(automatic);
    AutoRefs->setObjectName(QStringLiteral("AutoRefs"));
    for (const char* set : kReferenceSetCaptions) AutoRefs->addItem(QString::fromUtf8(set));
    AutoRefs->setGeometry(112, 30, 177, 28);
    MakeLabel(automatic, "LabelAutoTolerance", "Допуск, mmu", 16, 72, "");
    AutoTolerance = MakeEdit(automatic, "AutoTolerance", {112, 66, 81, 28});
    AutoTolerance->setText(
        Q(form_.State().Format.Shortest(AutoCalibrationSettings{}.toleranceMmu)));
    AutoPair = MakeButton(automatic, "AutoPair", "Подобрать", {16, 104, 273, 33}, true, 16,
                          "Найти среди пиков эталонные ионы и заполнить список \"Калибровочные "
                          "массы\"");
    AutoAnswer = MakeLabel(automatic, "AutoAnswer", "", 16, 144, "");
    AutoAnswer->setFixedWidth(273);

    QGroupBox* manual = MakeGroup(this, "GroupBox4", "Ввод вручную", {552, 8, 345, 97});
    Button2 = MakeButton(manual, "Button2", "<<", {16, 40, 41, 41}, true);
    Edit1 = MakeEdit(manual, "Edit1", {64, 40, 265, 32});
    Edit1->setMaxLength(kManualMassLength);
    Edit1->setValidator(new ManualMassValidator(Edit1));

    GroupBox5 = MakeGroup(this, "GroupBox5", "Стандартные массы", {552, 112, 345, 577});
    RadioButton1 = new QRadioButton(QStringLiteral("CH"), GroupBox5);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->move(16, 32);
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("CF"), GroupBox5);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->move(16, 64);
    const char* captions[5] = {"молекулярные", "с одним отщеплённым", "с двумя отщеплёнными",
                               "полный список", "все существующие"};
    QCheckBox** boxes[5] = {&CheckBox1, &CheckBox2, &CheckBox3, &CheckBox4, &CheckBox5};
    for (int i = 0; i < 5; ++i) {
        auto* box = new QCheckBox(QString::fromUtf8(captions[i]), GroupBox5);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
        box->move(88, 32 + 32 * i);
        box->setChecked(i == 0);
        *boxes[i] = box;
        connect(box, &QCheckBox::clicked, this, [this] { ReFill(); });
    }
    connect(RadioButton1, &QRadioButton::clicked, this, [this] { ReFill(); });
    connect(RadioButton2, &QRadioButton::clicked, this, [this] { ReFill(); });
    Button8 = MakeButton(GroupBox5, "Button8", "<<", {16, 168, 41, 41}, true);
    ListBox2 = MakeList(GroupBox5, "ListBox2", {16, 216, 313, 345});

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button8, &QPushButton::clicked, this, [this] { Button8Click(); });
    connect(Button14, &QPushButton::clicked, this, [this] { Button14Click(); });
    connect(Button15, &QPushButton::clicked, this, [this] { Button15Click(); });
    connect(AutoPair, &QPushButton::clicked, this, [this] { AutoPairClick(); });
}

void CalibrationMassesPage::FillListMass() {
    const ProgramState& state = form_.State();
    SinglePeakPage& single = form_.SinglePeak();
    ListBox5->clear();
    single.ListBox8->clear();
    const std::vector<std::string> lines = MassListLines(state.Peaks, state.Format);
    AppendLines(ListBox5, lines);
    AppendLines(single.ListBox8, lines);
    for (size_t i = 0; i < state.Peaks.size(); ++i) {
        const auto row = static_cast<int>(i);
        if (const std::string why = DoubtText(state.Peaks[i], state.Format); !why.empty()) {
            MarkDoubtful(ListBox5->item(row), why);
            MarkDoubtful(single.ListBox8->item(row), why);
        } else if (const std::string how = RefinementText(state.Peaks, i); !how.empty()) {
            MarkRefined(ListBox5->item(row), how);
            MarkRefined(single.ListBox8->item(row), how);
        }
    }
    single.Button16->setEnabled(true);
}

void CalibrationMassesPage::ReFill() {
    const ProgramState& state = form_.State();
    StandardListChoice choice;
    choice.molecular = CheckBox1->isChecked();
    choice.oneSplitOff = CheckBox2->isChecked();
    choice.twoSplitOff = CheckBox3->isChecked();
    choice.fullList = CheckBox4->isChecked();
    choice.allExisting = CheckBox5->isChecked();
    choice.cf = RadioButton2->isChecked();
    ListBox2->clear();
    AppendLines(ListBox2, StandardMassLines(state.Reference, choice, state.Format));
}

void CalibrationMassesPage::ShowCalibrationList(int select) {
    const ProgramState& state = form_.State();
    ListBox6->clear();
    AppendLines(ListBox6, CalibrationLines(state.Calibration, state.Peaks, state.Format));
    const std::vector<CalibrationEntry>& entries = state.Calibration.entries;
    for (size_t j = 0; j < entries.size(); ++j) {
        const size_t peak = static_cast<size_t>(entries[j].peak);
        if (peak >= state.Peaks.size()) continue;
        const std::string why = DoubtText(state.Peaks[peak], state.Format);
        if (!why.empty()) MarkDoubtful(ListBox6->item(static_cast<int>(j)), why);
    }
    if (select >= 0 && select < ListBox6->count()) ListBox6->setCurrentRow(select);
}

int CalibrationMassesPage::SelectedCalibrationLine() const {
    return SelectedRow(ListBox6);
}

void CalibrationMassesPage::Button1Click() {
    const int s = SelectedRow(ListBox5);
    if (s < 0) return;
    const PeakResults& peaks = form_.State().Peaks;
    if (s < static_cast<int>(peaks.size()) && peaks[s].IsProblem()) {
        form_.ShowMessage(kProblemPeakNotForCalibrationMessage);
        return;
    }
    const AddResult added = AddCalibrationPeak(form_.State().Calibration, s);
    if (added.message) {
        form_.ShowMessage(*added.message);
        return;
    }
    ShowCalibrationList(added.position);
}

void CalibrationMassesPage::Button3Click() {
    const int pos = SelectedCalibrationLine();
    if (pos < 0) return;
    RemoveCalibrationLine(form_.State().Calibration, pos);
    ShowCalibrationList(-1);
}

void CalibrationMassesPage::Button2Click() {
    const int pos = SelectedCalibrationLine();
    if (pos < 0) return;
    ProgramState& state = form_.State();
    try {
        if (auto message =
                GiveTypedMass(state.Calibration, pos, Edit1->text().toStdString(), state.Format)) {
            form_.ShowMessage(*message);
            return;
        }
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    ShowCalibrationList(pos);
}

void CalibrationMassesPage::Button8Click() {
    const int pos = SelectedCalibrationLine();
    const int standard = SelectedRow(ListBox2);
    if (pos < 0 || standard < 0) return;
    ProgramState& state = form_.State();
    try {
        GiveStandardMass(state.Calibration, pos, ListBox2->item(standard)->text().toStdString(),
                         state.Format);
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    ShowCalibrationList(pos);
}

void CalibrationMassesPage::SetEditing(bool on) {
    for (QPushButton* b : {Button1, Button2, Button3, Button8}) b->setEnabled(on);
}

void CalibrationMassesPage::Button15Click() {
    const ProgramState& state = form_.State();
    if (state.Calibration.entries.empty()) {
        form_.ShowMessage(kCalibrationListEmptyMessage);
        return;
    }
    try {
        form_.Road().MakeCalibrationPoints();
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    CalibrationCurvePage& curve = form_.CalibrationCurve();
    curve.ShowCalibrationPoints();
    ShowIndex();
    SetEditing(false);
    curve.Button6->setEnabled(true);
    curve.Button4->setEnabled(true);
    form_.UpdateDataCommands();
    if (state.HintMode) form_.ShowMessage(CurveCreatedMessage());
}

void CalibrationMassesPage::ShowIndex() {
    AppendLines(ListBox7, ShowIndexLines(form_.State().Calibration));
}

void CalibrationMassesPage::ClearCalibration() {
    SetEditing(true);
    ListBox6->clear();
    form_.CalibrationCurve().ShowCalibrationPoints();
    form_.CalibrationCurve().ClearCurve();
    FillListMass();
    form_.UpdateDataCommands();
}

void CalibrationMassesPage::Button14Click() {
    ProgramState& state = form_.State();
    state.Calibration = {};
    state.AutoPairing.reset();
    state.CalibPoints = {};
    ClearCalibration();
}

void CalibrationMassesPage::AutoPairClick() {
    ProgramState& state = form_.State();
    std::string refs = kReferenceSetNames[AutoRefs->currentIndex()];
    if (refs.empty()) {  // a list file of the user's own
        const auto path = form_.Seam().AskOpenFile(
            {kReferenceListTitle, state.DialogFolder, kReferenceListFilter, std::string()});
        if (!path) return;
        refs = *path;
    }
    AutoCalibrationResult pairing;
    try {
        AutoCalibrationSettings settings;
        settings.toleranceMmu = state.Format.ParseReal(AutoTolerance->text().toStdString());
        pairing = form_.Road().PairAutomatically(refs, settings);
    } catch (const CommandError& e) {
        form_.ShowMessage(e.what());
        return;
    }
    if (pairing.Refused()) {
        AutoAnswer->setText(QStringLiteral("Не подобрано"));
        form_.ShowMessage(pairing.refusal);
        return;
    }
    ClearCalibration();
    ShowCalibrationList(-1);
    form_.CalibrationCurve().ShowProposedFit();
    AutoAnswer->setText(Q(AutoPairingSummary(pairing, state.Format)));
    if (state.HintMode) form_.ShowMessage(AutoPairingHint(pairing, state.Format));
}

}  // namespace ostrel
