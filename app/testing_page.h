// The page "Тестирование": the counters of the last pass, its problem peaks and peak array, and
// the hidden self-checks of the matrix routines.
#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QListWidget;
class QPushButton;

namespace ostrel {

class TForm1;

class TestingPage : public QWidget {
  public:
    explicit TestingPage(TForm1& form);

    // "Всего пиков", "Проблемных пиков" and "Время вычислений (мс)" after a pass.
    void ShowCounters(int32_t peakNumber, int32_t problems, int64_t milliseconds);
    // After a pass: the peaks whose numbers cannot be trusted head "Проблемные пики", each with
    // the reason, and their lines of "Массив пиков" are marked with it.
    void MarkDoubtfulPeaks();
    // After a refined pass: what the refinement made, closing "Массив пиков".
    void ShowRefinement();

    QLabel* Label11;
    QLabel* Label4;
    QLabel* Label2;
    QListWidget* ListBox3;
    QListWidget* ListBox4;
    QPushButton* Button7;
    QPushButton* Button10;

  private:
    TForm1& form_;
};

}  // namespace ostrel
