#include "app/progress_window.h"

#include <QProgressBar>
#include <QVBoxLayout>

namespace ostrel {

TForm5::TForm5(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Пожалуйста, подождите..."));
    setGeometry(209, 215, 705, 63);
    gauge_ = new QProgressBar(this);
    gauge_->setObjectName(QStringLiteral("Gauge1"));
    gauge_->setTextVisible(true);
    gauge_->setFormat(QStringLiteral("%p%"));
    gauge_->setAlignment(Qt::AlignCenter);
    gauge_->setStyleSheet(
        QStringLiteral("QProgressBar { font-size: 19px; } "
                       "QProgressBar::chunk { background-color: red; }"));
    gauge_->setRange(0, 0);
    gauge_->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(gauge_);
    hide();
}

void TForm5::Start(int maximum) {
    hide();
    gauge_->setValue(0);
    gauge_->setRange(0, std::max(0, maximum));
    gauge_->setValue(0);
    show();
    repaint();
}

void TForm5::Step() {
    gauge_->setValue(gauge_->value() + 1);
}

void TForm5::Finish() {
    hide();
}

}  // namespace ostrel
