// The page "Калибровочные массы": the list of all masses, the calibration list with its true
// masses (typed or taken from the standard masses), and "Создать кривую".
#pragma once

#include <QWidget>

class QCheckBox;
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

  private:
    TForm1& form_;
};

}  // namespace ostrel
