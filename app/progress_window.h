// Form5: the non-modal progress window of long work, a red gauge with the percentage done (or a
// running bar when the amount is not known), no buttons in its title bar. It stays above the
// main window, centred on it.
#pragma once

#include <QWidget>

class QProgressBar;

namespace ostrel {

class TForm5 : public QWidget {
  public:
    explicit TForm5(QWidget* parent = nullptr);

    // Hides the window, sets the gauge to 0 of maximum, and shows it at once; a maximum below 0
    // shows a running bar instead.
    void Start(int maximum);
    void Step();
    void Finish();
    QProgressBar* Gauge() const { return gauge_; }

  protected:
    // Only the work that showed it hides it.
    void closeEvent(QCloseEvent* event) override;

  private:
    QProgressBar* gauge_;
};

}  // namespace ostrel
