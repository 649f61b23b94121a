#include "batch/batch_runner.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

#include "batch/html_options.h"
#include "formats/mz_file.h"
#include "reference/auto_pairing.h"
#include "reference/calibration_list.h"
#include "reference/composition_text.h"
#include "reference/pass_composition.h"
#include "reference/reference_ions.h"
#include "reference/theory_charts.h"
#include "results/html_report.h"
#include "results/peak_doubts.h"
#include "results/results_table.h"
#include "state/errors.h"
#include "state/points_file.h"
#include "state/program_state.h"
#include "state/spectrum_road.h"

#ifndef OSTREL_VERSION
#define OSTREL_VERSION "0"
#endif

namespace ostrel {

namespace {

constexpr const char* kUsage =
    "Использование: ostrel-batch ПОДКОМАНДА ФАЙЛ [параметры]\n"
    "\n"
    "Подкоманды:\n"
    "  points FILE [--out OUT]        спектр в виде файла \"Сохранить...\"\n"
    "  zones FILE [--kolusred N] [--suggest]\n"
    "                                 строки списка \"Высоты зон пиков\" или только\n"
    "                                 предлагаемая высота первого не помехового пика\n"
    "  peaks FILE --height H [--kolusred N]\n"
    "                                 таблица результатов последней обработки\n"
    "  fit FILE --height H --peak K [--kolusred N]\n"
    "                                 итерации подгонки пика K (с 0) и его номинальная масса\n"
    "  chlist FILE --height H [--kolusred N]\n"
    "                                 список CH для Excel\n"
    "  reflist FILE --height H [--boxes 1000] [--family ch|cf] [--kolusred N]\n"
    "                                 строки списка \"Стандартные массы\"\n"
    "  theory FILE --height H [--kolusred N]\n"
    "                                 точки графиков \"Теория CH\" и \"Теория CF\"\n"
    "  calibrate FILE --height H --fit line|parabola --pair K=MASS... [--kolusred N]\n"
    "            [--out OUT]          калибровка по пикам K (с 0) с истинными массами MASS\n"
    "  html FILE --height H --look 0|1 [--columns 111111111111] [--widths W0,...,W11]\n"
    "       [--kolusred N] [--out OUT]\n"
    "                                 страница HTML таблицы результатов (вид 0 или 1)\n"
    "  autocal FILE --height H --refs pftba|cf|ch|LIST [--tolerance MMU] [--fit line|parabola]\n"
    "          [--kolusred N] [--out OUT]\n"
    "                                 автоматическая калибровка по эталонным ионам\n"
    "  compose FILE --height H [--elements C1-100,H0-200,N0-4,O0-6,F0-45,S0-2]\n"
    "          [--tolerance MMU] [--kolusred N]\n"
    "                                 элементный состав каждого пика: лучшая формула, её\n"
    "                                 ошибка (mmu), DBE и другие формулы\n"
    "  list FILE                      спектры файла mzML или mzXML, по строке на спектр\n"
    "\n"
    "  --spectrum N   спектр N (с 0) файла mzML или mzXML; без него первый профильный MS1\n"
    "  --refine       после последней обработки уточнить пики: подобрать заново неудавшиеся,\n"
    "                 подогнать вместе перекрывающиеся, разделить слитые пары\n"
    "\n"
    "  --help      эта справка\n"
    "  --version   версия программы\n";

struct UsageError {
    std::string message;
};

struct Invocation {
    std::string file;
    std::map<std::string, std::vector<std::string>> options;  // every value, in order

