// The road of one spectrum through the real window, driven by the widgets' object names: open,
// zones, last pass, calibration and recalculation, the road again on the corrected masses, one
// peak, and every export read back.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTableWidget>

#include "app/chart.h"
#include "app/settings_page.h"
#include "app/single_peak_page.h"
#include "fitting/calibration_curve.h"
#include "processing/last_pass.h"
#include "state/number_format.h"
#include "window_fixture.h"

namespace ostrel {
namespace {

using ::ostrel::testing::LastPassWindowTest;
using ::ostrel::testing::TempDir;

class RoadTest : public ::ostrel::testing::WindowTest {
  protected:
    void Click(const char* button) { W<QPushButton>(button)->click(); }
    void Select(const char* list, int row) { W<QListWidget>(list)->setCurrentRow(row); }
    int LineOf(const char* list, const QString& start) {
        auto* l = W<QListWidget>(list);
        for (int i = 0; i < l->count(); ++i)
            if (l->item(i)->text().startsWith(start)) return i;
        ADD_FAILURE() << list << ": no line " << start.toStdString();
        return -1;
    }
    // "Предварительная", the suggested zone taken with ">>", "Последняя".
    void ProcessTheSpectrum() {
        Click("Button9");
        auto* zones = W<QListWidget>("ListBox1");
        ASSERT_GT(zones->count(), 100);
        Select("ListBox1", 0);  // a look at the lowest zones, then back to the suggested one
        Select("ListBox1", 1);
        EXPECT_EQ(window->State().FirstPeakHeight, window->State().Stages.Zones.ZoneHeight[1]);
        Select("ListBox1", window->Settings().ListBox1->count() - 1);
        const std::string suggested = window->Settings().Edit4->text().toStdString();
        Select("ListBox1", LineOf("ListBox1", QString::fromStdString(suggested + ",")));
        Click("BitBtn1");
        EXPECT_EQ(W<QLineEdit>("Edit4")->text().toStdString(), suggested);
        Click("Button13");
        WaitForThePass();
    }
    std::string Saved(const std::string& name) {
        return Cp1251ToUtf8(TempDir::Read(dir.File(name)));
    }
};

TEST_F(RoadTest, OneSpectrumFromOpeningToEveryExport) {
    window->State().HintMode = false;
    Open(std::string(OSTREL_EXAMPLES_DIR) + "/hydrocarbon_R3000.txt");
    ASSERT_TRUE(seam.messages.empty()) << seam.messages.front();
    EXPECT_EQ(window->Series("Series1")->Count(), 134001);

    ProcessTheSpectrum();
    const PeakResults& peaks = window->State().Peaks;
    ASSERT_GE(static_cast<int>(peaks.size()), 40);
    EXPECT_EQ(W<QTableWidget>("StringGrid1")->rowCount(), static_cast<int>(peaks.size()));
    EXPECT_EQ(W<QListWidget>("ListBox4")->count(), 6 * static_cast<int>(peaks.size()));
    EXPECT_EQ(W<QLabel>("Label11")->text(), QString::number(static_cast<int>(peaks.size())));
    EXPECT_EQ(W<QLabel>("Label4")->text().toInt(), W<QListWidget>("ListBox3")->count() / 14);
    for (const char* on : {"Button1", "Button14", "Button15", "Button16", "Button9"})
        EXPECT_TRUE(W<QPushButton>(on)->isEnabled()) << on;
    for (const char* off : {"Button13", "Button17", "Button6", "Button4", "Button5"})
        EXPECT_FALSE(W<QPushButton>(off)->isEnabled()) << off;

    // Four peaks with true masses: two from the CH list, one from the CF list (then typed over),
    // one typed.
    const QStringList peaksToTake = {"29.0,", "43.1,", "57.1,", "71.1,"};
    for (const QString& peak : peaksToTake) {
        Select("ListBox5", LineOf("ListBox5", peak));
        Click("Button1");
    }
    ASSERT_EQ(W<QListWidget>("ListBox6")->count(), 4);
    W<QCheckBox>("CheckBox2")->click();  // "с одним отщеплённым": the alkyl ions
    for (const auto& [line, ion] : {std::pair{0, "29.03915,"}, {1, "43.05481,"}}) {
        Select("ListBox6", line);
        Select("ListBox2", LineOf("ListBox2", ion));
        Click("Button8");
    }
    W<QRadioButton>("RadioButton2")->click();
    Select("ListBox6", 2);
    Select("ListBox2", LineOf("ListBox2", "54.9984,"));
    Click("Button8");
    EXPECT_TRUE(W<QListWidget>("ListBox6")->item(2)->text().endsWith(",  54.9984"));
    for (const auto& [line, typed] : {std::pair{2, "57.07047"}, {3, "71.08613"}}) {
        Select("ListBox6", line);
        W<QLineEdit>("Edit1")->setText(typed);
        Click("Button2");
    }
    EXPECT_EQ(window->State().Calibration.TrueMassCount(), 4);
    Click("Button15");
    EXPECT_EQ(window->Series("Series7")->Count(), 4);
    Click("Button4");
    ASSERT_TRUE(W<QPushButton>("Button5")->isEnabled()) << seam.messages.back();
    // The parabola drawn every 0.01 u from the lightest calibration mass to the heaviest.
    const PointList& calibration = window->State().CalibPoints;
    ChartSeries* drawn = window->Series("Series8");
    ASSERT_GT(drawn->Count(), 4000);
    EXPECT_EQ(drawn->X(0), calibration.X.front());
    EXPECT_GT(drawn->X(drawn->Count() - 1), calibration.X.back() - 0.01);
    const CalibrationCurve curve = window->State().Curve;
    // The calibration chart's picture while it has its points and curve.
    seam.answers = {dir.File("Chart2.png")};
    Trigger("BMP3");
    EXPECT_EQ(QImage(QString::fromStdString(dir.File("Chart2.png"))).size(),
              window->ChartNamed("Chart2")->size());
    const std::vector<double> before = window->State().Points.PointX;
    Click("Button5");
    EXPECT_EQ(seam.messages.back(), "Пересчёт произведён");
    EXPECT_EQ(window->State().Points.PointX, RecalculateMasses(before, curve));
    EXPECT_NE(window->State().Points.PointX[5000], before[5000]);
    EXPECT_EQ(window->Series("Series1")->X(5000), window->State().Points.PointX[5000]);

    // The road again, on the corrected masses.
    ProcessTheSpectrum();
    ASSERT_GE(static_cast<int>(peaks.size()), 40);
    const int row = LineOf("ListBox8", "43.1,");
    Select("ListBox8", row);
    Click("Button16");
    EXPECT_EQ(W<QListWidget>("ListBox9")->item(0)->text(), "Итерация № 1");
    seam.answers = {dir.File("peak.txt")};
    Click("Button17");
    const std::string peak = Saved("peak.txt");
    EXPECT_EQ(peak.rfind("\"43 пик\"\r\n\"\"\r\n\"\"\r\n", 0), 0u) << peak.substr(0, 40);
    const SinglePeakResult& single = window->SinglePeak().SinglePeak();
    EXPECT_EQ(std::count(peak.begin(), peak.end(), '\n'),
              3 + single.SinglePeakRightIndex - single.SinglePeakLeftIndex + 1);

    // The exports, each read back.
    seam.dialogs.push_back([](QDialog& d) { d.findChild<QPushButton*>("Button1")->click(); });
    seam.answers = {dir.File("info.htm")};
    Trigger("HTML1");
    const std::string page = Saved("info.htm");
    EXPECT_NE(page.find("<TH WIDTH="), std::string::npos);
    EXPECT_EQ(std::count(page.begin(), page.end(), '\n') > static_cast<int>(peaks.size()), true);
    EXPECT_NE(
        page.find(">" + W<QTableWidget>("StringGrid1")->item(0, 1)->text().toStdString() + "</TD>"),
        std::string::npos);

    for (const auto& [action, chart] :
         {std::pair{"BMP1", "Chart1"}, {"BMP2", "Chart3"}, {"BMP4", "Chart4"}}) {
        const std::string name = std::string(chart) + ".png";
        seam.answers = {dir.File(name)};
        Trigger(action);
        EXPECT_EQ(QImage(QString::fromStdString(dir.File(name))).size(),
                  window->ChartNamed(chart)->size())
            << action;
    }

    seam.answers = {dir.File("CH_t.txt"), dir.File("CH_p.txt")};
    Trigger("TXT1");
    EXPECT_EQ(Saved("CH_t.txt").rfind("\"Пила CH (теория)\"\r\n", 0), 0u);
    const std::string measured = Saved("CH_p.txt");
    EXPECT_EQ(std::count(measured.begin(), measured.end(), '\n'),
              3 + window->Series("Series10")->Count());

    seam.answers = {dir.File("list.txt"), dir.File("list.htm")};
    Trigger("XLS1");
    Trigger("HTML3");
    EXPECT_NE(Saved("list.txt").find("43.05481\tC 3 H 7\r\n"), std::string::npos);
    EXPECT_NE(Saved("list.htm").find("<TD>43.05481</TD><TD>C 3 H 7</TD>"), std::string::npos);

    seam.printerPdf = dir.File("printed.pdf");
    Trigger("N35");
    EXPECT_EQ(seam.printJobs, 1);
    EXPECT_EQ(TempDir::Read(dir.File("printed.pdf")).rfind("%PDF", 0), 0u);
    EXPECT_EQ(seam.messages.back(), "Пересчёт произведён");  // no failure since
}

}  // namespace
}  // namespace ostrel
