#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <filesystem>

#include "app/chart.h"
#include "app/main_window.h"
#include "app/mz_chooser.h"
#include "app/progress_window.h"
#include "app/settings_page.h"
#include "app/single_peak_page.h"
#include "processing/height_suggestion.h"
#include "processing/last_pass.h"
#include "scripted_seam.h"
#include "state/clear_all.h"
#include "state/cp1251.h"
#include "state/window_texts.h"
#include "temp_dir.h"
#include "window_fixture.h"
#ifdef OSTREL_HAVE_PWIZLITE
#include "mz_test_files.h"
#endif

namespace ostrel {
namespace {

using ::ostrel::testing::LastPassWindowTest;
using ::ostrel::testing::PreliminaryWindowTest;
using ::ostrel::testing::ScriptedSeam;
using ::ostrel::testing::TempDir;
using ::ostrel::testing::WindowTest;

TEST_F(WindowTest, StartsOnTheSpectrumPageWithDefaults) {
    EXPECT_EQ(W<QTabWidget>("PageControl1")->currentIndex(), 0);
    EXPECT_EQ(W<QTabWidget>("PageControl1")->count(), 10);
    EXPECT_EQ(W<QLineEdit>("Edit2")->text(), "150");
    EXPECT_EQ(W<QLineEdit>("Edit3")->text(), "10");
    EXPECT_TRUE(W<QLineEdit>("Edit4")->text().isEmpty());
    auto* grid = W<QTableWidget>("StringGrid1");
    EXPECT_EQ(grid->columnCount(), 12);
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "M");
    EXPECT_EQ(grid->horizontalHeaderItem(9)->text(), "Std Err");
    EXPECT_EQ(grid->item(0, 0)->text(), "");
    for (const char* b :
         {"Button6", "Button4", "Button5", "Button9", "Button13", "BitBtn1", "Button16", "Button17",
          "Button1", "Button2", "Button3", "Button8", "Button14", "Button15"})
        EXPECT_FALSE(W<QPushButton>(b)->isEnabled()) << b;
    EXPECT_TRUE(W<QAction>("N44")->isChecked());
    EXPECT_TRUE(W<QAction>("Series11")->isChecked());
    EXPECT_FALSE(W<QAction>("Series21")->isVisible());
    EXPECT_EQ(W<QAction>("N2")->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(W<QAction>("CTemp1")->text(), "Временная папка: " + QDir::tempPath() + "/");
    EXPECT_EQ(window->windowTitle(), "Ostrel");
    // Nothing to save or export before a spectrum and a pass.
    for (const char* empty : {"N42", "RestoreSpectrum1", "HTML1", "HTML2", "BMP1", "N35", "BMP2",
                              "BMP3", "BMP4", "TXT1", "XLS1", "HTML3", "N4", "TXT2"})
        EXPECT_FALSE(W<QAction>(empty)->isEnabled()) << empty;
    EXPECT_TRUE(W<QAction>("PeakLabels1")->isCheckable());
    EXPECT_FALSE(W<QAction>("PeakLabels1")->isChecked());
    EXPECT_EQ(W<QLabel>("Label2")->text(), "-");
    EXPECT_FALSE(window->ProgressWindow()->isVisible());
    EXPECT_FALSE(W<QPushButton>("Button7")->isVisible());
    // Every chart zooms but the zone view.
    for (const char* c : {"Chart1", "Chart2", "Chart3", "Chart4", "Chart5"})
        EXPECT_EQ(window->ChartNamed(c)->interactions().testFlag(QCP::iRangeZoom),
                  std::string_view(c) != "Chart5")
            << c;
}

TEST_F(WindowTest, ChartSeriesKeepTheirPointsInAscendingX) {
    ChartSeries* s7 = window->Series("Series7");
    s7->Append(150, -1);
    s7->Append(50, 2);
    s7->Append(100, 1);
    ASSERT_EQ(s7->Count(), 3);
    EXPECT_EQ(s7->X(0), 50);
    EXPECT_EQ(s7->Y(0), 2);
    EXPECT_EQ(s7->X(2), 150);
    s7->Clear();
    EXPECT_EQ(s7->Count(), 0);
    EXPECT_EQ(window->ChartNamed("Chart2")->Title(), "Калибровочная кривая");
    EXPECT_EQ(window->ChartNamed("Chart2")->FootText(), "М изм");
    EXPECT_EQ(window->ChartNamed("Chart2")->yAxis->label(), "delta M, mmu");
}

TEST_F(WindowTest, OpenDrawsTheSpectrumAndShowsTheHintOnlyWithHintMode) {
    Open(SpectrumFile());
    ASSERT_EQ(seam.opens.size(), 1u);
    EXPECT_EQ(seam.opens[0].title, "Открыть спектр");
    EXPECT_EQ(seam.opens[0].filter,
              "Текст (*.txt)|*.TXT|mzML, mzXML (*.mzML *.mzXML)|*.mzML;*.mzXML|Все (*.*)|*.*");
    EXPECT_EQ(window->Series("Series1")->Count(), 3);
    EXPECT_EQ(window->Series("Series1")->Y(1), 20);
    EXPECT_EQ(window->ChartNamed("Chart1")->Title(), " Проба");
    EXPECT_TRUE(W<QPushButton>("Button9")->isEnabled());
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_EQ(seam.messages[0].rfind("Перейдите на вкладку", 0), 0u);

    Trigger("N44");  // hints off
    EXPECT_FALSE(W<QAction>("N44")->isChecked());
    Open(SpectrumFile("t.txt"));
    EXPECT_EQ(seam.messages.size(), 1u);
}

TEST_F(WindowTest, AFailedOpenChangesNothing) {
    Open(SpectrumFile());
    W<QListWidget>("ListBox3")->addItem("kept");
    const size_t messages = seam.messages.size();
    Open(dir.Write("bad.txt", "1 2\r\nbad\r\n"));
    ASSERT_EQ(seam.messages.size(), messages + 1);
    EXPECT_NE(seam.messages.back().find("Строка 2"), std::string::npos);
    EXPECT_EQ(window->Series("Series1")->Count(), 3);
    EXPECT_EQ(W<QListWidget>("ListBox3")->count(), 1);
    EXPECT_EQ(window->ChartNamed("Chart1")->Title(), " Проба");
    EXPECT_EQ(window->ChartNamed("Chart1")->cursor().shape(), Qt::ArrowCursor);

    seam.answers.push_back(std::nullopt);  // a cancelled dialog does nothing either
    Trigger("N2");
    EXPECT_EQ(seam.messages.size(), messages + 1);
}

// Every widget that shows derived data is filled, then each reset mode empties what it resets
// and leaves the rest: the spectrum in modes 1 and 2, the zone view and its height commands in
// mode 2, the hidden index log always.
TEST_F(WindowTest, EachResetEmptiesTheWidgetsOfThePartsItReset) {
    const char* series[] = {"Series1",  "Series2",  "Series3",  "Series4",  "Series5",
                            "Series6",  "Series7",  "Series8",  "Series9",  "Series10",
                            "Series12", "Series13", "Series14", "Series15", "Series16"};
    const char* lists[] = {"ListBox1", "ListBox2", "ListBox3", "ListBox4", "ListBox5",
                           "ListBox6", "ListBox7", "ListBox8", "ListBox9"};
    const char* buttons[] = {"Button6",  "Button4",  "Button5", "Button16",
                             "Button17", "Button13", "BitBtn1"};
    const auto kept = [](int mode, const std::string& name) {
        if (name == "Series1") return mode != kClearForLoad;
        if (name == "Series14" || name == "Series15" || name == "Button13" || name == "BitBtn1")
            return mode == kClearForLastPass;
        return name == "ListBox7";
    };
    window->State().KolUsred = 12;
    for (int mode : {kClearForLoad, kClearForPreliminary, kClearForLastPass}) {
        SCOPED_TRACE(mode);
        for (const char* name : series) window->Series(name)->AppendPoints({1.0}, {2.0}, 0, 0);
        for (const char* name : lists) W<QListWidget>(name)->addItem("line");
        for (const char* name : buttons) W<QPushButton>(name)->setEnabled(true);
        W<QLineEdit>("Edit1")->setText("43.05");
        W<QLineEdit>("Edit2")->setText("typed");
        W<QLabel>("Label2")->setText("12");
        W<QLabel>("Label4")->setText("3");
        window->ApplyClearAll(ClearAll(window->State(), mode));
        for (const char* name : series)
            EXPECT_EQ(window->Series(name)->Count(), kept(mode, name) ? 1 : 0) << name;
        for (const char* name : lists)
            EXPECT_EQ(W<QListWidget>(name)->count(), kept(mode, name) ? mode + 1 : 0) << name;
        for (const char* name : buttons)
            EXPECT_EQ(W<QPushButton>(name)->isEnabled(), kept(mode, name)) << name;
        EXPECT_EQ(W<QLineEdit>("Edit1")->text(), "");
        EXPECT_EQ(W<QLineEdit>("Edit2")->text(), "12");  // the stored value, not the typed one
        EXPECT_EQ(W<QLabel>("Label2")->text(), "-");
        EXPECT_EQ(W<QLabel>("Label4")->text(), "-");
        window->Series("Series1")->Clear();
        window->Series("Series14")->Clear();
        window->Series("Series15")->Clear();
    }
}

TEST_F(WindowTest, ViewSwitchesInvertSeriesAndCheckMarksIndependently) {
    window->State().HintMode = false;
    ChartSeries* s1 = window->Series("Series1");
    Trigger("Series11");  // untick: the spectrum hides
    EXPECT_FALSE(s1->IsVisible());
    EXPECT_FALSE(W<QAction>("Series11")->isChecked());
    Open(SpectrumFile());  // a load shows it again, the item stays unticked
    EXPECT_TRUE(s1->IsVisible());
    EXPECT_FALSE(W<QAction>("Series11")->isChecked());
    Trigger("Series11");  // now hides the curve and ticks the item
    EXPECT_FALSE(s1->IsVisible());
    EXPECT_TRUE(W<QAction>("Series11")->isChecked());

    Trigger("Points11");
    EXPECT_TRUE(s1->MarkersVisible());
    Trigger("Points11");
    EXPECT_FALSE(s1->MarkersVisible());
    Trigger("Points11");
    Open(SpectrumFile("again.txt"));
    EXPECT_TRUE(s1->MarkersVisible());  // the load reads the check mark

    Trigger("N11");
    EXPECT_TRUE(window->ChartNamed("Chart1")->IsLogarithmic());
    Open(SpectrumFile("third.txt"));
    EXPECT_TRUE(window->ChartNamed("Chart1")->IsLogarithmic());  // kept across loads
    EXPECT_FALSE(window->ChartNamed("Chart2")->IsLogarithmic());

    Trigger("N31");
    EXPECT_FALSE(window->State().MarkHints);
    EXPECT_FALSE(window->Series("Series10")->MarksVisible());
}

TEST_F(WindowTest, LayoutRuleFollowsThePageSize) {
    for (QSize size : {QSize(1288, 1004), QSize(1900, 1000), QSize(600, 500)}) {
        window->resize(size);
        QApplication::processEvents();
        QWidget* settings = W<QWidget>("TabSheet3");
        QWidget* chart5 = W<QWidget>("Chart5");
        EXPECT_EQ(chart5->width(), settings->width() - 232 - 20);
        EXPECT_EQ(chart5->height(), settings->height() - 200 - 20);
        EXPECT_EQ(W<QWidget>("ListBox1")->height(), settings->height() - 40 - 20);
        QWidget* curve = W<QWidget>("TabSheet5");
        const int w = curve->width() / 3 - 20;
        EXPECT_EQ(W<QWidget>("Button4")->geometry(), QRect(w + 20, 8, w, 97));
        EXPECT_EQ(W<QWidget>("Button5")->x(), 2 * w + 30);
        EXPECT_EQ(W<QWidget>("Chart2")->height(), curve->height() - 152 - 3);
        // The last fit's report beside the chart, the chart taking the rest of the width.
        EXPECT_EQ(W<QWidget>("Chart2")->width() + 330, curve->width());
        EXPECT_EQ(W<QWidget>("CurveReport")->geometry().right(), curve->width() - 11);
        QWidget* group5 = W<QWidget>("GroupBox5");
        EXPECT_EQ(W<QWidget>("ListBox2")->height(), group5->height() - 216 - 16);
        QWidget* single = W<QWidget>("TabSheet8");  // the iterations take the page's width
        EXPECT_EQ(W<QWidget>("ListBox9")->width(), single->width() - 208 - 20);
    }
}

TEST_F(WindowTest, DialogsStartWhereTheUserKeepsFiles) {
    window->State().HintMode = false;
    const std::string home = QDir::homePath().toStdString() + "/";
    seam.answers.push_back(std::nullopt);
    Trigger("N2");  // before the first spectrum: the home folder
    ASSERT_EQ(seam.opens.size(), 1u);
    EXPECT_EQ(seam.opens[0].folder, home);
    seam.answers.push_back(std::nullopt);
    Trigger("CTemp1");  // a quick folder opens there, a cancel keeps the last folder
    EXPECT_EQ(seam.opens[1].folder, QDir::tempPath().toStdString() + "/");
    seam.answers.push_back(std::nullopt);
    Trigger("N2");
    EXPECT_EQ(seam.opens[2].folder, home);

    // No spectrum: nothing to save.
    window->N42Click();
    EXPECT_EQ(seam.messages, std::vector<std::string>{kNoSpectrumToSaveMessage});
    EXPECT_TRUE(seam.saves.empty());

    // After a load every dialog starts in the spectrum's folder, then in the last one used.
    std::filesystem::create_directories(dir.File("spectra"));
    Open(SpectrumFile("spectra/s.txt"));
    EXPECT_EQ(window->windowTitle(), "s.txt — Ostrel");
    EXPECT_TRUE(W<QAction>("N42")->isEnabled());
    std::filesystem::create_directories(dir.File("out"));
    seam.answers.push_back(dir.File("out/saved.txt"));
    Trigger("N42");
    ASSERT_EQ(seam.saves.size(), 1u);
    EXPECT_EQ(seam.saves[0].defaultName, "Спектр.txt");
    EXPECT_EQ(seam.saves[0].folder, dir.File("spectra") + "/");
    const std::string saved = Cp1251ToUtf8(TempDir::Read(dir.File("out/saved.txt")));
    EXPECT_NE(saved.substr(0, saved.find('\r')).find("Проба"), std::string::npos) << saved;
    seam.answers.push_back(std::nullopt);
    Trigger("N2");
    EXPECT_EQ(seam.opens.back().folder, dir.File("out") + "/");

    // "Папки": folders of this computer that exist, the open spectrum's among them.
    window->RefreshQuickFolders();
    EXPECT_TRUE(W<QAction>("QuickFolder1")->isVisible());
    EXPECT_EQ(W<QAction>("QuickFolder3")->text().toStdString(),
              "Папка открытого спектра: " + dir.File("spectra") + "/");
    seam.answers.push_back(std::nullopt);
    Trigger("QuickFolder3");
    EXPECT_EQ(seam.opens.back().folder, dir.File("spectra") + "/");
}

TEST_F(WindowTest, ProgressWindowCountsToItsMaximum) {
    TForm5* form5 = window->ProgressWindow();
    form5->Start(3);
    EXPECT_TRUE(form5->isVisible());
    for (int i = 0; i < 3; ++i) form5->Step();
    EXPECT_EQ(form5->Gauge()->value(), form5->Gauge()->maximum());
    EXPECT_FALSE(form5->windowFlags() & Qt::WindowCloseButtonHint);
    form5->Finish();
    EXPECT_FALSE(form5->isVisible());
}

TEST_F(WindowTest, AboutShowsTheNameAndVersionAndClosesWithOk) {
    seam.dialogs.push_back([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "О программе...");
        EXPECT_EQ(d.findChild<QLabel*>("Label1")->text(), "Ostrel");
        EXPECT_EQ(d.findChild<QLabel*>("Label8")->text(), "Версия: Vordel 11");
        d.findChild<QPushButton*>("OKButton")->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    Trigger("N14");
    EXPECT_EQ(seam.modalDialogs, 1);
}

TEST_F(WindowTest, HiddenSelfCheckButtons) {
    W<QPushButton>("Button7")->click();
    W<QPushButton>("Button10")->click();
    ASSERT_EQ(seam.messages.size(), 2u);
    EXPECT_EQ(seam.messages[0], "Op44 = -21");
    EXPECT_EQ(seam.messages[1], "Dopolnenie = -8");
}

TEST_F(PreliminaryWindowTest, PreliminaryProcessingListsZonesAndSetsTheButtons) {
    W<QPushButton>("Button9")->click();
    ASSERT_EQ(seam.messages, std::vector<std::string>{"Пересчёт произведён"});
    EXPECT_TRUE(W<QPushButton>("Button9")->isEnabled());  // another KolUsred may be tried
    EXPECT_TRUE(W<QPushButton>("Button13")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("BitBtn1")->isEnabled());
    auto* list = W<QListWidget>("ListBox1");
    const auto& zones = window->State().Stages.Zones;
    EXPECT_EQ(list->count(), zones.ZoneCount() - 1);
    EXPECT_EQ(window->Series("Series2")->Count(), window->State().Points.PointCount());
    EXPECT_FALSE(window->Series("Series2")->IsVisible());  // the stage switches are unticked
    EXPECT_EQ(window->Series("Series16")->Count(), window->State().Stages.Slope.Count());

    // The suggested first non-noise zone is on view, its height in the field.
    const HeightSuggestion suggested = SuggestFirstPeakHeight(zones);
    ASSERT_GE(suggested.zone, 0);
    EXPECT_EQ(W<QLineEdit>("Edit4")->text(), QString::number(suggested.height));
    EXPECT_EQ(window->State().FirstPeakHeight, suggested.height);
    EXPECT_EQ(list->currentRow(), suggested.line);
    EXPECT_GT(window->Series("Series14")->Count(), 0);

    list->setCurrentRow(0);
    EXPECT_EQ(window->State().FirstPeakHeight, zones.ZoneHeight[0]);
    EXPECT_EQ(window->Series("Series14")->Count(), 121);
    EXPECT_EQ(window->Settings().MarkerIndex(), 60);
    // The click does not fill the field.
    EXPECT_EQ(W<QLineEdit>("Edit4")->text(), QString::number(suggested.height));
    W<QPushButton>("BitBtn1")->click();
    EXPECT_EQ(W<QLineEdit>("Edit4")->text(), QString::number(zones.ZoneHeight[0]));
}

TEST_F(PreliminaryWindowTest, AnInvalidSettingLeavesTheButtonToPressAgain) {
    W<QLineEdit>("Edit2")->setText("15x");
    W<QPushButton>("Button9")->click();
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_NE(seam.messages[0].find("\"15x\""), std::string::npos);
    EXPECT_TRUE(W<QPushButton>("Button9")->isEnabled());
    EXPECT_EQ(window->Series("Series1")->Count(), window->State().Points.PointCount());
    W<QLineEdit>("Edit2")->setText("10");
    W<QPushButton>("Button9")->click();
    EXPECT_EQ(window->State().KolUsred, 10);
    EXPECT_EQ(seam.messages.back(), "Пересчёт произведён");
}

TEST_F(PreliminaryWindowTest, AFailedBuilderStopsWithAMessage) {
    window->State().FirstPeakHeight = 1 << 30;  // above every zone: the slope cannot be built
    W<QPushButton>("Button9")->click();
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_NE(seam.messages[0], "Пересчёт произведён");
    EXPECT_EQ(W<QListWidget>("ListBox1")->count(), 0);
    EXPECT_FALSE(W<QPushButton>("Button13")->isEnabled());
    EXPECT_GT(window->Series("Series5")->Count(), 0);  // stages built before stay drawn
}

TEST_F(LastPassWindowTest, RefusedHeightsLeaveTheButtonEnabled) {
    for (const char* bad : {"12a", "-5", "", " 7"}) {
        W<QLineEdit>("Edit4")->setText(bad);
        W<QPushButton>("Button13")->click();
        EXPECT_EQ(seam.messages.back(), "Недопустимое значение высоты.") << bad;
        EXPECT_TRUE(W<QPushButton>("Button13")->isEnabled());
    }
    W<QLineEdit>("Edit4")->setText("2147483648");
    W<QPushButton>("Button13")->click();
    EXPECT_TRUE(W<QPushButton>("Button13")->isEnabled());
    W<QLineEdit>("Edit4")->setText("2000000000");  // above every zone
    W<QPushButton>("Button13")->click();
    EXPECT_NE(seam.messages.back().find("2000000000"), std::string::npos);
    EXPECT_TRUE(W<QPushButton>("Button13")->isEnabled());
    EXPECT_FALSE(window->LastPassRunning());
}

TEST_F(LastPassWindowTest, APassRunsOnTheWorkerAndFillsTheResults) {
    W<QLineEdit>("Edit4")->setText("1000000");
    W<QPushButton>("Button13")->click();
    ASSERT_TRUE(window->LastPassRunning());
    EXPECT_TRUE(window->ProgressWindow()->isVisible());
    for (const char* refused : {"N2", "N42", "CTemp1", "HTML1"})
        EXPECT_FALSE(W<QAction>(refused)->isEnabled()) << refused;
    for (const char* refused : {"Button9", "Button13", "Button16", "Button15"})
        EXPECT_FALSE(W<QPushButton>(refused)->isEnabled()) << refused;
    EXPECT_TRUE(W<QAction>("N11")->isEnabled());  // the view stays usable
    WaitForThePass();

    const PeakResults& peaks = window->State().Peaks;
    ASSERT_GE(static_cast<int>(peaks.size()), 2);
    EXPECT_FALSE(window->ProgressWindow()->isVisible());
    EXPECT_EQ(W<QListWidget>("ListBox4")->count(), 6 * static_cast<int>(peaks.size()));
    EXPECT_EQ(W<QListWidget>("ListBox4")->item(0)->text().left(9), "1, Fon = ");
    EXPECT_EQ(W<QTableWidget>("StringGrid1")->rowCount(), static_cast<int>(peaks.size()));
    EXPECT_EQ(W<QTableWidget>("StringGrid1")->item(0, 4)->text(), "");
    EXPECT_EQ(W<QListWidget>("ListBox5")->count(), static_cast<int>(peaks.size()));
    EXPECT_EQ(W<QLabel>("Label11")->text(), QString::number(static_cast<int>(peaks.size())));
    EXPECT_GT(window->Series("Series6")->Count(), 0);
    EXPECT_TRUE(seam.messages.empty());  // hints are off
    for (const char* on :
         {"Button1", "Button2", "Button3", "Button8", "Button14", "Button15", "Button16"})
        EXPECT_TRUE(W<QPushButton>(on)->isEnabled()) << on;
    // Nothing of this pass has been processed on "Отдельный пик" yet.
    EXPECT_FALSE(W<QPushButton>("Button17")->isEnabled());
    // "Предварительная" again tries another height; "Последняя" waits for it.
    EXPECT_TRUE(W<QPushButton>("Button9")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("Button13")->isEnabled());
    EXPECT_TRUE(W<QAction>("N2")->isEnabled());
}

TEST_F(LastPassWindowTest, ClosingTheWindowDuringAPassWaitsForTheWorker) {
    W<QLineEdit>("Edit4")->setText("1000000");
    W<QPushButton>("Button13")->click();
    ASSERT_TRUE(window->LastPassRunning());
    window.reset();  // must neither hang nor touch a window that is going away
    SUCCEED();
}

TEST_F(WindowTest, ClosingTheWindowStopsThePassBetweenTwoPeaks) {
    window->State().HintMode = false;
    Open(std::string(OSTREL_EXAMPLES_DIR) + "/pftba_R3000.txt");
    W<QPushButton>("Button9")->click();
    W<QLineEdit>("Edit4")->setText("0");  // every zone: a long pass
    W<QPushButton>("Button13")->click();
    ASSERT_TRUE(window->LastPassRunning());
    const int32_t peaks = PeakCountOfSlope(window->State().Stages.Slope);
    ASSERT_GT(peaks, 1000);
    window->close();
    EXPECT_FALSE(window->LastPassRunning());
    EXPECT_LT(W<QListWidget>("ListBox4")->count(), 6 * peaks);     // stopped early
    EXPECT_EQ(static_cast<int>(window->State().Peaks.size()), 0);  // and nothing was assembled
    EXPECT_FALSE(window->ProgressWindow()->isVisible());
}

TEST_F(LastPassWindowTest, SinglePeakProcessingAndSaving) {
    W<QLineEdit>("Edit4")->setText("1000000");
    W<QPushButton>("Button13")->click();
    WaitForThePass();
    auto* list8 = W<QListWidget>("ListBox8");
    list8->setCurrentRow(0);
    window->SinglePeak().ListBox8Click();
    EXPECT_FALSE(W<QPushButton>("Button17")->isEnabled());
    W<QPushButton>("Button16")->click();
    const QStringList first = [&] {
        QStringList l;
        for (int i = 0; i < W<QListWidget>("ListBox9")->count(); ++i)
            l << W<QListWidget>("ListBox9")->item(i)->text();
        return l;
    }();
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(first[0], "Итерация № 1");
    EXPECT_FALSE(W<QPushButton>("Button16")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("Button17")->isEnabled());
    const int32_t mass = window->SinglePeak().SinglePeak().SinglePeakMass;
    EXPECT_EQ(mass, NominalMass(window->State().Peaks[0].centre));

    window->SinglePeak().ListBox8Click();
    W<QPushButton>("Button16")->click();  // the same line again: the same lines
    EXPECT_EQ(W<QListWidget>("ListBox9")->count(), first.size());
    EXPECT_EQ(W<QListWidget>("ListBox9")->item(first.size() - 5)->text(), first[first.size() - 5]);

    seam.answers.push_back(dir.File("peak.txt"));
    W<QPushButton>("Button17")->click();
    ASSERT_EQ(seam.saves.size(), 1u);
    EXPECT_EQ(seam.saves[0].defaultName, std::to_string(mass) + "peak.txt");
    EXPECT_EQ(seam.saves[0].title, "Сохранить отдельный пик");
    const std::string saved = TempDir::Read(dir.File("peak.txt"));
    std::string title = std::to_string(mass);
    title.insert(title.begin(), '"');
    title += " \xEF\xE8\xEA\"\r\n";  // " пик" in Windows-1251
    EXPECT_EQ(saved.rfind(title, 0), 0u);
}

// "Открыть..." of an mzML or mzXML file: the chooser's rows, its preselection, and what its answer
// opens.
class SpectrumChooserTest : public WindowTest {
  protected:
    std::vector<MzSpectrumRow> rows = {
        {0, "scan=1", 1, 1.5, 3, true},
        {1, "scan=2", 2, 3.0, 4, false},
        {2, "scan=3", 1, 4.5, 3, false},
    };
};

TEST_F(SpectrumChooserTest, ListsTheSpectraAndPreselectsTheFirstProfileMs1) {
    SpectrumChooser chooser(rows, NumberFormat(','), window.get());
    auto* table = chooser.findChild<QTableWidget*>("SpectrumTable");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(chooser.windowTitle(), "Выбор спектра");
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->horizontalHeaderItem(3)->text(), "Время удерживания, с");
    EXPECT_EQ(table->item(0, 5)->text(), "центроид");
    EXPECT_EQ(table->item(2, 3)->text(), "4,50");
    EXPECT_EQ(chooser.SelectedIndex(), 2);
    table->selectRow(1);
    EXPECT_EQ(chooser.SelectedIndex(), 1);

    rows[2].centroid = true;  // no profile MS1 spectrum: the first row
    EXPECT_EQ(SpectrumChooser(rows, NumberFormat('.'), window.get()).SelectedIndex(), 0);
}

#ifdef OSTREL_HAVE_PWIZLITE
TEST_F(SpectrumChooserTest, TheChosenSpectrumOpensAndCancelChangesNothing) {
    const std::string run = dir.File("run.mzML");
    ::ostrel::testing::WriteMzTestFile(run,
                                       {
                                           {"scan=1", {10, 11, 12}, {5, 6, 7}, 1, true, 1.5},
                                           {"scan=2", {20, 21}, {1, 2}, 2, false, 3},
                                           {"scan=3", {30, 31, 32}, {8, 9.5, 4}, 1, false, 4.5},
                                       });
    Trigger("N44");  // no hint messages
    Open(SpectrumFile());
    const auto unchanged = [&] {
        EXPECT_EQ(window->Series("Series1")->Count(), 3);
        EXPECT_EQ(window->Series("Series1")->X(0), 1);
        EXPECT_EQ(window->ChartNamed("Chart1")->Title(), " Проба");
        EXPECT_EQ(window->ChartNamed("Chart1")->cursor().shape(), Qt::ArrowCursor);
    };

    seam.spectrumAnswers.push_back(std::nullopt);  // Cancel
    Open(run);
    ASSERT_EQ(seam.choices.size(), 1u);
    ASSERT_EQ(seam.choices[0].size(), 3u);
    EXPECT_EQ(seam.choices[0][1].nativeId, "scan=2");
    EXPECT_TRUE(seam.messages.empty());
    unchanged();

    seam.spectrumAnswers.push_back(0);  // the centroided one is refused
    Open(run);
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_NE(seam.messages[0].find("центроидный"), std::string::npos);
    unchanged();

    seam.spectrumAnswers.push_back(2);
    Open(run);
    EXPECT_EQ(seam.messages.size(), 1u);
    ChartSeries* s1 = window->Series("Series1");
    ASSERT_EQ(s1->Count(), 3);
    EXPECT_EQ(s1->X(0), 30);
    EXPECT_EQ(s1->Y(1), 9500);  // an intensity with decimals: thousandths, as for text files
    EXPECT_EQ(window->ChartNamed("Chart1")->Title(), "run.mzML scan=3");
    EXPECT_TRUE(W<QPushButton>("Button9")->isEnabled());

    seam.answers.push_back(dir.File("saved.txt"));  // "Сохранить..." writes the text format
    Trigger("N42");
    EXPECT_EQ(TempDir::Read(dir.File("saved.txt")),
              "\"run.mzML scan=3\"\r\n\"\"\r\n\"\"\r\n30.00000     8000\r\n31.00000     "
              "9500\r\n32.00000     4000\r\n");

    const std::string single = dir.File("single.mzXML");  // one spectrum opens at once
    ::ostrel::testing::WriteMzTestFile(single, {{"s", {1, 2}, {3, 4}, 1, false, 0}},
                                       {::ostrel::testing::MzTestFormat::MzXML, true, true});
    Open(single);
    EXPECT_EQ(seam.choices.size(), 3u);
    // mzXML numbers its scans: the native id is made from the number
    EXPECT_EQ(window->ChartNamed("Chart1")->Title(), "single.mzXML scan=1");
}
#endif

}  // namespace
}  // namespace ostrel

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
