// What a user meets on the road: the zone list by keys, the charts' navigation, the progress
// window, the refused commands during long work, the room the lists and the window need.
#include <QAbstractButton>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTableWidget>
#include <QTest>

#include "app/chart.h"
#include "app/progress_window.h"
#include "state/errors.h"
#include "state/file_io.h"
#include "state/window_texts.h"
#include "window_fixture.h"

namespace ostrel {
namespace {

using ::ostrel::testing::LastPassWindowTest;
using ::ostrel::testing::PreliminaryWindowTest;
using ::ostrel::testing::TempDir;
using ::ostrel::testing::WindowTest;

TEST_F(PreliminaryWindowTest, TheZoneOnViewFollowsTheCurrentLineByKeys) {
    W<QPushButton>("Button9")->click();
    auto* list = W<QListWidget>("ListBox1");
    list->setFocus();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(list->currentRow(), 2);
    const ZoneTable& zones = window->State().Stages.Zones;
    EXPECT_EQ(window->State().FirstPeakHeight, zones.ZoneHeight[2]);
    EXPECT_GT(window->Series("Series14")->Count(), 0);
    W<QPushButton>("BitBtn1")->click();  // ">>" takes the zone on view
    EXPECT_EQ(W<QLineEdit>("Edit4")->text(), QString::number(zones.ZoneHeight[2]));

    // A new load leaves no zone to take and no height to process with.
    Open(std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt");
    EXPECT_FALSE(W<QPushButton>("BitBtn1")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("Button13")->isEnabled());
    Chart* chart5 = window->ChartNamed("Chart5");
    EXPECT_EQ(chart5->xAxis->range(), QCPRange(0, 1));  // no range of the earlier zone
}

TEST_F(PreliminaryWindowTest, SpectrumChartNavigation) {
    Chart* chart = window->ChartNamed("Chart1");
    EXPECT_EQ(chart->xAxis->label(), "m/z");
    // The example's intensities have decimals: the axis says they were scaled on load.
    EXPECT_EQ(chart->yAxis->label().toStdString(), IntensityAxisTitle(true));
    const Spectrum& points = window->State().Points;
    const double highest = *std::max_element(points.PointY.begin(), points.PointY.end());
    EXPECT_GT(chart->yAxis->range().upper, highest);  // room above the tallest peak
    EXPECT_LT(chart->xAxis->range().lower, points.PointX.front());
    EXPECT_GT(chart->xAxis->range().upper, points.PointX.back());

    // The intensity axis follows the masses in view.
    chart->xAxis->setRange(29.5, 29.7);
    double local = 0;
    for (int i = 0; i < points.PointCount(); ++i)
        if (points.PointX[i] >= 29.5 && points.PointX[i] <= 29.7)
            local = std::max(local, points.PointY[i]);
    EXPECT_GT(chart->yAxis->range().upper, local);
    EXPECT_LT(chart->yAxis->range().upper, highest / 2);

    // A fitted curve near 1 does not pull a logarithmic axis below the spectrum's intensities.
    window->Series("Series6")->Append(28.5, 1);
    Trigger("N11");
    const double smallest = *std::min_element(points.PointY.begin(), points.PointY.end());
    chart->xAxis->setRange(26, 31);
    EXPECT_GT(chart->yAxis->range().lower, smallest / 2);
    EXPECT_LE(chart->yAxis->range().lower, smallest);

    // Home shows everything again.
    chart->setFocus();
    QTest::keyClick(chart, Qt::Key_Home);
    EXPECT_LT(chart->xAxis->range().lower, points.PointX.front());
    EXPECT_GT(chart->xAxis->range().upper, points.PointX.back());
}

TEST_F(PreliminaryWindowTest, ARightDragZoomsToTheMassesOfTheRectangle) {
    W<QTabWidget>("PageControl1")->setCurrentIndex(0);
    Chart* chart = window->ChartNamed("Chart1");
    chart->replot(QCustomPlot::rpImmediateRefresh);
    const QRect plot = chart->axisRect()->rect();
    const QPoint from(plot.left() + plot.width() / 4, plot.top() + 20);
    const QPoint to(plot.left() + plot.width() / 2, plot.bottom() - 20);
    const double lower = chart->xAxis->pixelToCoord(from.x());
    const double upper = chart->xAxis->pixelToCoord(to.x());
    QTest::mousePress(chart, Qt::RightButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), chart->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &move);
    QTest::mouseRelease(chart, Qt::RightButton, Qt::NoModifier, to);
    EXPECT_NEAR(chart->xAxis->range().lower, lower, 0.01);
    EXPECT_NEAR(chart->xAxis->range().upper, upper, 0.01);
    QTest::mouseDClick(chart, Qt::LeftButton, Qt::NoModifier, from);
    EXPECT_LT(chart->xAxis->range().lower, window->State().Points.PointX.front());
}

TEST_F(WindowTest, ProgressWindowStaysAboveTheMainWindowAndCannotBeClosed) {
    TForm5* form5 = window->ProgressWindow();
    EXPECT_EQ(form5->windowType(), Qt::Dialog);
    EXPECT_EQ(form5->parentWidget(), window.get());
    EXPECT_FALSE(form5->windowFlags() & Qt::WindowCloseButtonHint);
    form5->Start(3);
    EXPECT_FALSE(form5->close());
    EXPECT_TRUE(form5->isVisible());
    // Centred on the main window, within the width of a frame.
    EXPECT_LE(
        (form5->frameGeometry().center() - window->frameGeometry().center()).manhattanLength(), 8);
    // Minimized by the window manager, alone or with the main window, the gauge comes back while
    // the work runs, and the main window for the work's answer.
    window->setWindowState(Qt::WindowMinimized);
    form5->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_FALSE(form5->isMinimized());
    form5->Start(-1);  // an amount not known: a running bar
    EXPECT_EQ(form5->Gauge()->maximum(), 0);
    form5->Finish();
    EXPECT_FALSE(form5->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(window->minimumSize(), QSize(TForm1::kMinimumWidth, TForm1::kMinimumHeight));
}

TEST_F(LastPassWindowTest, WhileThePassRunsOnlyTheViewHelpAndExitAnswer) {
    W<QLineEdit>("Edit4")->setText("100000");
    W<QPushButton>("Button13")->click();
    ASSERT_TRUE(window->LastPassRunning());
    const QStringList shown = {"ListBox3", "ListBox4", "ListBox7", "ListBox9"};
    for (QWidget* w : W<QTabWidget>("PageControl1")->findChildren<QWidget*>()) {
        const bool command = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             (qobject_cast<QListWidget*>(w) && !shown.contains(w->objectName()));
        if (command) {
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        }
    }
    // Every command of the window's menus and pop-up menus but the view's, the help's and the exit.
    QStringList answering = {"N3"};
    for (const char* menu : {"N10", "N13"})
        for (QAction* a : W<QMenu>(menu)->findChildren<QAction*>()) answering << a->objectName();
    for (QAction* a : window->findChildren<QAction*>()) {
        if (a->isSeparator() || a->menu() || !a->isVisible() || a->objectName().isEmpty()) continue;
        EXPECT_EQ(a->isEnabled(), answering.contains(a->objectName()))
            << a->objectName().toStdString();
    }
    for (const char* open : {"N11", "Series11", "N44", "N14"})
        EXPECT_TRUE(W<QAction>(open)->isEnabled()) << open;
    WaitForThePass();
    EXPECT_TRUE(W<QLineEdit>("Edit4")->isEnabled());
    EXPECT_TRUE(W<QListWidget>("ListBox5")->isEnabled());
}

TEST_F(LastPassWindowTest, ListsAreAsWideAsTheirLines) {
    RunPass("100000");
    auto* list5 = W<QListWidget>("ListBox5");
    int widest = 0;
    for (int i = 0; i < list5->count(); ++i)
        widest = std::max(widest, list5->fontMetrics().horizontalAdvance(list5->item(i)->text()));
    EXPECT_GE(list5->width(), widest + 2 * list5->frameWidth());
    EXPECT_GE(W<QWidget>("Button1")->x(), list5->x() + list5->width());  // the rest moved along
}

TEST_F(WindowTest, WorkOffTheWindowsThreadReportsItsFailure) {
    EXPECT_THROW(window->RunOffThread([] { throw CommandError("stop"); }), CommandError);
    EXPECT_FALSE(window->Busy());
    EXPECT_FALSE(window->ProgressWindow()->isVisible());
    EXPECT_TRUE(W<QAction>("N2")->isEnabled());
}

TEST_F(LastPassWindowTest, AFailedLoadAfterAPassLosesNothing) {
    RunPass("100000");
    const int peaks = static_cast<int>(window->State().Peaks.size());
    ASSERT_GT(peaks, 0);
    const int fitted = window->Series("Series6")->Count();
    const QString firstMass = W<QTableWidget>("StringGrid1")->item(0, 1)->text();
    for (const std::string& bad :
         {dir.Write("bad.txt", "1 2\r\nx\r\n"), dir.Write("empty.txt", ""), dir.File("missing")}) {
        seam.messages.clear();
        Open(bad);
        ASSERT_EQ(seam.messages.size(), 1u) << bad;
        EXPECT_EQ(static_cast<int>(window->State().Peaks.size()), peaks);
        EXPECT_EQ(window->Series("Series6")->Count(), fitted);
        EXPECT_EQ(W<QTableWidget>("StringGrid1")->item(0, 1)->text(), firstMass);
        EXPECT_EQ(W<QListWidget>("ListBox5")->count(), peaks);
        EXPECT_TRUE(W<QPushButton>("Button1")->isEnabled());
        EXPECT_TRUE(W<QAction>("N2")->isEnabled());
    }
}

TEST_F(PreliminaryWindowTest, AFailedWriteKeepsTheOldFileAndSaysSo) {
    const std::string path = dir.Write("Спектр.txt", "old");
    SetWriteFailureHook(
        [](const std::string&) -> std::optional<std::string> { return "No space left on device"; });
    seam.answers.push_back(path);
    Trigger("N42");
    SetWriteFailureHook({});
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_NE(seam.messages[0].find("No space left on device"), std::string::npos);
    EXPECT_NE(seam.messages[0].find(path), std::string::npos);
    EXPECT_EQ(TempDir::Read(path), "old");
}

}  // namespace
}  // namespace ostrel
