#include "batch/batch_runner.h"

#include <functional>
#include <map>
#include <optional>

#include "processing/last_pass.h"
#include "processing/preliminary.h"
#include "processing/stage_builders.h"
#include "results/results_assembly.h"
#include "state/clear_all.h"
#include "state/errors.h"
#include "state/messages.h"
#include "state/points_file.h"
#include "state/program_state.h"

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
    "  zones FILE [--kolusred N]      строки списка \"Высоты зон пиков\"\n"
    "  peaks FILE --height H [--kolusred N]\n"
    "                                 таблица результатов последней обработки\n"
    "  fit FILE --height H --peak K [--kolusred N]\n"
    "                                 итерации подгонки пика K (с 0) и его номинальная масса\n"
    "\n"
    "  --help      эта справка\n"
    "  --version   версия программы\n";

struct UsageError {
    std::string message;
};

struct Invocation {
    std::string file;
    std::map<std::string, std::string> options;

    std::optional<std::string> Option(const std::string& name) const {
        auto it = options.find(name);
        if (it == options.end()) return std::nullopt;
        return it->second;
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
            if (i + 1 >= args.size()) throw UsageError{"параметру " + a + " нужно значение"};
            inv.options[a] = args[++i];
        } else if (inv.file.empty()) {
            inv.file = a;
        } else {
            throw UsageError{"лишний аргумент " + a};
        }
    }
    if (inv.file.empty()) throw UsageError{"не указан файл спектра"};
    return inv;
}

int RunPoints(const Invocation& inv, std::ostream& out, std::ostream&) {
    ProgramState state;
    state.Format.SetSeparator('.');
    OpenSpectrum(state, inv.file);
    if (auto path = inv.Option("--out"))
        WriteToFile(*path, state.CurveTitle, state.Points, state.Format);
    out << SpectrumFileText(state.CurveTitle, state.Points.PointX, state.Points.PointY,
                            state.Format, "\n");
    return 0;
}

// The window's "Предварительная" after the load, with KolUsred from --kolusred (150 by default).
void RunPreliminary(ProgramState& state, const Invocation& inv) {
    AcceptPreliminarySettings(state, inv.Option("--kolusred").value_or("150"), KrivoMnText(state));
    ClearAll(state, kClearForPreliminary);
    BuildStage1(state);
    BuildStage2(state);
    BuildStage3(state);
    BuildStage4(state);
    BuildSlope(state);
    OtsortVysota(state.Stages.Zones);
}

int RunZones(const Invocation& inv, std::ostream& out, std::ostream&) {
    ProgramState state;
    state.Format.SetSeparator('.');
    OpenSpectrum(state, inv.file);
    RunPreliminary(state, inv);
    for (const std::string& line : ZoneListLines(state.Stages.Zones, state.Format))
        out << line << "\n";
    return 0;
}

std::string RequiredOption(const Invocation& inv, const std::string& name) {
    auto value = inv.Option(name);
    if (!value) throw UsageError{"нужен параметр " + name};
    return *value;
}

struct LastPassRun {
    ProgramState state;
    PeakFitState fit;
    int64_t milliseconds = 0;
};

// The window's road up to the end of "Последняя": load, preliminary processing, the height,
// the slope list, the pass, the results rows.
void RunLastPassRoad(const Invocation& inv, LastPassRun& run) {
    ProgramState& state = run.state;
    state.Format.SetSeparator('.');
    WriteGridHeaders(state.Grid);
    const std::string heightText = RequiredOption(inv, "--height");
    OpenSpectrum(state, inv.file);
    RunPreliminary(state, inv);
    state.FirstPeakHeight = ParseFirstPeakHeight(heightText);
    ClearAll(state, kClearForLastPass);
    BuildSlope(state);
    const uint32_t start = TickCount();
    const std::string failure =
        RunLastPass(state.Points, state.Stages.Stage1, state.Stages.Slope, run.fit, state.Format,
                    state.Peaks, {}, PassThreads::Two);
    run.milliseconds = ElapsedTicks(start, TickCount());
    if (!failure.empty()) throw CommandError(failure);
    WriteResultRows(state.Grid, state.Peaks, state.Format);
}

int RunPeaks(const Invocation& inv, std::ostream& out, std::ostream& err) {
    LastPassRun run;
    RunLastPassRoad(inv, run);
    const ResultsGrid& grid = run.state.Grid;
    for (int32_t r = 0; r < grid.RowCount(); ++r) {
        for (int32_t c = 0; c < grid.ColCount(); ++c) out << (c ? "\t" : "") << grid.Cell(c, r);
        out << "\n";
    }
    err << "peaks " << run.state.Peaks.PeakCount() << ", problem " << run.fit.ProblemPeakCount
        << ", time " << run.milliseconds << " ms\n";
    return 0;
}

int RunFit(const Invocation& inv, std::ostream& out, std::ostream&) {
    const std::string peakText = RequiredOption(inv, "--peak");
    LastPassRun run;
    RunLastPassRoad(inv, run);
    const int32_t k = NumberFormat::ParseInt(peakText);
    PeakFitState single;  // the window's own fit context
    single.Cur.FitPeakNumber = run.fit.Cur.FitPeakNumber;
    FitLog log;
    const SinglePeakResult result =
        ProcessOnePeak(run.state.Points, run.state.Stages.Stage1, run.state.Stages.Slope,
                       run.state.Peaks, k, single, run.state.Format, log);
    for (const std::string& line : log.iterations) out << line << "\n";
    out << "nominal mass " << result.SinglePeakMass << "\n";
    return 0;
}

struct Subcommand {
    std::vector<std::string> options;
    std::function<int(const Invocation&, std::ostream&, std::ostream&)> run;
};

const std::map<std::string, Subcommand>& Subcommands() {
    static const std::map<std::string, Subcommand> table = {
        {"points", {{"--out"}, RunPoints}},
        {"zones", {{"--kolusred"}, RunZones}},
        {"peaks", {{"--kolusred", "--height"}, RunPeaks}},
        {"fit", {{"--kolusred", "--height", "--peak"}, RunFit}},
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
        Invocation inv = ParseArguments(args, it->second.options);
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
