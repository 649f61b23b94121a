// The composition of a pass's peaks as the road takes it: the records fed to the composition,
// the settings read from the page's texts, the step's place in the state and its reset, and the
// texts of the page, the hover marks and the generic table exports.
#include "reference/pass_composition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "measured_cases.h"
#include "reference/composition_text.h"
#include "reference/isotopes.h"
#include "reference/theory_charts.h"
#include "results/html_report.h"
#include "results/results_table.h"
#include "results/table_copy.h"
#include "state/errors.h"
#include "state/spectrum_road.h"

namespace ostrel {
namespace {

// A fitted record at the ion mass of a formula (plus its +1 satellite's offset and ratio when
// asked), with a background A that makes the table's height B − A differ from B.
PeakResult Record(const char* formula, double modelB, bool satellite = false) {
    const Formula f = ParseFormula(formula);
    const IsotopePattern pattern = PredictIsotopes(f);
    PeakResult p;
    p.centre = IonMass(f) + (satellite ? pattern.shift[1].offset : 0);
    p.leftX = p.centre - 0.05;
    p.rightX = p.centre + 0.05;
    p.modelB = satellite ? modelB * pattern.shift[1].ratio : modelB;
    p.modelA = 1000;  // the same background under a tall peak and under its satellite
    p.background = p.modelA;
    p.height = p.modelB - p.modelA;
    p.resolvingPower = 3000;
    // A, B, C, D: each a value the composition must not mistake for another.
    p.errors = {0.3 * p.modelB, 0.01 * p.modelB, 50, 0.0001};
    p.iterations = 5;
    p.points = 40;
    return p;
}

TEST(ComposePeakOfTest, FeedsTheCentreTheFitsOwnAmplitudeAndTheirErrors) {
    const PeakResult r = Record("CF3", 200000);
    const ComposePeak c = ComposePeakOf(r);
    EXPECT_EQ(c.mass, r.centre);
    EXPECT_EQ(c.massError, r.errors[3]);
    EXPECT_EQ(c.height, r.modelB);
    EXPECT_NE(c.height, r.height);
    EXPECT_EQ(c.heightError, r.errors[1]);
    EXPECT_EQ(c.resolvingPower, 3000);
    EXPECT_TRUE(c.usable);
}

TEST(ComposePeakOfTest, ProblemPeaksAndNonsenseFitsAreNotUsable) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        void (*spoil)(PeakResult&);
    } cases[] = {
        {"problem", [](PeakResult& p) { p.status = PeakStatus::Problem; }},
        {"B zero", [](PeakResult& p) { p.modelB = 0; }},
        {"B negative", [](PeakResult& p) { p.modelB = -5; }},
        {"R zero", [](PeakResult& p) { p.resolvingPower = 0; }},
        {"R negative", [](PeakResult& p) { p.resolvingPower = -3000; }},
        {"centre NaN", [](PeakResult& p) { p.centre = kNaN; }},
        {"B infinite", [](PeakResult& p) { p.modelB = kInf; }},
        {"R NaN", [](PeakResult& p) { p.resolvingPower = kNaN; }},
        {"centre's error infinite", [](PeakResult& p) { p.errors[3] = kInf; }},
        {"B's error NaN", [](PeakResult& p) { p.errors[1] = kNaN; }},
        {"centre beyond its window", [](PeakResult& p) { p.centre = p.rightX + 0.01; }},
    };
    for (const auto& c : cases) {
        PeakResult p = Record("CF3", 200000);
        c.spoil(p);
        EXPECT_FALSE(IsUsableFit(p)) << c.what;
        EXPECT_FALSE(ComposePeakOf(p).usable) << c.what;
    }
    EXPECT_TRUE(IsUsableFit(Record("CF3", 200000)));
}