    // The last value given.
    std::optional<std::string> Option(const std::string& name) const {
        auto it = options.find(name);
        if (it == options.end()) return std::nullopt;
        return it->second.back();
    }
    std::vector<std::string> Options(const std::string& name) const {
        auto it = options.find(name);
        return it == options.end() ? std::vector<std::string>() : it->second;
    }
};

Invocation ParseArguments(const std::vector<std::string>& args,
                          const std::vector<std::string>& allowed) {
    Invocation inv;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) == 0) {
            bool known = false;
            for (const auto& name : allowed) known = known || name == a;
            if (!known) throw UsageError{"неизвестный параметр " + a};
            if (a == "--suggest" || a == "--refine") {  // the switches without a value
                inv.options[a].push_back("");
                continue;
            }
            if (i + 1 >= args.size()) throw UsageError{"параметру " + a + " нужно значение"};
            inv.options[a].push_back(args[++i]);
        } else if (inv.file.empty()) {
            inv.file = a;
        } else {
            throw UsageError{"лишний аргумент " + a};
        }
    }
    if (inv.file.empty()) throw UsageError{"не указан файл спектра"};
    return inv;
}

// The window's "Открыть..." of FILE; for an mzML or mzXML file, of the spectrum --spectrum N.
void OpenFile(SpectrumRoad& road, const Invocation& inv) {
    std::optional<int32_t> index;
    if (auto text = inv.Option("--spectrum")) index = NumberFormat::ParseInt(*text);
    road.Open(inv.file, index);
}

int RunList(const Invocation& inv, std::ostream& out, std::ostream&) {
    const NumberFormat format('.');
    for (const MzSpectrumRow& row : ListMzSpectra(inv.file)) {
        const std::vector<std::string> cells = MzListCells(row, format);
        for (size_t c = 0; c < cells.size(); ++c) out << (c ? "\t" : "") << cells[c];
        out << "\n";
    }
    return 0;
}

// The state of one run: the decimal separator "." from the start, as the window has it after the
// first load.
struct BatchRun {
    ProgramState state;
    SpectrumRoad road{state};

    BatchRun() { state.Format.SetSeparator('.'); }
};

int RunPoints(const Invocation& inv, std::ostream& out, std::ostream&) {
    BatchRun run;
    const ProgramState& state = run.state;
    OpenFile(run.road, inv);
    if (auto path = inv.Option("--out"))
        WriteToFile(*path, state.CurveTitle, state.Points, state.Format);
    out << SpectrumFileText(state.CurveTitle, state.Points.PointX, state.Points.PointY,
                            state.Format, "\n");
    return 0;
}

// The window's "Предварительная" after the load, with KolUsred from --kolusred.
PreliminaryResult RunPreliminary(SpectrumRoad& road, const Invocation& inv) {
    PreliminarySettings settings;
    if (auto text = inv.Option("--kolusred")) settings = ParseKolUsred(*text);
    return road.Preliminary(settings);
}

int RunZones(const Invocation& inv, std::ostream& out, std::ostream&) {
    BatchRun run;
    OpenFile(run.road, inv);
    const PreliminaryResult zones = RunPreliminary(run.road, inv);
    if (inv.Option("--suggest")) {
        out << zones.suggestion.height << "\n";
        return 0;
    }
    for (const std::string& line : zones.zoneLines) out << line << "\n";
    return 0;
}

std::string RequiredOption(const Invocation& inv, const std::string& name) {
    auto value = inv.Option(name);
    if (!value) throw UsageError{"нужен параметр " + name};
    return *value;
}

// The window's road up to the end of "Последняя": load, preliminary processing, the height, the
// pass on both cores and its results.
struct LastPassRun : BatchRun {
    PassCounters counters;
};

void RunLastPassRoad(const Invocation& inv, LastPassRun& run) {
    const std::string heightText = RequiredOption(inv, "--height");
    OpenFile(run.road, inv);
    RunPreliminary(run.road, inv);
    PassOptions options;
    options.refine = inv.Option("--refine").has_value();
    run.counters = run.road.LastPass(ParseFirstPeakHeight(heightText), options);
}

void PrintLines(std::ostream& out, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) out << line << "\n";
}

void PrintGrid(std::ostream& out, const ResultsGrid& grid) {
    for (int32_t r = 0; r < grid.RowCount(); ++r) {
        for (int32_t c = 0; c < grid.ColCount(); ++c) out << (c ? "\t" : "") << grid.Cell(c, r);
        out << "\n";
    }
}

