// The window's exports: the column dialog and the HTML page, the table copies, the chart
// pictures and printing.
#include <QCheckBox>
#include <QImage>
#include <QImageReader>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTableWidget>
#include <filesystem>

#include "app/chart.h"
#include "app/results_page.h"
#include "results/chart_images.h"
#include "results/results_table.h"
#include "results/table_copy.h"
#include "state/window_texts.h"
#include "window_fixture.h"

namespace ostrel {
namespace {

using ::ostrel::testing::LastPassWindowTest;
using ::ostrel::testing::TempDir;

// After "Предварительная" on the example spectrum, with hints off; "Последняя" when a test
// needs the results.
class ExportWindowTest : public LastPassWindowTest {
  protected:
    QTableWidget* Grid() { return W<QTableWidget>("StringGrid1"); }

    // The page written by "HTML" or "HTML (усовершен.)" into a fresh file, as UTF-8 lines.
    std::vector<std::string> ExportPage(const char* action, const std::string& name) {
        seam.answers.push_back(dir.File(name));
        Trigger(action);
        std::vector<std::string> lines;
        const std::string text = Cp1251ToUtf8(TempDir::Read(dir.File(name)));
        for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }
};

std::vector<std::string> CellLines(const std::vector<std::string>& page) {
    std::vector<std::string> cells;
    for (const std::string& line : page)
        if (line.rfind("    <TH ", 0) == 0 || line.rfind("    <TD ", 0) == 0) cells.push_back(line);
    return cells;
}

TEST_F(ExportWindowTest, AnExportClosedWithoutOkWritesNothing) {
    // Before a pass there is no result to export: the items are disabled, the command refuses.
    for (const char* item : {"HTML1", "HTML2", "N4", "TXT2", "BMP2", "BMP3", "BMP4", "TXT1"})
        EXPECT_FALSE(W<QAction>(item)->isEnabled()) << item;
    window->Results().HTMLOut(HtmlLook::Plain);
    EXPECT_EQ(seam.messages, std::vector<std::string>{kNoResultsToExportMessage});
    EXPECT_EQ(seam.modalDialogs, 0);

    RunPass("1000000");
    ASSERT_TRUE(W<QAction>("HTML1")->isEnabled());
    seam.answers.push_back(dir.File("none.htm"));
    Trigger("HTML1");  // Escape or the title bar's button: no file dialog, no page
    EXPECT_EQ(seam.modalDialogs, 1);
    EXPECT_TRUE(seam.saves.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.htm")));
    seam.answers.clear();

    // "OK" with the boxes as they open: every column.
    seam.dialogs.push_back([](QDialog& d) { d.findChild<QPushButton*>("Button1")->click(); });
    const std::vector<std::string> page = ExportPage("HTML1", "all.htm");
    ASSERT_EQ(seam.saves.size(), 1u);
    EXPECT_EQ(seam.saves[0].title, "Сохранить информацию");
    EXPECT_EQ(seam.saves[0].defaultName, "Информация.htm");
    EXPECT_EQ(seam.saves[0].filter, "HTML (*.htm)|*.HTM|Все (*.*)|*.*");
    EXPECT_EQ(seam.saves[0].folder, std::string(OSTREL_EXAMPLES_DIR) + "/");  // the spectrum's
    EXPECT_EQ(CellLines(page).size(), 12u * (Grid()->rowCount() + 1));
    EXPECT_EQ(page[3],
              "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">");
}

TEST_F(ExportWindowTest, TheColumnDialogChoosesByPositionAndKeepsTheChoice) {
    RunPass("1000000");
    seam.dialogs.push_back([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Выбор столбцов");
        EXPECT_EQ(d.size(), QSize(248, 515));
        EXPECT_TRUE(d.windowFlags() & Qt::WindowCloseButtonHint);  // closing cancels
        const char* captions[] = {"M",  "Масса",  "Ошибка",  "Me",   "DMe", "R",
                                  "dR", "Высота", "Std Err", "Iter", "Sum", "Kol"};
        int lastY = -1;
        for (int k = 1; k <= 12; ++k) {
            auto* box = d.findChild<QCheckBox*>(QStringLiteral("CheckBox%1").arg(k));
            ASSERT_NE(box, nullptr) << k;
            EXPECT_EQ(box->text(), captions[k - 1]);
            EXPECT_TRUE(box->isChecked());
            EXPECT_TRUE(box->font().bold());
            EXPECT_GT(box->y(), lastY);
            lastY = box->y();
            box->setChecked(k == 8 || k == 10);  // "Высота" chooses "A", "Iter" "Std Err"
        }
        d.findChild<QPushButton*>("Button1")->click();
    });
    Grid()->setColumnWidth(7, 150);  // widened by the user
    const std::vector<std::string> first = ExportPage("HTML2", "chosen.htm");
    const std::vector<std::string> cells = CellLines(first);
    ASSERT_EQ(cells.size(), 2u * (Grid()->rowCount() + 1));
    EXPECT_EQ(cells[0], "    <TH bgcolor=ffffff WIDTH=155>A</TH> ");
    EXPECT_EQ(cells[1], "    <TH bgcolor=ffffff WIDTH=" +
                            std::to_string(Grid()->columnWidth(9) + 5) + ">Std Err</TH> ");
    EXPECT_EQ(cells[2], "    <TD bgcolor=ffffff WIDTH=155>" +
                            Grid()->item(0, 7)->text().toStdString() + "</TD> ");

    // The next time the boxes show the choice in force.
    seam.dialogs.push_back([](QDialog& d) {
        for (int k = 1; k <= 12; ++k)
            EXPECT_EQ(d.findChild<QCheckBox*>(QStringLiteral("CheckBox%1").arg(k))->isChecked(),
                      k == 8 || k == 10)
                << k;
        d.findChild<QPushButton*>("Button1")->click();
    });
    const std::vector<std::string> second = ExportPage("HTML2", "again.htm");
    EXPECT_EQ(CellLines(second), cells);
    EXPECT_EQ(seam.modalDialogs, 2);

    // A cancelled file dialog writes nothing; a failed write says which file.
    const auto ok = [](QDialog& d) { d.findChild<QPushButton*>("Button1")->click(); };
    seam.dialogs = {ok, ok};
    seam.answers.push_back(std::nullopt);
    Trigger("HTML1");
    seam.answers.push_back(dir.File("no/such/folder/x.htm"));
    Trigger("HTML1");
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_NE(seam.messages[0].find("x.htm"), std::string::npos);
}

TEST_F(ExportWindowTest, TableCopiesAreTabSeparatedText) {
    RunPass("1000000");
    const ResultsGrid grid = ResultsTable(window->State().Peaks, window->State().Format);
    Trigger("N4");
    ASSERT_TRUE(seam.clipboard.has_value());
    EXPECT_EQ(*seam.clipboard, GridTableText(grid, "\n"));
    EXPECT_EQ(seam.clipboard->rfind("M\tМасса\tОшибка\tMe\tDMe\t", 0), 0u);
    const std::string& clip = *seam.clipboard;
    const std::string firstRow = clip.substr(clip.find('\n') + 1);
    EXPECT_EQ(firstRow.rfind(Grid()->item(0, 0)->text().toStdString() + "\t" +
                                 Grid()->item(0, 1)->text().toStdString() + "\t",
                             0),
              0u);
    EXPECT_TRUE(seam.messages.empty());

    seam.answers.push_back(dir.File("table.txt"));
    Trigger("TXT2");
    ASSERT_EQ(seam.saves.size(), 1u);
    EXPECT_EQ(seam.saves[0].title, "Сохранить информацию");
    EXPECT_EQ(seam.saves[0].defaultName, "Информация.txt");
    EXPECT_EQ(seam.saves[0].filter, "Текст (*.txt)|*.TXT|Все (*.*)|*.*");
    EXPECT_EQ(TempDir::Read(dir.File("table.txt")), Utf8ToCp1251(GridTableText(grid, "\r\n")));
    EXPECT_EQ(seam.messages, std::vector<std::string>{TableCopiedMessage(
                                 kResultsTableName, dir.File("table.txt"), Grid()->rowCount())});
    EXPECT_NE(seam.messages[0].find("table.txt"), std::string::npos);

    seam.answers.push_back(std::nullopt);
    Trigger("TXT2");
    EXPECT_EQ(seam.messages.size(), 1u);
}

// The page size of a one-page PDF, in points.
QSizeF PdfPageSize(const std::string& bytes) {
    const QRegularExpression box(
        QStringLiteral(R"(/MediaBox\s*\[\s*0\s+0\s+([0-9.]+)\s+([0-9.]+)\s*\])"));
    const auto m = box.match(QString::fromLatin1(bytes.data(), bytes.size()));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

int PdfPageCount(const std::string& bytes) {
    const QRegularExpression page(QStringLiteral(R"(/Type\s*/Page(?![a-zA-Z]))"));
    int pages = 0;
    for (auto it = page.globalMatch(QString::fromLatin1(bytes.data(), bytes.size())); it.hasNext();
         it.next())
        ++pages;
    return pages;
}

int NonWhitePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != qRgb(255, 255, 255);
    return count;
}

TEST_F(ExportWindowTest, ChartPicturesReadBackAtTheChartSize) {
    QApplication::processEvents();
    const QSize size = window->ChartNamed("Chart1")->size();

    seam.answers.push_back(dir.File("График.bmp"));
    Trigger("BMP1");
    ASSERT_EQ(seam.saves.size(), 1u);
    EXPECT_EQ(seam.saves[0].title, "Сохранить график спектра");
    EXPECT_EQ(seam.saves[0].defaultName, "График.bmp");
    EXPECT_EQ(seam.saves[0].filter,
              "BMP (*.bmp)|*.BMP|PNG (*.png)|*.PNG|PDF (*.pdf)|*.PDF|Все (*.*)|*.*");
    EXPECT_EQ(seam.saves[0].folder, std::string(OSTREL_EXAMPLES_DIR) + "/");
    QImageReader bmp(QString::fromStdString(dir.File("График.bmp")));
    EXPECT_EQ(bmp.format(), "bmp");
    const QImage picture = bmp.read();
    EXPECT_EQ(picture.size(), size);
    EXPECT_GT(NonWhitePixels(picture), 1000);  // axes, labels and the spectrum curve

    seam.answers.push_back(dir.File("chart"));  // no extension: the PNG filter decides
    seam.filters.push_back(1);
    Trigger("BMP1");
    QImageReader png(QString::fromStdString(dir.File("chart")));
    EXPECT_EQ(png.format(), "png");
    const QImage pngPicture = png.read();
    EXPECT_EQ(pngPicture.size(), size);
    EXPECT_EQ(NonWhitePixels(pngPicture), NonWhitePixels(picture));

    seam.answers.push_back(dir.File("chart.pdf"));
    Trigger("BMP1");
    const std::string pdf = TempDir::Read(dir.File("chart.pdf"));
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
    EXPECT_EQ(PdfPageSize(pdf), QSizeF(size));
    EXPECT_EQ(PdfPageCount(pdf), 1);

    // The theory charts once a pass has filled them; the calibration chart has no point yet.
    for (const char* empty : {"BMP2", "BMP3", "BMP4"})
        EXPECT_FALSE(W<QAction>(empty)->isEnabled()) << empty;
    RunPass("1000000");
    EXPECT_FALSE(W<QAction>("BMP3")->isEnabled());
    const struct {
        const char* action;
        const char* chart;
        const char* title;
        const char* name;
    } others[] = {{"BMP2", "Chart3", "Сохранить теорию CH (пилу)", "Пила CH.bmp"},
                  {"BMP4", "Chart4", "Сохранить теорию CF (пилу)", "Пила CF.bmp"}};
    for (const auto& o : others) {
        seam.answers.push_back(dir.File(o.name));
        Trigger(o.action);
        EXPECT_EQ(seam.saves.back().title, o.title);
        EXPECT_EQ(seam.saves.back().defaultName, o.name);
        const QImage image(QString::fromStdString(dir.File(o.name)));
        EXPECT_EQ(image.size(), window->ChartNamed(o.chart)->size()) << o.chart;
        EXPECT_GT(NonWhitePixels(image), 1000) << o.chart;  // its axes at least
    }
    // Laid out on their pages as if shown: the theory charts fill the same page area as Chart1.
    EXPECT_EQ(QImage(QString::fromStdString(dir.File("Пила CH.bmp"))).size(), size);
    EXPECT_TRUE(seam.messages.empty());

    seam.answers.push_back(dir.File("missing/folder/x.bmp"));
    Trigger("BMP1");
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_NE(seam.messages[0].find("x.bmp"), std::string::npos);
}

TEST_F(ExportWindowTest, PrintingGivesOnePageOrSaysThereIsNoPrinter) {
    Trigger("N35");
    EXPECT_EQ(seam.messages, std::vector<std::string>{NoPrinterMessage()});

    seam.printerPdf = dir.File("printed.pdf");
    Trigger("N35");
    EXPECT_EQ(seam.printJobs, 1);
    EXPECT_EQ(seam.messages.size(), 1u);
    const std::string pdf = TempDir::Read(dir.File("printed.pdf"));
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
    EXPECT_EQ(PdfPageCount(pdf), 1);
}

TEST(QtUiSeamTest, WithoutAPrinterPrintingSaysSoAndPaintsNothing) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "this computer has a printer";
    QtUiSeam seam(nullptr);
    bool painted = false;
    try {
        seam.PrintPage([&](QPrinter&) { painted = true; });
        ADD_FAILURE() << "no error";
    } catch (const CommandError& e) {
        EXPECT_EQ(e.what(), NoPrinterMessage());
    }
    EXPECT_FALSE(painted);
}

}  // namespace
}  // namespace ostrel
