// mzML and mzXML files written with the library's own writer and read back through the program's
// adapter, OpenSpectrum and ostrel-batch.
#include "formats/mz_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "batch/batch_runner.h"
#include "batch_run.h"
#include "mz_test_files.h"
#include "state/errors.h"
#include "state/file_io.h"
#include "state/point_line_parser.h"
#include "state/points_file.h"
#include "state/program_state.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::Batch;
using ::ostrel::testing::BatchRun;
using ::ostrel::testing::MzTestEncoding;
using ::ostrel::testing::MzTestFormat;
using ::ostrel::testing::MzTestSpectrum;
using ::ostrel::testing::TempDir;
using ::ostrel::testing::WriteMzTestFile;

MzTestSpectrum Profile(const std::string& id, std::vector<double> mz, std::vector<double> y,
                       int msLevel = 1) {
    return {id, std::move(mz), std::move(y), msLevel, false, 0};
}

// Several spectra with a centroided one first, as instruments write a run.
std::vector<MzTestSpectrum> SeveralSpectra() {
    return {
        {"scan=1", {10, 11, 12}, {5, 6, 7}, 1, true, 1.5},
        {"scan=2", {20, 21, 22, 23}, {1, 2, 3, 4}, 2, false, 3},
        {"scan=3", {30, 31}, {8, 9}, 1, false, 4.5},
        {"scan=4", {40, 41}, {1, 1}, 1, false, 6},
    };
}