// The satellite agrees only with the fit's own amplitudes: the heights less the background
// would put it at half its ratio; a centre known to 2 mmu widens its window; a problem peak and a
// nonsense fit get nothing.
TEST(ComposePassTest, ComposesTheRecordsAsTheFitLeftThem) {
    PeakResults peaks = {Record("CF3", 200000), Record("CF3", 200000, true), Record("C2F4", 24000),
                         Record("C3F5", 90000), Record("C4F9", 120000)};
    peaks[2].errors[3] = 0.002;
    peaks[3].status = PeakStatus::Problem;
    peaks[4].modelB = -10;
    ComposeSettings settings;
    settings.elements = ParseElementRanges("C1-20,N0-4,F0-45");
    const PassComposition pass = SpectrumRoad::ComposeOf(peaks, 1000, settings);
    ASSERT_EQ(pass.peaks.size(), peaks.size());
    EXPECT_EQ(pass.options.detectionHeight, 1000);
    EXPECT_EQ(pass.options.elements, settings.elements);
    EXPECT_EQ(pass.options.widenByOwnError, kWidenWeakPeaksByOwnError);

    ASSERT_FALSE(pass.peaks[0].candidates.empty());
    const CompositionCandidate& cf3 = pass.peaks[0].candidates.front();
    EXPECT_EQ(CandidateText(cf3), "CF3+");
    EXPECT_EQ(cf3.satellites[0].state, SatelliteState::Found);
    EXPECT_DOUBLE_EQ(cf3.satellites[0].observedRatio, peaks[1].modelB / peaks[0].modelB);
    EXPECT_TRUE(cf3.satellites[0].consistent);
    ASSERT_FALSE(pass.peaks[1].candidates.empty());
    EXPECT_EQ(CandidateText(pass.peaks[1].candidates.front()), "13C-CF3+");

    EXPECT_EQ(pass.peaks[0].windowMmu, 2);
    EXPECT_NEAR(pass.peaks[2].windowMmu, 6, 1e-9);  // three tolerances at most
    EXPECT_EQ(CandidateText(pass.peaks[2].candidates.front()), "C2F4+");
    for (size_t k : {3u, 4u}) {
        EXPECT_FALSE(pass.peaks[k].usable) << k;
        EXPECT_TRUE(pass.peaks[k].candidates.empty()) << k;
    }
}

TEST(ComposeSettingsTest, TheDefaultsAndTheTextsTheFieldsShow) {
    const NumberFormat comma(','), dot('.');
    const ComposeSettings defaults;
    EXPECT_EQ(ElementsText(defaults), "C1-100,H0-200,N0-4,O0-6,F0-45,S0-2");
    EXPECT_EQ(ToleranceText(defaults, dot), "2");
    EXPECT_EQ(ParseComposeSettings(ElementsText(defaults), "2", dot), defaults);

    const ComposeSettings taken = ParseComposeSettings(" C1-30, F0-61 ,Cl0-3", "0,5", comma);
    EXPECT_EQ(ElementsText(taken), "C1-30,F0-61,Cl0-3");
    EXPECT_EQ(taken.toleranceMmu, 0.5);
    EXPECT_EQ(ToleranceText(taken, comma), "0,5");
    EXPECT_EQ(ParseComposeSettings("C1-10", "50", dot).toleranceMmu, 50);
}

TEST(ComposeSettingsTest, TextsThatCannotBeTakenAreRefusedWithTheirText) {
    const NumberFormat dot('.');
    const struct {
        const char *elements, *tolerance, *message;
    } refused[] = {
        {"C1-10,Xe0-2", "2", "Элементы \"C1-10,Xe0-2\" не прочитаны: "},
        {"C1-10,H", "2", "Элементы \"C1-10,H\" не прочитаны: "},
        {"", "2", "Элементы \"\" не прочитаны: "},
        {"C1-10", "0", "Допуск \"0\" не прочитан: нужно число mmu больше 0 и не больше 50."},
        {"C1-10", "50.5", "Допуск \"50.5\" не прочитан: "},
        {"C1-10", "-1", "Допуск \"-1\" не прочитан: "},
        {"C1-10", "2 mmu", "Допуск \"2 mmu\" не прочитан: "},
        {"C1-10", "", "Допуск \"\" не прочитан: "},
        {"C1-10", "2,5", "Допуск \"2,5\" не прочитан: "},  // the run's separator is "."
    };
    for (const auto& r : refused) {
        try {
            ParseComposeSettings(r.elements, r.tolerance, dot);
            ADD_FAILURE() << r.elements << " " << r.tolerance;
        } catch (const CommandError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(r.message, 0), 0u) << e.what();
        }
    }
}

// The step on a real pass: the choice is kept for the run, the composition goes with the peaks.
class SpectrumRoadComposeTest : public ::testing::Test {
  protected:
    ProgramState state;
    SpectrumRoad road{state};

    void SetUp() override {
        state.Format.SetSeparator('.');
        road.Open(::ostrel::testing::ExampleFile("small_hydrocarbon.txt"));
        road.LastPass(road.Preliminary(PreliminarySettings{}).suggestion.height);
        ASSERT_FALSE(state.Peaks.empty());
    }
};

