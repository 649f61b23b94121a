#include "app/calibration_masses_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/main_window.h"
#include "app/single_peak_page.h"
#include "app/widget_factory.h"
#include "results/results_assembly.h"

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

    QGroupBox* manual = MakeGroup(this, "GroupBox4", "Ввод вручную", {552, 8, 345, 97});
    Button2 = MakeButton(manual, "Button2", "<<", {16, 40, 41, 41}, true);
    Edit1 = MakeEdit(manual, "Edit1", {64, 40, 265, 32});

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
    }
    Button8 = MakeButton(GroupBox5, "Button8", "<<", {16, 168, 41, 41}, true);
    ListBox2 = MakeList(GroupBox5, "ListBox2", {16, 216, 313, 345});
}

void CalibrationMassesPage::FillListMass() {
    const ProgramState& state = form_.State();
    SinglePeakPage& single = form_.SinglePeak();
    ListBox5->clear();
    single.ListBox8->clear();
    const std::vector<std::string> lines = MassListLines(state.Peaks, state.Format);
    AppendLines(ListBox5, lines);
    AppendLines(single.ListBox8, lines);
    single.Button16->setEnabled(true);
}

}  // namespace ostrel