int RunPeaks(const Invocation& inv, std::ostream& out, std::ostream& err) {
    LastPassRun run;
    RunLastPassRoad(inv, run);
    PrintGrid(out, ResultsTable(run.state.Peaks, run.state.Format));
    err << "peaks " << run.state.Peaks.size() << ", problem " << run.counters.problemCount
        << ", time " << run.counters.milliseconds << " ms";
    if (run.counters.refined)
        err << ", refined: " << run.counters.refitted << " fitted again, "
            << run.counters.components << " components of split peaks";
    err << "\n";
    return 0;
}

int RunFit(const Invocation& inv, std::ostream& out, std::ostream&) {
    const std::string peakText = RequiredOption(inv, "--peak");
    LastPassRun run;
    RunLastPassRoad(inv, run);
    const int32_t k = NumberFormat::ParseInt(peakText);
    PeakFitState single;  // the window's own fit context
    FitLog log;
    const SinglePeakResult result = run.road.FitOnePeak(k, single, log);
    for (const std::string& line : log.iterations) out << line << "\n";
    PrintLines(out,
               RefinementGroupLines(run.state.Peaks, static_cast<size_t>(k), run.state.Format));
    out << "nominal mass " << result.SinglePeakMass << "\n";
    return 0;
}

int RunCHList(const Invocation& inv, std::ostream& out, std::ostream&) {
    LastPassRun run;
    RunLastPassRoad(inv, run);
    PrintLines(out, CHListLines(run.state.Reference, run.state.Format));
    return 0;
}

StandardListChoice ChoiceOf(const Invocation& inv) {
    const std::string boxes = inv.Option("--boxes").value_or("1000");
    const std::string family = inv.Option("--family").value_or("ch");
    const bool digits =
        std::all_of(boxes.begin(), boxes.end(), [](char c) { return c == '0' || c == '1'; });
    if ((boxes.size() != 4 && boxes.size() != 5) || !digits)
        throw CommandError("Недопустимое значение --boxes: " + boxes +
                           " (четыре или пять цифр 0 и 1).");
    if (family != "ch" && family != "cf")
        throw CommandError("Недопустимое значение --family: " + family + " (ch или cf).");
    StandardListChoice choice;
    choice.molecular = boxes[0] == '1';
    choice.oneSplitOff = boxes[1] == '1';
    choice.twoSplitOff = boxes[2] == '1';
    choice.fullList = boxes[3] == '1';
    choice.allExisting = boxes.size() == 5 && boxes[4] == '1';
    choice.cf = family == "cf";
    return choice;
}

int RunRefList(const Invocation& inv, std::ostream& out, std::ostream&) {
    const StandardListChoice choice = ChoiceOf(inv);
    LastPassRun run;
    RunLastPassRoad(inv, run);
    PrintLines(out, StandardMassLines(run.state.Reference, choice, run.state.Format));
    return 0;
}

int RunTheory(const Invocation& inv, std::ostream& out, std::ostream&) {
    LastPassRun run;
    RunLastPassRoad(inv, run);
    const TheoryCharts& t = run.state.Theory;
    const NumberFormat& f = run.state.Format;
    // Each block is named after the chart series that draws it.
    const std::pair<const char*, const TheorySeries*> blocks[] = {{"Series9", &t.chSaw},
                                                                  {"Series10", &t.chPeaks},
                                                                  {"Series12", &t.cfSaw},
                                                                  {"Series13", &t.cfPeaks}};
    for (const auto& [name, series] : blocks) {
        out << name << "\n";
        for (int32_t i = 0; i < series->Count(); ++i)
            out << f.Shortest(series->x[i]) << "\t" << f.Shortest(series->y[i]) << "\n";
    }
    return 0;
}

// "K=MASS": a line of "Все массы" and the true mass typed for it.
std::pair<int32_t, std::string> PairOf(const std::string& text) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos)
        throw CommandError("Недопустимое значение --pair: " + text + " (нужно K=MASS).");
    try {
        return {NumberFormat::ParseInt(text.substr(0, eq)), text.substr(eq + 1)};
    } catch (const CommandError&) {
        throw CommandError("Недопустимое значение --pair: " + text + " (нужно K=MASS).");
    }
}