TEST_F(SpectrumRoadComposeTest, ComposesThePeaksAndClearAllResetsTheCompositionOnly) {
    EXPECT_TRUE(state.Composition.peaks.empty());  // the batch's pass composes nothing itself
    ComposeSettings settings;
    settings.elements = ParseElementRanges("C1-20,H0-50");
    settings.toleranceMmu = 5;
    road.Compose(settings);
    EXPECT_EQ(state.ComposeChoice, settings);
    ASSERT_EQ(state.Composition.peaks.size(), state.Peaks.size());
    EXPECT_EQ(state.Composition.options.detectionHeight, state.FirstPeakHeight);
    EXPECT_EQ(state.Composition.options.toleranceMmu, 5);
    int named = 0;
    for (const PeakComposition& pc : state.Composition.peaks)
        named += pc.candidates.empty() ? 0 : 1;
    EXPECT_GT(named, 0);

    for (int mode : {kClearForLoad, kClearForPreliminary, kClearForLastPass}) {
        road.Compose(settings);
        const ClearedParts cleared = ClearAll(state, mode);
        EXPECT_TRUE(cleared.Has(DerivedPart::Composition)) << mode;
        EXPECT_TRUE(state.Composition.peaks.empty()) << mode;
        EXPECT_EQ(state.ComposeChoice, settings) << mode;  // the choice stays for the run
        road.LastPass(state.FirstPeakHeight);
    }
}

TEST_F(SpectrumRoadComposeTest, APassTakesTheCompositionMadeForItsPeaksOnly) {
    const ComposeSettings settings;
    PassOutcome outcome;
    outcome.peaks = state.Peaks;
    outcome.composition = SpectrumRoad::ComposeOf(outcome.peaks, state.FirstPeakHeight, settings);
    road.AcceptPass(outcome);
    EXPECT_EQ(state.Composition.peaks.size(), state.Peaks.size());

    outcome.composition.peaks.pop_back();  // made for other peaks
    road.AcceptPass(outcome);
    EXPECT_TRUE(state.Composition.peaks.empty());

    // A composition of other peaks is not taken over either; the settings are.
    ComposeSettings other;
    other.toleranceMmu = 3;
    road.AcceptComposition(other, SpectrumRoad::ComposeOf({}, 0, other));
    EXPECT_TRUE(state.Composition.peaks.empty());
    EXPECT_EQ(state.ComposeChoice, other);
}

PeakComposition ComposedCF3() {
    const PeakResults peaks = {Record("CF3", 200000), Record("CF3", 200000, true)};
    return SpectrumRoad::ComposeOf(peaks, 1000, ComposeSettings{}).peaks[0];
}

TEST(CompositionPageTextTest, ARowNamesTheBestFormulaWithItsChecks) {
    const NumberFormat f('.');
    const PeakComposition cf3 = ComposedCF3();
    ASSERT_FALSE(cf3.candidates.empty());
    const std::vector<std::string> cells = CompositionPageCells("69", "68.994660", cf3, false, f);
    ASSERT_EQ(cells.size(), CompositionPageHeaderCells().size());
    EXPECT_EQ(cells[0], "69");
    EXPECT_EQ(cells[2], "CF3+");
    EXPECT_EQ(cells[3], "0.00");
    EXPECT_EQ(cells[5], "0.5");
    EXPECT_EQ(cells[6], "чётноэлектронный");
    EXPECT_EQ(cells[7], "13C: 1.1 % из 1.1 %");
    EXPECT_EQ(cells[9], OtherCandidatesText(cf3, f));

    PeakComposition none = cf3;
    none.candidates.clear();
    EXPECT_EQ(CompositionPageCells("69", "x", none, false, f)[2], kNothingWithinToleranceText);
    EXPECT_EQ(CompositionPageCells("69", "x", PeakComposition{}, false, f)[2], kUnsoundFitText);
    const std::vector<std::string> problem = CompositionPageCells("51", "Ошибка", {}, true, f);
    EXPECT_EQ(problem, (std::vector<std::string>{"51", "Ошибка", "", "", "", "", "", "", "", ""}));

    EXPECT_EQ(CompositionMarkLine(cf3, f), "CF3+ (0.00 mmu)");
    EXPECT_EQ(CompositionMarkLine(none, f), "");
    EXPECT_EQ(CandidatesCaption("68.994660", PeakComposition{}, f),
              "Пик 68.994660 не подогнан надёжно: формулы не искались");
    EXPECT_EQ(CandidatesCaption("68.994660", cf3, f).rfind("Формулы пика 68.994660: ", 0), 0u);

    const std::vector<std::string> candidate = CandidateCells(cf3.candidates.front(), f);
    ASSERT_EQ(candidate.size(), CandidateHeaderCells().size());
    EXPECT_EQ(candidate[0], "CF3+");
    EXPECT_EQ(candidate[1], f.Fixed(IonMass(ParseFormula("CF3")), 6));
    EXPECT_EQ(candidate[8], SatelliteCheckText(cf3.candidates.front().satellites[0], f));
}

