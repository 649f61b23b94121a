// MyThread: the worker of the last processing pass. It fits the peaks of its own copy of the
// slope list in its own fit context; every report to the window is a blocking call on the
// window's thread, so the window sees each peak in order while the worker waits.
#pragma once

#include <QThread>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "fitting/peak_fit.h"
#include "processing/last_pass.h"
#include "processing/point_list.h"
#include "results/results_assembly.h"
#include "state/measured_points.h"
#include "state/number_format.h"

namespace ostrel {

class MyThread : public QThread {
  public:
    struct Reports {
        std::function<void(int32_t peakIndex, const CurrentPeak& cur)> reportPeak;
        std::function<void(const std::vector<std::string>& lines)> problemLines;
        std::function<void()> hideProgress;
    };

    // spectrum and stage1 must stay unchanged until the thread has finished; the window refuses
    // every command that would change them meanwhile.
    MyThread(const Spectrum& spectrum, const PointList& stage1, PointList slope,
             NumberFormat format, QObject* window, Reports reports);

    PeakTables& Tables() { return tables_; }
    // The fitted curves of the peaks, made here so that the window's thread only draws them.
    CurvePoints& Curves() { return curves_; }
    // The pass ends after the peak being fitted (the window is closing).
    void RequestStop() { stop_ = true; }
    PeakFitState& Fit() { return fit_; }
    const std::string& Failure() const { return failure_; }

  protected:
    void run() override;

  private:
    // Runs f on the window's thread and waits for it.
    void OnWindowThread(const std::function<void()>& f);

    const Spectrum& spectrum_;
    const PointList& stage1_;
    PointList slope_;
    NumberFormat format_;
    QObject* window_;
    Reports reports_;
    PeakTables tables_;
    CurvePoints curves_;
    PeakFitState fit_;
    std::string failure_;
    std::atomic<bool> stop_{false};
};

}  // namespace ostrel
