#include "app/my_thread.h"

#include <QMetaObject>
#include <exception>

namespace ostrel {

MyThread::MyThread(const Spectrum& spectrum, const PointList& stage1, PointList slope,
                   NumberFormat format, QObject* window, Reports reports)
    : spectrum_(spectrum),
      stage1_(stage1),
      slope_(std::move(slope)),
      format_(format),
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
        failure_ = RunLastPass(spectrum_, stage1_, slope_, fit_, format_, tables_, hooks,
                               PassThreads::Two);
        if (!stop_) curves_ = FittedCurves(tables_);
    } catch (const std::exception& e) {
        failure_ = e.what();
    }
    OnWindowThread([this] { reports_.hideProgress(); });
}

}  // namespace ostrel
