// The pages after a pass: standard masses, the calibration list, the curve and the
// recalculation, the theory charts with their marks and files.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "app/calibration_masses_page.h"
#include "app/chart.h"
#include "app/theory_page.h"
#include "reference/auto_pairing.h"
#include "reference/calibration_list.h"
#include "reference/composition_text.h"
#include "window_fixture.h"

namespace ostrel {
namespace {

using ::ostrel::testing::LastPassWindowTest;
using ::ostrel::testing::TempDir;

QStringList Lines(QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
}

class CalibrationWindowTest : public LastPassWindowTest {
  protected:
    void SetUp() override {
        LastPassWindowTest::SetUp();
        RunPass("100000");  // four peaks: 27.03, 28.03, 29.04, 30.04
        seam.messages.clear();
    }
    void Select(const char* list, int row) { W<QListWidget>(list)->setCurrentRow(row); }
    void Click(const char* button) { W<QPushButton>(button)->click(); }
};

TEST_F(CalibrationWindowTest, FromPeaksToRecalculatedMasses) {
    ASSERT_EQ(W<QListWidget>("ListBox5")->count(), 4);
    EXPECT_EQ(Lines(W<QListWidget>("ListBox2")), QStringList{"30.04698,  C 2 H 6,  молек"});

    for (int row : {2, 0, 1}) {
        Select("ListBox5", row);
        Click("Button1");
    }
    Select("ListBox5", 0);
    Click("Button1");
    EXPECT_EQ(seam.messages, std::vector<std::string>{"Вы уже занесли этот пик"});
    const QStringList masses = Lines(W<QListWidget>("ListBox5"));
    EXPECT_EQ(Lines(W<QListWidget>("ListBox6")), masses.mid(0, 3));  // ascending peak order

    W<QCheckBox>("CheckBox4")->click();  // "полный список": every CH row
    EXPECT_EQ(W<QListWidget>("ListBox2")->count(), 4);
    Select("ListBox6", 0);
    Select("ListBox2", 0);
    Click("Button8");
    EXPECT_EQ(W<QListWidget>("ListBox6")->item(0)->text(), masses[0] + ",  27.02349");

    W<QRadioButton>("RadioButton2")->click();  // CF: the list keeps "полный список" first
    W<QCheckBox>("CheckBox4")->click();
    EXPECT_EQ(Lines(W<QListWidget>("ListBox2")), QStringList{"30.9984,  C 1 F 1"});
    Select("ListBox6", 1);
    Select("ListBox2", 0);
    Click("Button8");
    EXPECT_EQ(W<QListWidget>("ListBox6")->item(1)->text(), masses[1] + ",  30.9984");

    // Typed masses replace what a line held; the filter lets through digits and one point.
    QTest::keyClicks(W<QLineEdit>("Edit1"), "28,03a1.3.2");
    EXPECT_EQ(W<QLineEdit>("Edit1")->text(), "28031.32");
    W<QLineEdit>("Edit1")->setText("28.0313");
    Click("Button2");
    EXPECT_EQ(W<QListWidget>("ListBox6")->item(1)->text(), masses[1] + ",  28.0313");
    Select("ListBox6", 2);
    W<QLineEdit>("Edit1")->clear();
    Click("Button2");
    EXPECT_EQ(seam.messages.back(), "Вы ничего не ввели");
    Click("Button15");
    EXPECT_EQ(seam.messages.back(), "Вы не для всех масс задали истинные массы");
    W<QLineEdit>("Edit1")->setText("29.0391");
    Click("Button2");
    EXPECT_EQ(window->State().Calibration.TrueMassCount(), 3);

    Click("Button15");
    EXPECT_EQ(window->Series("Series7")->Count(), 3);
    EXPECT_EQ(W<QListWidget>("ListBox7")->count(), 3);
    for (const char* frozen : {"Button1", "Button2", "Button3", "Button8"})
        EXPECT_FALSE(W<QPushButton>(frozen)->isEnabled()) << frozen;
    EXPECT_TRUE(W<QPushButton>("Button6")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("Button5")->isEnabled());

    Click("Button4");  // the parabola through the three points
    const CalibrationCurve curve = window->State().Curve;
    EXPECT_GT(window->Series("Series8")->Count(), 150);
    EXPECT_FALSE(W<QPushButton>("Button4")->isEnabled());
    ASSERT_TRUE(W<QPushButton>("Button5")->isEnabled());

    const std::vector<double> before = window->State().Points.PointX;
    Click("Button5");
    EXPECT_EQ(seam.messages.back(), "Пересчёт произведён");
    const std::vector<double>& after = window->State().Points.PointX;
    ASSERT_EQ(after.size(), before.size());
    const double x = before[100];
    EXPECT_NEAR(after[100], x + (curve.CurveA * x * x + curve.CurveB * x + curve.CurveC) / 1000,
                1e-12);
    EXPECT_NE(after[100], before[100]);
    EXPECT_EQ(window->Series("Series1")->X(100), after[100]);
    EXPECT_EQ(window->Series("Series7")->Count(), 0);
    EXPECT_EQ(W<QListWidget>("ListBox5")->count(), 0);
    for (const char* off : {"Button4", "Button5", "Button6"})
        EXPECT_FALSE(W<QPushButton>(off)->isEnabled()) << off;
    EXPECT_TRUE(W<QPushButton>("Button9")->isEnabled());  // the corrected spectrum anew
}

TEST_F(CalibrationWindowTest, ACurveThatCannotBeFormedIsRefusedAndMayBeTriedAgain) {
    Click("Button15");  // an empty list has nothing to make points of: it says so
    EXPECT_EQ(seam.messages, std::vector<std::string>{kCalibrationListEmptyMessage});
    EXPECT_FALSE(W<QPushButton>("Button6")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("Button4")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("Button1")->isEnabled());  // the list is still to be made
    EXPECT_FALSE(W<QAction>("BMP3")->isEnabled());        // no point to draw

    // One point: each fit says what it needs itself.
    Select("ListBox5", 0);
    Click("Button1");
    Select("ListBox6", 0);
    W<QLineEdit>("Edit1")->setText("27.0235");
    Click("Button2");
    Click("Button15");
    EXPECT_TRUE(W<QAction>("BMP3")->isEnabled());
    seam.messages.clear();
    Click("Button4");
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_EQ(seam.messages[0].rfind("Параболу подобрать нельзя", 0), 0u) << seam.messages[0];
    Click("Button6");
    ASSERT_EQ(seam.messages.size(), 2u);
    EXPECT_EQ(seam.messages[1].rfind("Прямую провести нельзя", 0), 0u) << seam.messages[1];
    EXPECT_TRUE(W<QPushButton>("Button6")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("Button4")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("Button5")->isEnabled());
    EXPECT_EQ(window->Series("Series8")->Count(), 0);

    Click("Button14");  // "Очистить список" opens the list again
    EXPECT_TRUE(W<QPushButton>("Button1")->isEnabled());
    EXPECT_EQ(W<QListWidget>("ListBox5")->count(), 4);
}

TEST_F(CalibrationWindowTest, TheoryMarksFollowTheMouse) {
    const struct {
        TheoryPage& page;
        const char *chart, *saw, *measured;
        const TheorySeries& points;
    } charts[] = {
        {window->TheoryCH(), "Chart3", "Series9", "Series10", window->State().Theory.chPeaks},
        {window->TheoryCF(), "Chart4", "Series12", "Series13", window->State().Theory.cfPeaks},
    };
    const PeakResults& peaks = window->State().Peaks;
    for (const auto& c : charts) {
        W<QTabWidget>("PageControl1")->setCurrentWidget(&c.page);
        QApplication::processEvents();
        Chart* chart = window->ChartNamed(c.chart);
        ChartSeries* measured = window->Series(c.measured);
        ASSERT_EQ(measured->Count(), 4) << c.chart;
        EXPECT_GT(window->Series(c.saw)->Count(), 0) << c.chart;
        chart->replot(QCustomPlot::rpImmediateRefresh);
        const QPointF at = measured->Graph()->coordsToPixels(measured->X(1), measured->Y(1));
        QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(chart, &move);
        EXPECT_EQ(window->State().HoveredPoint, 1) << c.chart;
        chart->replot(QCustomPlot::rpImmediateRefresh);
        const int32_t peak = c.points.peak[1];  // the peak the point was made from
        // The best formula of the peak's composition, when it has one, as a last line.
        const std::string formula =
            CompositionMarkLine(window->State().Composition.peaks[peak], window->State().Format);
        EXPECT_EQ(chart->MarkText(),
                  QStringLiteral("M = %1\nR = %2\nV = %3")
                          .arg(peaks[peak].centre, 0, 'f', 3)
                          .arg(peaks[peak].resolvingPower, 0, 'f', 0)
                          .arg(peaks[peak].height, 0, 'f', 0) +
                      (formula.empty() ? QString() : "\n" + QString::fromStdString(formula)))
            << c.chart;
        EXPECT_TRUE(c.page.MeasuredMarkText(0).empty()) << c.chart;
    }

    Trigger("N31");  // marks off
    Chart* chart4 = window->ChartNamed("Chart4");
    chart4->replot(QCustomPlot::rpImmediateRefresh);
    EXPECT_TRUE(chart4->MarkText().isEmpty());
}

TEST_F(CalibrationWindowTest, SawFilesAndTheCHList) {
    seam.answers = {std::nullopt, dir.File("p.txt")};  // the first dialog cancelled
    Trigger("TXT1");
    ASSERT_EQ(seam.saves.size(), 2u);
    EXPECT_EQ(seam.saves[0].title, "Сохранить пилу CH (теория)");
    EXPECT_EQ(seam.saves[0].defaultName, "CH_t.txt");
    EXPECT_EQ(seam.saves[1].title, "Сохранить пилу CH (практика)");
    EXPECT_EQ(seam.saves[1].defaultName, "CH_p.txt");
    const std::string peaks = Cp1251ToUtf8(TempDir::Read(dir.File("p.txt")));
    EXPECT_EQ(peaks.rfind("\"Пила CH (практика)\"\r\n\"\"\r\n\"\"\r\n27\t26\r\n", 0), 0u) << peaks;

    // A first file that cannot be written ends the command with its message.
    seam.answers = {dir.File("missing/t.txt"), dir.File("p2.txt")};
    const size_t messages = seam.messages.size();
    Trigger("TXT1");
    EXPECT_EQ(seam.saves.size(), 3u);
    ASSERT_EQ(seam.messages.size(), messages + 1);
    EXPECT_NE(seam.messages.back().find("missing/t.txt"), std::string::npos)
        << seam.messages.back();
    EXPECT_FALSE(std::filesystem::exists(dir.File("p2.txt")));
    seam.answers.clear();

    // The second dialog starts in the folder of the first file, and the next dialog too.
    std::filesystem::create_directories(dir.File("saw"));
    seam.answers = {dir.File("saw/t.txt"), std::nullopt};
    Trigger("TXT1");
    EXPECT_EQ(seam.saves.back().folder, dir.File("saw") + "/");

    seam.answers = {dir.File("list.txt")};
    Trigger("XLS1");
    EXPECT_EQ(seam.saves.back().title, "Сохранить список CH для Excel");
    EXPECT_EQ(seam.saves.back().folder, dir.File("saw") + "/");
    EXPECT_EQ(Cp1251ToUtf8(TempDir::Read(dir.File("list.txt"))),
              "27.02349\tC 2 H 3\r\n28.03132\tC 2 H 4\r\n29.03915\tC 2 H 5\r\n30.04698\tC 2 H "
              "6\tмолек\r\n");

    seam.answers = {dir.File("list.htm")};
    Trigger("HTML3");
    EXPECT_EQ(seam.saves.back().title, "Сохранить список CH");
    EXPECT_EQ(seam.saves.back().defaultName, "СписокCH.htm");
    const std::string page = Cp1251ToUtf8(TempDir::Read(dir.File("list.htm")));
    EXPECT_NE(page.find("<TR><TD>30.04698</TD><TD>C 2 H 6</TD><TD>молек</TD></TR>\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace ostrel

namespace ostrel {
namespace {

// "Подобрать автоматически" on the PFTBA example, and the road on from its pairs.
class AutoCalibrationWindowTest : public ::ostrel::testing::PftbaWindowTest {
  protected:
    void SetUp() override {
        PftbaWindowTest::SetUp();
        PassAt("22525");
    }
    QStringList Lines(const char* list) {
        QStringList lines;
        for (int i = 0; i < W<QListWidget>(list)->count(); ++i)
            lines << W<QListWidget>(list)->item(i)->text();
        return lines;
    }
};

TEST_F(AutoCalibrationWindowTest, PairsForReviewThenTheCurveWithItsResiduals) {
    ASSERT_TRUE(W<QPushButton>("AutoPair")->isEnabled());
    W<QPushButton>("AutoPair")->click();  // PFTBA, 3 mmu
    ASSERT_TRUE(seam.messages.empty()) << seam.messages[0];
    const ProgramState& state = window->State();
    ASSERT_TRUE(state.AutoPairing);
    const auto& pairs = state.AutoPairing->pairs;
    const QStringList listed = Lines("ListBox6");
    ASSERT_EQ(listed.size(), static_cast<int>(pairs.size()));
    for (size_t i = 0; i < pairs.size(); ++i)
        EXPECT_TRUE(listed[i].endsWith(
            QString::fromStdString(",  " + state.Format.Fixed(pairs[i].referenceMass, 6))))
            << listed[i].toStdString();
    EXPECT_TRUE(W<QLabel>("AutoAnswer")->text().startsWith(QString::number(pairs.size()) + " пар"));
    EXPECT_TRUE(W<QLabel>("ProposedFit")->text().startsWith("Предложена"));

    W<QPushButton>("Button15")->click();
    EXPECT_EQ(window->Series("Series7")->Count(), static_cast<int>(pairs.size()));
    const bool line = state.AutoPairing->degree == CurveDegree::Line;
    W<QPushButton>(line ? "Button6" : "Button4")->click();
    EXPECT_GT(window->Series("Series8")->Count(), 0);
    EXPECT_EQ(window->Series("Residuals")->Count(), static_cast<int>(pairs.size()));
    const QStringList report = Lines("CurveReport");
    ASSERT_EQ(report.size(), 6 + static_cast<int>(pairs.size()));
    EXPECT_TRUE(report[0].startsWith(line ? "Прямая" : "Парабола"));
    EXPECT_EQ(report[3],
              QString::fromStdString("c = " + state.Format.Shortest(state.Curve.CurveC)));

    // After the recalculation the page still says how the curve fitted.
    W<QPushButton>("Button5")->click();
    EXPECT_EQ(Lines("CurveReport"), report);
    EXPECT_EQ(window->Series("Residuals")->Count(), 0);
    EXPECT_TRUE(W<QLabel>("ProposedFit")->text().isEmpty());
}

TEST_F(AutoCalibrationWindowTest, ARefusalOrAnUnreadableListKeepsTheList) {
    auto* refs = W<QComboBox>("AutoRefs");
    ASSERT_EQ(refs->count(), 4);
    W<QPushButton>("Button1")->click();  // nothing selected: nothing
    W<QListWidget>("ListBox5")->setCurrentRow(0);
    W<QPushButton>("Button1")->click();
    refs->setCurrentIndex(2);  // CH on a fluorocarbon spectrum
    W<QPushButton>("AutoPair")->click();
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_EQ(seam.messages[0].rfind("Автоматическая калибровка не выполнена", 0), 0u);
    EXPECT_EQ(W<QListWidget>("ListBox6")->count(), 1);

    refs->setCurrentIndex(3);  // a list file of the user's own
    seam.answers.push_back(std::nullopt);
    W<QPushButton>("AutoPair")->click();
    EXPECT_EQ(seam.messages.size(), 1u);  // cancelled: nothing
    seam.answers.push_back(dir.Write("ions.txt", "CF3+\r\nnot an ion\r\n"));
    W<QPushButton>("AutoPair")->click();
    ASSERT_EQ(seam.messages.size(), 2u);
    EXPECT_NE(seam.messages[1].find("not an ion"), std::string::npos) << seam.messages[1];
    W<QLineEdit>("AutoTolerance")->setText("x");
    refs->setCurrentIndex(0);
    W<QPushButton>("AutoPair")->click();
    EXPECT_EQ(seam.messages.size(), 3u);
    EXPECT_EQ(W<QListWidget>("ListBox6")->count(), 1);
}

}  // namespace
}  // namespace ostrel
