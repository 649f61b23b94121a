// The page "Калибровочные массы": the list of all masses, the calibration list with its true
// masses (typed or taken from the standard masses), and "Создать кривую".
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace ostrel {

class TForm1;

class CalibrationMassesPage : public QWidget {
  public:
    explicit CalibrationMassesPage(TForm1& form);

    // The list of all masses here and on "Отдельный пик".
    void FillListMass();
    // The click handler of the five check boxes and the two radio buttons, and the fill of
    // "Стандартные массы" after a pass.
    void ReFill();

    void Button1Click();   // >>
    void Button3Click();   // <<
    void Button2Click();   // << of "Ввод вручную"
    void Button8Click();   // << of "Стандартные массы"
    void Button14Click();  // Очистить список
    void Button15Click();  // Создать кривую
    // "Подобрать автоматически": the pairs of the chosen reference ions fill the list.
    void AutoPairClick();
    // Appends the calibration indices to the hidden log ListBox7, which is never emptied.
    void ShowIndex();

    QListWidget* ListBox5;
    QPushButton* Button1;
    QPushButton* Button3;
    QListWidget* ListBox6;
    QPushButton* Button15;
    QPushButton* Button14;
    QListWidget* ListBox7;
    QPushButton* Button2;
    QLineEdit* Edit1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QCheckBox* CheckBox3;
    QCheckBox* CheckBox4;
    QCheckBox* CheckBox5;
    QPushButton* Button8;
    QListWidget* ListBox2;
    QWidget* GroupBox5;
    // "Подобрать автоматически": the reference ions, the tolerance, the command, its answer.
    QComboBox* AutoRefs;
    QLineEdit* AutoTolerance;
    QPushButton* AutoPair;
    QLabel* AutoAnswer;

  private:
    // ListBox6 shows the program's calibration list; the line at select is selected.
    void ShowCalibrationList(int select);
    // The calibration line selected, or −1.
    int SelectedCalibrationLine() const;
    void SetEditing(bool on);
    // "Очистить список" as far as the lists and the calibration points go.
    void ClearCalibration();

    TForm1& form_;
};

}  // namespace ostrel
