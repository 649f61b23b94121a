// MyThread: the worker of the last processing pass. It runs the road's pass over its own copy of
// the slope list; every report to the window is a blocking call on the window's thread, so the
// window sees each peak in order while the worker waits.
#pragma once

#include <QThread>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "processing/point_list.h"
#include "results/fitted_curves.h"
#include "state/spectrum_road.h"

namespace ostrel {

class MyThread : public QThread {
  public:
    struct Reports {
        std::function<void(int32_t peakIndex, const CurrentPeak& cur)> reportPeak;
        std::function<void(const std::vector<std::string>& lines)> problemLines;
        std::function<void()> hideProgress;
    };

    // The spectrum and stage 1 of input must stay unchanged until the thread has finished; the
    // window refuses every command that would change them meanwhile. The slope list is copied.
    // After a whole pass its peaks are composed with the settings, the first non-noise height
    // of the pass telling which satellites should have been seen.
    MyThread(const PassInput& input, const PassOptions& options, const ComposeSettings& compose,
             int32_t firstPeakHeight, QObject* window, Reports reports);

    // What the pass answered (its peaks, counters and failure, their composition), once the
    // thread has finished.
    PassOutcome& Outcome() { return outcome_; }
    // The fitted curves of the peaks, made here so that the window's thread only draws them.
    CurvePoints& Curves() { return curves_; }
    // The pass ends after the peak being fitted (the window is closing).
    void RequestStop() { stop_ = true; }

  protected:
    void run() override;

  private:
    // Runs f on the window's thread and waits for it.
    void OnWindowThread(const std::function<void()>& f);

    const Spectrum& spectrum_;
    const PointList& stage1_;
    PointList slope_;
    NumberFormat format_;
    PassOptions options_;
    ComposeSettings compose_;
    int32_t firstPeakHeight_;
    QObject* window_;
    Reports reports_;
    PassOutcome outcome_;
    CurvePoints curves_;
    std::atomic<bool> stop_{false};
};

}  // namespace ostrel