// The fit named by --fit, when given.
std::optional<CurveDegree> FitOption(const Invocation& inv) {
    const auto fit = inv.Option("--fit");
    if (!fit) return std::nullopt;
    if (*fit != "line" && *fit != "parabola")
        throw CommandError("Недопустимое значение --fit: " + *fit + " (line или parabola).");
    return *fit == "line" ? CurveDegree::Line : CurveDegree::Parabola;
}

void PrintCurveAndSpectrum(std::ostream& out, const Invocation& inv, const ProgramState& state) {
    if (auto path = inv.Option("--out"))
        WriteToFile(*path, state.CurveTitle, state.Points, state.Format);
    const NumberFormat& f = state.Format;
    out << "a=" << f.Shortest(state.Curve.CurveA) << " b=" << f.Shortest(state.Curve.CurveB)
        << " c=" << f.Shortest(state.Curve.CurveC) << "\n";
}

int RunCalibrate(const Invocation& inv, std::ostream& out, std::ostream&) {
    RequiredOption(inv, "--fit");
    const CurveDegree fit = *FitOption(inv);
    std::vector<std::pair<int32_t, std::string>> pairs;
    for (const std::string& p : inv.Options("--pair")) pairs.push_back(PairOf(p));
    LastPassRun run;
    RunLastPassRoad(inv, run);
    ProgramState& state = run.state;
    for (const auto& [peak, trueMass] : pairs) {
        if (peak < 0 || peak >= static_cast<int32_t>(state.Peaks.size()))
            throw CommandError("В списке \"Все массы\" нет строки " + std::to_string(peak) + ".");
        const AddResult added = AddCalibrationPeak(state.Calibration, peak);
        if (added.message) throw CommandError(*added.message);
        if (auto message = GiveTypedMass(state.Calibration, added.position, trueMass, state.Format))
            throw CommandError(*message);
    }
    run.road.MakeCalibrationPoints();
    if (fit == CurveDegree::Line)
        run.road.FitCalibrationLine();
    else
        run.road.FitCalibrationParabola();
    run.road.Recalculate();
    PrintCurveAndSpectrum(out, inv, state);
    out << SpectrumFileText(state.CurveTitle, state.Points.PointX, state.Points.PointY,
                            state.Format, "\n");
    return 0;
}

// "Подобрать автоматически" with the reference ions of --refs, "Создать кривую", the fit chosen
// by the pairing (or --fit), "Пересчитать данные".
int RunAutocal(const Invocation& inv, std::ostream& out, std::ostream&) {
    const std::string refs = RequiredOption(inv, "--refs");
    AutoCalibrationSettings settings;
    settings.degree = FitOption(inv);
    if (auto tolerance = inv.Option("--tolerance"))
        settings.toleranceMmu = NumberFormat('.').ParseReal(*tolerance);
    LastPassRun run;
    RunLastPassRoad(inv, run);
    const AutoCalibrationResult pairing = run.road.PairAutomatically(refs, settings);
    if (pairing.Refused()) throw CommandError(pairing.refusal);
    run.road.MakeCalibrationPoints();
    if (pairing.degree == CurveDegree::Line)
        run.road.FitCalibrationLine();
    else
        run.road.FitCalibrationParabola();
    run.road.Recalculate();
    PrintLines(out, AutoCalibrationLines(pairing.pairs, run.state.Curve, run.state.Format));
    PrintCurveAndSpectrum(out, inv, run.state);
    return 0;
}

