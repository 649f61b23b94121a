#include "app/my_thread.h"

#include <QMetaObject>
#include <exception>

namespace ostrel {

MyThread::MyThread(const PassInput& input, const PassOptions& options,
                   const ComposeSettings& compose, int32_t firstPeakHeight, QObject* window,
                   Reports reports)
    : spectrum_(input.spectrum),
      stage1_(input.stage1),
      slope_(input.slope),
      format_(input.format),
      options_(options),
      compose_(compose),
      firstPeakHeight_(firstPeakHeight),
      window_(window),
      reports_(std::move(reports)) {}

void MyThread::OnWindowThread(const std::function<void()>& f) {
    QMetaObject::invokeMethod(window_, f, Qt::BlockingQueuedConnection);
}

void MyThread::run() {
    try {
        LastPassHooks hooks;
        hooks.reportPeak = [this](int32_t k, const CurrentPeak& cur) {
            OnWindowThread([&] { reports_.reportPeak(k, cur); });
        };
        hooks.problemLines = [this](const std::vector<std::string>& lines) {
            OnWindowThread([&] { reports_.problemLines(lines); });
        };
        hooks.stopRequested = [this] { return stop_.load(); };
        outcome_ = SpectrumRoad::FitPeaks({spectrum_, stage1_, slope_, format_}, hooks, options_);
        if (!stop_) {
            curves_ = DrawnFittedCurves(outcome_.peaks);
            // Here too, so that the window's thread only takes the composition over.
            outcome_.composition =
                SpectrumRoad::ComposeOf(outcome_.peaks, firstPeakHeight_, compose_);
        }
    } catch (const std::exception& e) {
        outcome_.failure = e.what();
    }
    OnWindowThread([this] { reports_.hideProgress(); });
}

}  // namespace ostrel
