// Form5: the non-modal progress window of the last processing pass, a red gauge with the
// percentage done, no buttons in its title bar.
#pragma once

#include <QWidget>

class QProgressBar;

namespace ostrel {

class TForm5 : public QWidget {
  public:
    explicit TForm5(QWidget* parent = nullptr);

    // Hides the window, sets the gauge to 0 of maximum, and shows it at once.
    void Start(int maximum);
    void Step();
    void Finish();
    QProgressBar* Gauge() const { return gauge_; }

  private:
    QProgressBar* gauge_;
};

}  // namespace ostrel
