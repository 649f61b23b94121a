// ostrel: the window program. "ostrel FILE" opens FILE at start as "Открыть..." would;
// "ostrel --screenshots DIR [--height H] [FILE]" opens FILE, runs the preliminary processing
// (and the last one with the height H), saves one picture of every page into DIR and ends.
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/settings_page.h"
#include "app/theory_page.h"

namespace {

bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// In screenshot mode messages go to standard error instead of modal boxes.
class StderrSeam : public ostrel::UiSeam {
  public:
    void ShowMessage(const std::string& text) override {
        std::string shown = text;
        std::replace(shown.begin(), shown.end(), '\r', '\n');
        std::fprintf(stderr, "%s\n", shown.c_str());
    }
    std::optional<std::string> AskOpenFile(const ostrel::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> AskSaveFile(const ostrel::FileDialogRequest&) override {
        return std::nullopt;
    }
};

// Points the mouse at the middle measured peak of "Теория CH", so that its mark shows.
void HoverAMeasuredPeak(ostrel::TForm1& window) {
    ostrel::TheoryPage& page = window.TheoryCH();
    const int count = page.Measured->Count();
    if (count == 0) return;
    page.chart->replot(QCustomPlot::rpImmediateRefresh);
    const QPointF at = page.Measured->Graph()->coordsToPixels(page.Measured->X(count / 2),
                                                              page.Measured->Y(count / 2));
    QMouseEvent move(QEvent::MouseMove, at, page.chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(page.chart, &move);
}

void SaveScreenshots(ostrel::TForm1& window, const QString& folder) {
    QDir().mkpath(folder);
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        if (pages->currentWidget() == &window.TheoryCH()) HoverAMeasuredPeak(window);
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
    if (!screenshots.isEmpty()) seam = std::make_unique<StderrSeam>();
    ostrel::TForm1 window(std::move(seam), QApplication::applicationDirPath() + QDir::separator());
    // Restored from maximized, the window must fit the screen it is on.
    const QSize room = window.screen()->availableGeometry().size();
    window.resize(window.size().boundedTo(room));
    window.showMaximized();
    if (!args.isEmpty()) window.OpenSpectrumFile(args[0].toStdString());
    if (!screenshots.isEmpty()) {
        // Show the pages with something on them: the zones of the spectrum, the lowest selected.
        window.Settings().Button9Click();
        if (auto* zones = window.findChild<QListWidget*>(QStringLiteral("ListBox1"));
            zones && zones->count() > 0) {
            zones->setCurrentRow(0);
            window.Settings().ListBox1Click();
        }
        if (!height.isEmpty()) {
            window.findChild<QLineEdit*>(QStringLiteral("Edit4"))->setText(height);
            window.Settings().Button13Click();
            while (window.LastPassRunning()) QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        QTimer::singleShot(300, [&] {
            SaveScreenshots(window, screenshots);
            QApplication::quit();
        });
    }
    return app.exec();
}