TEST(CompositionPageTextTest, EachSatelliteStateInAFewWords) {
    const NumberFormat f('.');
    SatelliteCheck check;
    check.label = "13C";
    check.predictedRatio = 0.0433;
    check.observedRatio = 0.042;
    const struct {
        SatelliteState state;
        const char* text;
    } cases[] = {{SatelliteState::Found, "13C: 4.2 % из 4.3 %"},
                 {SatelliteState::Missing, "13C: нет, ожидается 4.3 %"},
                 {SatelliteState::NotExpected, "13C: ниже видимого"},
                 {SatelliteState::HiddenByProblem, "13C: скрыт"},
                 {SatelliteState::Covered, "13C: скрыт"}};
    for (const auto& c : cases) {
        check.state = c.state;
        EXPECT_EQ(SatelliteAgreementText(check, f), c.text);
    }
    check.state = SatelliteState::Found;
    check.predictedRatio = 0.0007;
    check.observedRatio = 0.0009;
    EXPECT_EQ(SatelliteAgreementText(check, f), "13C: 0.09 % из 0.07 %");
    check.label.clear();
    check.state = SatelliteState::NotExpected;
    EXPECT_EQ(SatelliteAgreementText(check, f), "+1: ниже видимого");
}

TEST(CompositionPageTextTest, TheHoverMarkAddsTheFormulaWhenThereIsOne) {
    const NumberFormat f('.');
    const PeakResult r = Record("CF3", 200000);
    const PeakComposition cf3 = ComposedCF3();
    EXPECT_EQ(MarkText(r, nullptr, f), MarkText(r, f));
    EXPECT_EQ(MarkText(r, &cf3, f), MarkText(r, f) + "\rCF3+ (0.00 mmu)");
    const PeakComposition none;
    EXPECT_EQ(MarkText(r, &none, f), MarkText(r, f));
}

// The rows of the page and of `ostrel-batch compose` follow the results table's rows.
TEST(CompositionPageTextTest, RowsFollowTheResultsTable) {
    const NumberFormat f('.');
    PeakResults peaks = {Record("CF3", 200000), Record("CF3", 200000, true)};
    peaks.push_back(peaks[0]);
    peaks[2].centre = 99.99;
    peaks[2].status = PeakStatus::Problem;
    peaks.push_back(Record("C2F4", 24000));
    peaks[3].modelB = -5;  // a fit gone astray
    const PassComposition pass = SpectrumRoad::ComposeOf(peaks, 0, ComposeSettings{});
    const ResultsGrid table = ResultsTable(peaks, f);
    const CompositionRows page = CompositionPageRows(table, peaks, pass.peaks, f);
    const CompositionRows lines = CompositionLines(table, pass.peaks, f);
    ASSERT_EQ(page.size(), 5u);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(page[0], CompositionPageHeaderCells());
    EXPECT_EQ(lines[0], CompositionHeaderCells());
    for (int32_t r = 1; r <= 4; ++r) {
        EXPECT_EQ(page[r][0], table.Cell(0, r));
        EXPECT_EQ(page[r][1], table.Cell(1, r));
        EXPECT_EQ(lines[r],
                  CompositionLineCells(table.Cell(0, r), table.Cell(1, r), pass.peaks[r - 1], f));
    }
    EXPECT_EQ(page[1][2], "CF3+");
    EXPECT_EQ(page[3][1], "Ошибка");
    EXPECT_EQ(page[3][2], "");
    EXPECT_EQ(page[4][2], kUnsoundFitText);
    EXPECT_EQ(lines[4][2], "");  // the batch's line leaves it empty
    // Nothing composed: the header alone.
    EXPECT_EQ(CompositionPageRows(table, peaks, {}, f).size(), 1u);
}

TEST(TextTableTest, AnyTableAsTabSeparatedTextAndAsAnHtmlPage) {
    const std::vector<std::vector<std::string>> rows = {
        {"M", "Формула", "x"}, {"69", "CF3+", "<b>"}, {"70"}};
    EXPECT_EQ(TableText(TableOf(rows), "\n"), "M\tФормула\tx\n69\tCF3+\t<b>\n70\t\t\n");
    const std::vector<std::string> page =
        HtmlTableLines(TableOf(rows), "Проба", HtmlLook::Plain, {true, true, false}, {10, 20});
    const auto has = [&](const std::string& line) {
        return std::find(page.begin(), page.end(), line) != page.end();
    };
    EXPECT_TRUE(has("    <TH WIDTH=15>M</TH> "));
    EXPECT_TRUE(has("    <TD WIDTH=25>CF3+</TD> "));
    EXPECT_TRUE(has("    <TD WIDTH=25></TD> "));           // the short row's missing cell
    EXPECT_FALSE(has("    <TD WIDTH=5>&lt;b&gt;</TD> "));  // not chosen
    EXPECT_TRUE(has("    <TITLE>Проба</TITLE>"));
}

}  // namespace
}  // namespace ostrel
