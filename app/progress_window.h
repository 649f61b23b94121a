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
    // Hides the window; a main window minimized meanwhile comes back for the answer of the work.
    void Finish();
    QProgressBar* Gauge() const { return gauge_; }

  protected:
    // Only the work that showed it hides it.
    void closeEvent(QCloseEvent* event) override;
    // A window manager may still offer to minimize it, or minimize it with the main window:
    // while the work runs the gauge comes back at once.
    void changeEvent(QEvent* event) override;

  private:
    QProgressBar* gauge_;
};

}  // namespace ostrel
