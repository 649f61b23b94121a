#include "app/progress_window.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace ostrel {

TForm5::TForm5(QWidget* parent)
    // A dialog window of the main window: the window manager keeps it above its parent.
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Пожалуйста, подождите..."));
    setWindowModality(Qt::NonModal);
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
    if (maximum < 0)
        gauge_->setRange(0, 0);
    else
        gauge_->setRange(0, maximum);
    gauge_->setValue(0);
    if (QWidget* main = parentWidget())
        move(main->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
    repaint();
}

void TForm5::Step() {
    gauge_->setValue(gauge_->value() + 1);
}

void TForm5::Finish() {
    hide();
    if (QWidget* main = parentWidget(); main && main->isMinimized())
        main->setWindowState(main->windowState() & ~Qt::WindowMinimized);
}

void TForm5::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void TForm5::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !(windowState() & Qt::WindowMinimized))
        return;
    // After the change has been handled, not within it.
    QTimer::singleShot(0, this, [this] {
        if (isVisible()) setWindowState(windowState() & ~Qt::WindowMinimized);
    });
}

}  // namespace ostrel
