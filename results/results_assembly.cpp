#include "results/results_assembly.h"

#include <chrono>
#include <cmath>

#include "fitting/peak_fit.h"
#include "processing/last_pass.h"
#include "reference/reference_ions.h"
#include "reference/theory_charts.h"
#include "state/number_format.h"
#include "state/program_state.h"
#include "state/results_grid.h"

namespace ostrel {

namespace {

using L = long double;

bool IsProblemPeak(double height) {
    return height == kProblemPeakHeight;
}

}  // namespace

double MassExcess(double mass) {
    const double nearest = std::nearbyint(mass);  // the default rounding: halves to even
    return static_cast<double>((L(mass) - nearest) * 1000);
}

void WriteResultRows(ResultsGrid& grid, const PeakTables& p, const NumberFormat& f) {
    double previousMe = 0;
    for (int32_t i = 0; i < p.PeakCount(); ++i) {
        const int32_t row = i + 1;
        grid.GridColumn = 0;
        GridPutText(grid, std::to_string(NominalMass(p.PeakM[i])), row);
        if (IsProblemPeak(p.PeakV[i])) {
            GridPutText(grid, "Ошибка", row);
            for (int c = 2; c <= 10; ++c) GridPutText(grid, " ", row);
            GridPutFloat(grid, 0, row, p.PeakKol[i], f);
            continue;
        }
        const double me = MassExcess(p.PeakM[i]);
        GridPutFloat(grid, 6, row, p.PeakM[i], f);
        GridPutFloat(grid, 6, row, p.PeakErr[i][3], f);
        GridPutFloat(grid, 2, row, me, f);
        if (i == 0)
            ++grid.GridColumn;
        else
            GridPutFloat(grid, 1, row, static_cast<double>(L(me) - previousMe), f);
        GridPutFloat(grid, 0, row, p.PeakR[i], f);
        GridPutFloat(grid, 1, row, p.PeakErr[i][2], f);
        GridPutFloat(grid, 1, row, p.PeakA[i], f);
        GridPutFloat(grid, 1, row, p.PeakV[i], f);
        GridPutFloat(grid, 2, row, static_cast<double>(L(p.PeakStdErr[i]) / p.PeakV[i]), f);
        GridPutFloat(grid, 0, row, p.PeakIter[i], f);
        GridPutFloat(grid, 0, row, p.PeakKol[i], f);
        previousMe = me;
    }
}

std::vector<std::string> MassListLines(const PeakTables& p, const NumberFormat& f) {
    std::vector<std::string> lines;
    lines.reserve(p.PeakCount());
    for (int32_t i = 0; i < p.PeakCount(); ++i)
        lines.push_back(f.Fixed(p.PeakM[i], 1) + ",  " + f.Fixed(p.PeakV[i], 0));
    return lines;
}

CurvePoints FittedCurves(const PeakTables& p) {
    CurvePoints c;
    for (int32_t i = 0; i < p.PeakCount(); ++i) {
        // A fitted peak is drawn from its own model A + B·exp(−t²); a problem peak from the
        // table's values, as it has no model of its own.
        const bool problem = IsProblemPeak(p.PeakV[i]);
        const L base = problem ? L(p.PeakA[i]) : L(p.FittedA[i]);
        const L amplitude = problem ? L(p.PeakV[i]) - p.PeakA[i] : L(p.FittedB[i]);
        for (int j = 0; j <= 10000; ++j) {
            const double x = static_cast<double>(L(p.PeakLeftX[i]) + L(j) / 1000);
            if (x > p.PeakRightX[i]) break;
            const L t = L(kWidthFactor) * p.PeakR[i] * (L(p.PeakM[i]) / x - 1);
            const double y = static_cast<double>(base + amplitude * std::exp(-(t * t)));
            // At x = 0 (a spectrum may hold that mass) the shape has no value: the curve has a
            // gap there rather than a point that is not a number.
            if (!std::isfinite(y)) continue;
            c.x.push_back(x);
            c.y.push_back(y);
        }
    }
    return c;
}

int64_t ElapsedTicks(uint32_t startTick, uint32_t nowTick) {
    return static_cast<int64_t>(nowTick) - static_cast<int64_t>(startTick);
}

uint32_t TickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string LastPassDoneMessage() {
    return "Последняя обработка завершена.\r\rКол-во проблемных пиков\r"
           "Вы можете узнать на вкладке \"Тестирование\".\r";
}

void AssembleReferenceAndTheory(ProgramState& state) {
    StandartCH(state.Reference, state.Peaks);
    StandartCF(state.Reference, state.Peaks);
    CreateTeoriaCH(state.Theory, state.Reference, state.Peaks);
    CreateTeoriaCF(state.Theory, state.Reference, state.Peaks);
}

}  // namespace ostrel