std::string MessageOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const CommandError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(MzFileTest, OneSpectrumOpensToItsPointsInEveryEncoding) {
    TempDir dir;
    // 0.1 and 1.3 have no exact binary form: the 32-bit files give them as floats.
    const std::vector<double> mz = {28.0, 28.1, 28.25, 28.5};
    const std::vector<double> y = {10, 1.3, 250, 4};
    const struct {
        const char* name;
        MzTestEncoding encoding;
    } cases[] = {
        {"indexed.mzML", {MzTestFormat::IndexedMzML, false, false}},
        {"zlib.mzML", {MzTestFormat::IndexedMzML, true, false}},
        {"zlib32.mzML", {MzTestFormat::IndexedMzML, true, true}},
        {"plain.mzML", {MzTestFormat::PlainMzML, false, true}},
        {"a.mzXML", {MzTestFormat::MzXML, false, true}},
        {"zlib.mzXML", {MzTestFormat::MzXML, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        WriteMzTestFile(path, {Profile("scan=9", mz, y)}, c.encoding);
        EXPECT_TRUE(SpectraToChooseFrom(path).empty());  // one spectrum opens at once
        const LoadedSpectrum loaded = ReadMzSpectrum(path, std::nullopt);
        ASSERT_EQ(loaded.x.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            const double wantX = c.encoding.bits32 ? double(float(mz[i])) : mz[i];
            const double wantY = c.encoding.bits32 ? double(float(y[i])) : y[i];
            EXPECT_EQ(loaded.x[i], wantX);
            EXPECT_EQ(loaded.y[i], std::nearbyint(static_cast<long double>(wantY) * 1000));
        }
        EXPECT_EQ(loaded.title, std::string(c.name) + " scan=9");
        EXPECT_EQ(loaded.maxYDecimals, c.encoding.bits32 ? 14 : 1);  // 1.29999995231628
    }
}

TEST(MzFileTest, SeveralSpectraAreListedAndTheFirstProfileMs1OpensByDefault) {
    TempDir dir;
    for (const char* name : {"run.mzML", "run.mzXML"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.File(name);
        WriteMzTestFile(
            path, SeveralSpectra(),
            {std::string(name).ends_with("mzXML") ? MzTestFormat::MzXML : MzTestFormat::IndexedMzML,
             true, false});
        const std::vector<MzSpectrumRow> rows = SpectraToChooseFrom(path);
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_EQ(rows[0].nativeId, "scan=1");
        EXPECT_TRUE(rows[0].centroid);
        EXPECT_EQ(rows[0].retentionTime, 1.5);
        EXPECT_EQ(rows[1].msLevel, 2);
        EXPECT_EQ(rows[1].pointCount, 4);
        EXPECT_FALSE(rows[1].centroid);
        EXPECT_EQ(FirstProfileMs1(rows), 2);

        EXPECT_EQ(ReadMzSpectrum(path, std::nullopt).x, (std::vector<double>{30, 31}));
        EXPECT_EQ(ReadMzSpectrum(path, 1).x, (std::vector<double>{20, 21, 22, 23}));
        EXPECT_EQ(ReadMzSpectrum(path, 3).title, std::string(name) + " scan=4");
    }
}

TEST(MzFileTest, DescendingAndUnorderedMassesOpenAscending) {
    TempDir dir;
    const std::string path = dir.File("order.mzXML");
    WriteMzTestFile(path,
                    {Profile("down", {30, 20, 10}, {3, 2, 1}),
                     Profile("mixed", {20, 10, 30, 10}, {1, 2, 3, 4})},
                    {MzTestFormat::MzXML, false, false});
    LoadedSpectrum down = ReadMzSpectrum(path, 0);
    EXPECT_EQ(down.x, (std::vector<double>{10, 20, 30}));
    EXPECT_EQ(down.y, (std::vector<double>{1, 2, 3}));
    LoadedSpectrum mixed = ReadMzSpectrum(path, 1);
    EXPECT_EQ(mixed.x, (std::vector<double>{10, 10, 20, 30}));
    EXPECT_EQ(mixed.y, (std::vector<double>{2, 4, 1, 3}));
}

TEST(MzFileTest, RefusalsNameTheCauseAndChangeNothing) {
    TempDir dir;
    ProgramState state;
    OpenSpectrum(state, dir.Write("kept.txt", "\"K\"\r\n\"\"\r\n\"\"\r\n1 1.5\r\n2 2.5\r\n"));
    const std::string run = dir.File("run.mzML");
    WriteMzTestFile(run, SeveralSpectra());
    const std::string centroid = dir.File("centroid.mzML");
    WriteMzTestFile(centroid, {SeveralSpectra()[0]});
    const std::string onePoint = dir.File("one.mzML");
    WriteMzTestFile(onePoint, {Profile("p", {5}, {1})});
    const std::string noMs1 = dir.File("ms2.mzML");
    WriteMzTestFile(noMs1, {SeveralSpectra()[0], SeveralSpectra()[1]});
    const std::string truncated = dir.Write("cut.mzML", ReadWholeFile(run).substr(0, 2500));

    const struct {
        std::string path;
        std::optional<int32_t> index;
        std::string message;
    } cases[] = {
        {centroid, std::nullopt,
         "Спектр 0 (scan=1) файла \"" + centroid +
             "\" центроидный, а обработке нужен профильный спектр."},
        {run, 0,
         "Спектр 0 (scan=1) файла \"" + run +
             "\" центроидный, а обработке нужен профильный спектр."},
        {onePoint, std::nullopt,
         "Спектр 0 (p) файла \"" + onePoint + "\" содержит меньше двух точек."},
        {run, 4, "В файле \"" + run + "\" нет спектра с номером 4: номера от 0 до 3."},
        {run, -1, "В файле \"" + run + "\" нет спектра с номером -1: номера от 0 до 3."},
        {noMs1, std::nullopt,
         "В файле \"" + noMs1 + "\" нет профильного спектра MS1; укажите номер спектра."},
        {dir.Write("empty.mzML", ""), std::nullopt,
         "Файл \"" + dir.File("empty.mzML") + "\" пуст."},
        {dir.Write("text.mzML", "1 2\r\n3 4\r\n"), std::nullopt,
         "Файл \"" + dir.File("text.mzML") + "\" не является файлом mzML или mzXML."},
        {truncated, std::nullopt,
         "Файл \"" + truncated + "\" не удалось прочитать как mzML или mzXML: "},
        {dir.File("kept.txt"), 1,
         "Текстовый файл \"" + dir.File("kept.txt") + "\" содержит один спектр, номер 0."},
    };
    for (const auto& c : cases) {
        const std::string message = MessageOf([&] { OpenSpectrum(state, c.path, c.index); });
        EXPECT_EQ(message.substr(0, c.message.size()), c.message);
        EXPECT_EQ(state.Points.PointX, (std::vector<double>{1, 2}));
        EXPECT_EQ(state.CurveTitle, " K");
        EXPECT_EQ(state.MaxYDecimals, 1);
    }
    EXPECT_EQ(MessageOf([&] { SpectraToChooseFrom(truncated); }).rfind("Файл \"" + truncated, 0),
              0u);
    // A broken attribute on which the library itself crashes (found by the fuzzer): the program
    // goes on with its spectrum.
    const std::string crashing = std::string(OSTREL_FUZZ_DIR) +
                                 "/regressions/mz_reader/broken_attribute_crashes_the_library.mzML";
    EXPECT_EQ(MessageOf([&] {
                  SpectraToChooseFrom(crashing);
              }).rfind("Файл \"" + crashing + "\" не удалось прочитать как mzML или mzXML: ", 0),
              0u);
    EXPECT_EQ(state.Points.PointX, (std::vector<double>{1, 2}));
}

// A run of centroided spectra (OpenMS's BSA1.mzML holds 1,684 of them) offers nothing the
// processing takes: refused before the chooser opens, while `list` still lists it.
TEST(MzFileTest, ARunWithoutAProfileMs1SpectrumIsRefusedBeforeTheChooser) {
    TempDir dir;
    const std::string peaks = dir.File("BSA1.mzML");
    std::vector<MzTestSpectrum> spectra;
    for (int i = 0; i < 3; ++i)
        spectra.push_back({"scan=" + std::to_string(i + 1),
                           {400, 500.5},
                           {10, 20},
                           1 + i % 2,
                           true,
                           1501.41394042969 + i});
    WriteMzTestFile(peaks, spectra);
    const std::string ms2 = dir.File("ms2.mzML");
    WriteMzTestFile(ms2, {SeveralSpectra()[0], SeveralSpectra()[1]});
    EXPECT_EQ(MessageOf([&] { SpectraToChooseFrom(peaks); }),
              "В файле \"" + peaks +
                  "\" нет профильного спектра MS1 (спектров: 3, из них центроидных: 3), а "
                  "обработке нужен профильный спектр MS1.");
    EXPECT_EQ(MessageOf([&] { SpectraToChooseFrom(ms2); }),
              "В файле \"" + ms2 +
                  "\" нет профильного спектра MS1 (спектров: 2, из них центроидных: 1), а "
                  "обработке нужен профильный спектр MS1.");
    const BatchRun list = Batch({"list", peaks});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out,
              "0\tscan=1\t1\t1501.41\t2\tcentroid\n"
              "1\tscan=2\t2\t1502.41\t2\tcentroid\n"
              "2\tscan=3\t1\t1503.41\t2\tcentroid\n");
}

TEST(MzFileTest, OpenSpectrumTakesTheTitleAndTheScaling) {
    TempDir dir;
    const std::string path = dir.File("s.mzML");
    WriteMzTestFile(path, {Profile("scan=1", {1, 2, 3}, {0.5, 2, 3})});
    ProgramState state;
    state.Format.SetSeparator(',');
    const OpenSpectrumResult opened = OpenSpectrum(state, path);
    EXPECT_TRUE(opened.titleRead);
    EXPECT_EQ(state.CurveTitle, "s.mzML scan=1");
    EXPECT_EQ(state.Points.PointY, (std::vector<double>{500, 2000, 3000}));
    EXPECT_EQ(state.MaxYDecimals, 1);
    EXPECT_EQ(state.Format.Separator(), '.');
}

// An example spectrum as an instrument would export it: the points of its text file, as they
// stand there, in a 64-bit zlib mzML.
void ExportAsMzML(const std::string& text, const std::string& mz) {
    MzTestSpectrum exported{"scan=1", {}, {}, 1, false, 0};
    std::istringstream lines(ReadWholeFile(text));
    int32_t decimals = 0;
    PointLine point;
    PointLineError error;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '"') continue;
        ASSERT_TRUE(ParsePointLine(line.substr(0, kLineLength), decimals, point, error)) << line;
        exported.mz.push_back(point.x);
        exported.intensity.push_back(point.y);
    }
    WriteMzTestFile(mz, {exported}, {MzTestFormat::IndexedMzML, true, false});
}

