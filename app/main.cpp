// ostrel: the window program. "ostrel FILE" opens FILE at start as "Открыть..." would;
// "ostrel --screenshots DIR [FILE]" saves one picture of every page into DIR and ends.
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"

namespace {

bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

void SaveScreenshots(ostrel::TForm1& window, const QString& folder) {
    QDir().mkpath(folder);
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        for (auto* chart : window.findChildren<QCustomPlot*>()) chart->replot();
        window.grab().save(QStringLiteral("%1/%2-%3.png")
                               .arg(folder)
                               .arg(i + 1)
                               .arg(pages->widget(i)->objectName()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "ostrel: нет графического дисплея (DISPLAY не задан).\n"
                     "Запустите программу под Xvfb: xvfb-run -a %s [ФАЙЛ]\n",
                     argv[0]);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ostrel"));

    QStringList args = QApplication::arguments();
    args.removeFirst();
    QString screenshots;
    if (args.size() >= 2 && args[0] == QStringLiteral("--screenshots")) {
        screenshots = args[1];
        args = args.mid(2);
    }
    ostrel::TForm1 window(nullptr, QApplication::applicationDirPath() + QDir::separator());
    window.showMaximized();
    if (!screenshots.isEmpty()) window.State().HintMode = false;  // no message box to wait on
    if (!args.isEmpty()) window.OpenSpectrumFile(args[0].toStdString());
    if (!screenshots.isEmpty()) {
        QTimer::singleShot(300, [&] {
            SaveScreenshots(window, screenshots);
            QApplication::quit();
        });
    }
    return app.exec();
}
