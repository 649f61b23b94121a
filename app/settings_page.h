// The page "Настройка": the preliminary processing, the zone browser and the start of the last
// processing pass.
#pragma once

#include <QWidget>
#include <cstdint>

#include "processing/height_suggestion.h"
#include "state/spectrum_road.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPainter;
class QPushButton;

namespace ostrel {

class Chart;
class ChartSeries;
class TForm1;

class SettingsPage : public QWidget {
  public:
    explicit SettingsPage(TForm1& form);

    // "Предварительная".
    void Button9Click();
    // Draws a stage that the road has built, or lists the sorted zones.
    void ShowStage(PreliminaryStage stage, const PreliminaryResult& result);
    // The zone browser.
    void ListBox1Click();
    void NextVysota();
    void BitBtn1Click();
    int32_t MarkerIndex() const { return markerIndex_; }
    // "Последняя".
    void Button13Click();

    QListWidget* ListBox1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QPushButton* Button9;
    QPushButton* Button13;
    QPushButton* BitBtn1;
    // The refinement of weak and overlapping peaks after "Последняя"; off at start.
    QCheckBox* CheckBoxRefine;
    Chart* Chart5;
    ChartSeries* Series14;
    ChartSeries* Series15;

  private:
    void Series15AfterDrawValues(QPainter& painter);
    // After the preliminary processing: the suggested first non-noise zone is selected and shown,
    // and its height written into "Первый не помеховый пик"; the user's choice stays free.
    void ShowSuggestedHeight();

    TForm1& form_;
    int32_t selectedZone_ = 0;
    int32_t markerIndex_ = 0;
    HeightSuggestion suggestion_;
};

}  // namespace ostrel