std::string Peaks(const std::string& file) {
    const BatchRun run = Batch({"peaks", file, "--height", "1000000"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_GT(run.out.size(), 200u);
    return run.out;
}

TEST(MzFileTest, AnExportedSpectrumGivesTheTextFilesResults) {
    TempDir dir;
    const std::string text = std::string(OSTREL_EXAMPLES_DIR) + "/pftba_R3000.txt";
    ExportAsMzML(text, dir.File("pftba.mzML"));
    EXPECT_EQ(Peaks(dir.File("pftba.mzML")), Peaks(text));
}

// Its masses have three decimals, so "Сохранить..." writes them exactly.
TEST(MzFileTest, AnMzSpectrumSavedAsTextGivesTheSameResults) {
    TempDir dir;
    const std::string text = std::string(OSTREL_EXAMPLES_DIR) + "/hydrocarbon_R3000.txt";
    const std::string mz = dir.File("hydrocarbon.mzML");
    ExportAsMzML(text, mz);
    const BatchRun saved = Batch({"points", mz, "--out", dir.File("saved.txt")});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out.substr(0, saved.out.find('\n')), "\"hydrocarbon.mzML scan=1\"");
    const std::string fromMz = Peaks(mz);
    EXPECT_EQ(fromMz, Peaks(text));
    EXPECT_EQ(Peaks(dir.File("saved.txt")), fromMz);
}

// 32-bit arrays give every intensity a tail of decimals: the spectrum holds whole thousandths, so
// that its text file reopens to the same intensities instead of 1000 times larger ones.
TEST(MzFileTest, A32BitSpectrumSavedAsTextReopensToTheSameIntensities) {
    TempDir dir;
    const std::string mz = dir.File("s32.mzML");
    WriteMzTestFile(mz, {Profile("scan=1", {100.123456789, 100.2, 100.3}, {1234.5678, 1.3, 7})},
                    {MzTestFormat::IndexedMzML, true, true});
    ProgramState opened, reopened;
    OpenSpectrum(opened, mz);
    EXPECT_EQ(opened.Points.PointY, (std::vector<double>{1234568, 1300, 7000}));
    WriteToFile(dir.File("s.txt"), opened.CurveTitle, opened.Points, opened.Format);
    OpenSpectrum(reopened, dir.File("s.txt"));
    EXPECT_EQ(reopened.Points.PointY, opened.Points.PointY);
    EXPECT_EQ(reopened.MaxYDecimals, 0);
    for (int i = 0; i < 3; ++i)  // the text file holds masses to five decimals
        EXPECT_NEAR(reopened.Points.PointX[i], opened.Points.PointX[i], 5e-6);
}

TEST(MzFileTest, BatchListsTheSpectraAndTakesTheSpectrumOption) {
    TempDir dir;
    const std::string run = dir.File("run.mzML");
    WriteMzTestFile(run, SeveralSpectra());
    const BatchRun list = Batch({"list", run});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out,
              "0\tscan=1\t1\t1.50\t3\tcentroid\n"
              "1\tscan=2\t2\t3.00\t4\tprofile\n"
              "2\tscan=3\t1\t4.50\t2\tprofile\n"
              "3\tscan=4\t1\t6.00\t2\tprofile\n");
    EXPECT_EQ(Batch({"points", run}).out,
              "\"run.mzML scan=3\"\n\"\"\n\"\"\n30.00000     8\n31.00000     9\n");
    EXPECT_EQ(Batch({"points", run, "--spectrum", "3"}).out.substr(0, 18), "\"run.mzML scan=4\"\n");

    const struct {
        std::vector<std::string> args;
        int status;
    } errors[] = {
        {{"points", run, "--spectrum", "0"}, 1},  // centroided
        {{"points", run, "--spectrum", "x"}, 1},
        {{"zones", run, "--spectrum", "9"}, 1},
        {{"list", dir.Write("a.txt", "1 2\r\n3 4\r\n")}, 1},
        {{"list", run, "--spectrum", "1"}, 2},
        {{"list"}, 2},
    };
    for (const auto& e : errors) {
        const BatchRun r = Batch(e.args);
        EXPECT_EQ(r.status, e.status) << e.args[0] << " " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_NE(Batch({"--help"}).out.find("list FILE"), std::string::npos);
}

}  // namespace
}  // namespace ostrel
