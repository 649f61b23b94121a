// The page "Отдельный пик": one peak of the last pass fitted again with its iterations shown,
// and its points saved.
#pragma once

#include <QWidget>

#include "fitting/peak_fit.h"
#include "processing/last_pass.h"

class QListWidget;
class QPushButton;

namespace ostrel {

class TForm1;

class SinglePeakPage : public QWidget {
  public:
    explicit SinglePeakPage(TForm1& form);

    void ListBox8Click();
    void Button16Click();
    void Button17Click();
    const SinglePeakResult& SinglePeak() const { return singlePeak_; }

    QPushButton* Button16;
    QPushButton* Button17;
    QListWidget* ListBox8;
    QListWidget* ListBox9;

  private:
    TForm1& form_;
    PeakFitState fit_;  // this page's own fit context, never shared with the worker
    SinglePeakResult singlePeak_;
};

}  // namespace ostrel
