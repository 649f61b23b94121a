// ostrel: the window program. "ostrel FILE" opens FILE at start as "Открыть..." would;
// "ostrel --screenshots DIR [--height H] [FILE]" opens FILE, walks the road (the height H or the
// suggested one), saves one picture of every page into DIR and ends.
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"
#include "app/screenshot_road.h"

namespace {

bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
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
    // Qt's own dialogs and buttons in Russian, like the rest of the program.
    QTranslator qtRussian;
    if (qtRussian.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtRussian);

    QStringList args = QApplication::arguments();
    args.removeFirst();
    QString screenshots;
    QString height;
    if (args.size() >= 2 && args[0] == QStringLiteral("--screenshots")) {
        screenshots = args[1];
        args = args.mid(2);
        if (args.size() >= 2 && args[0] == QStringLiteral("--height")) {
            height = args[1];
            args = args.mid(2);
        }
    }
    std::unique_ptr<ostrel::UiSeam> seam;
    if (!screenshots.isEmpty()) seam = ostrel::MakeStderrSeam();
    ostrel::TForm1 window(std::move(seam), QApplication::applicationDirPath() + QDir::separator());
    // Restored from maximized, the window and its frame must fit the screen it is on. The window
    // manager draws the frame only once the window is shown, so room is kept for a title bar and
    // borders of the usual size.
    const QRect room = window.screen()->availableGeometry();
    window.resize(window.size().boundedTo(room.size() - QSize(16, 48)));
    window.move(room.topLeft());
    window.showMaximized();
    if (!args.isEmpty()) window.OpenSpectrumFile(args[0].toStdString());
    if (!screenshots.isEmpty()) {
        // Show the pages with something on them.
        QTimer::singleShot(300, [&] {
            ostrel::WalkTheRoad(window, height, screenshots);
            QApplication::quit();
        });
    }
    return app.exec();
}