// "Информация" > "HTML" (--look 0) or "HTML (усовершен.)" (--look 1) after "Последняя"; all
// columns and 64 pixels a column unless given.
int RunHtml(const Invocation& inv, std::ostream& out, std::ostream&) {
    const HtmlLook look = ParseHtmlLook(RequiredOption(inv, "--look"));
    const ColumnChoice chosen = ParseColumnChoice(inv.Option("--columns").value_or("111111111111"));
    ColumnWidths widths;
    widths.fill(64);
    if (auto text = inv.Option("--widths")) widths = ParseColumnWidths(*text);
    LastPassRun run;
    RunLastPassRoad(inv, run);
    const ProgramState& state = run.state;
    const ResultsGrid grid = ResultsTable(state.Peaks, state.Format);
    if (auto path = inv.Option("--out"))
        WriteToHTML(*path, grid, ResultsPageTitle(state.CurveTitle, state.PeaksRefined), look,
                    chosen, widths);
    out << JoinLines(HtmlReportLines(grid, ResultsPageTitle(state.CurveTitle, state.PeaksRefined),
                                     look, chosen, widths),
                     "\n");
    return 0;
}

// The composition of every peak after "Последняя" with the elements and the tolerance given (the
// defaults of the page "Состав" otherwise), read before the road so that a bad text stops at once.
int RunCompose(const Invocation& inv, std::ostream& out, std::ostream&) {
    const NumberFormat dot('.');
    const ComposeSettings defaults;
    const ComposeSettings settings =
        ParseComposeSettings(inv.Option("--elements").value_or(ElementsText(defaults)),
                             inv.Option("--tolerance").value_or(ToleranceText(defaults, dot)), dot);
    LastPassRun run;
    RunLastPassRoad(inv, run);
    run.road.Compose(settings);
    const ProgramState& state = run.state;
    for (const std::vector<std::string>& cells : CompositionLines(
             ResultsTable(state.Peaks, state.Format), state.Composition.peaks, state.Format)) {
        for (size_t c = 0; c < cells.size(); ++c) out << (c ? "\t" : "") << cells[c];
        out << "\n";
    }
    return 0;
}

struct Subcommand {
    std::vector<std::string> options;
    std::function<int(const Invocation&, std::ostream&, std::ostream&)> run;
    bool opensSpectrum = true;  // takes --spectrum for the spectrum of an mzML or mzXML file
};

const std::map<std::string, Subcommand>& Subcommands() {
    static const std::map<std::string, Subcommand> table = {
        {"points", {{"--out"}, RunPoints}},
        {"zones", {{"--kolusred", "--suggest"}, RunZones}},
        {"peaks", {{"--kolusred", "--height", "--refine"}, RunPeaks}},
        {"fit", {{"--kolusred", "--height", "--refine", "--peak"}, RunFit}},
        {"chlist", {{"--kolusred", "--height", "--refine"}, RunCHList}},
        {"reflist", {{"--kolusred", "--height", "--refine", "--boxes", "--family"}, RunRefList}},
        {"theory", {{"--kolusred", "--height", "--refine"}, RunTheory}},
        {"calibrate",
         {{"--kolusred", "--height", "--refine", "--fit", "--pair", "--out"}, RunCalibrate}},
        {"html",
         {{"--kolusred", "--height", "--refine", "--look", "--columns", "--widths", "--out"},
          RunHtml}},
        {"autocal",
         {{"--kolusred", "--height", "--refine", "--refs", "--tolerance", "--fit", "--out"},
          RunAutocal}},
        {"compose",
         {{"--kolusred", "--height", "--refine", "--elements", "--tolerance"}, RunCompose}},
        {"list", {{}, RunList, false}},
    };
    return table;
}

}  // namespace

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        out << kUsage;
        return 0;
    }
    if (args[0] == "--version") {
        out << "ostrel-batch " << OSTREL_VERSION << "\n";
        return 0;
    }
    auto it = Subcommands().find(args[0]);
    try {
        if (it == Subcommands().end()) throw UsageError{"неизвестная подкоманда " + args[0]};
        std::vector<std::string> allowed = it->second.options;
        if (it->second.opensSpectrum) allowed.push_back("--spectrum");
        Invocation inv = ParseArguments(args, allowed);
        return it->second.run(inv, out, err);
    } catch (const UsageError& e) {
        err << "ostrel-batch: " << e.message << " (см. ostrel-batch --help)\n";
        return 2;
    } catch (const CommandError& e) {
        err << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << "Ошибка: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace ostrel
