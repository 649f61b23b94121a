#include "results/results_table.h"

#include <algorithm>
#include <cmath>

#include "processing/last_pass.h"
#include "processing/pass_refinement.h"
#include "state/messages.h"
#include "state/number_format.h"

namespace ostrel {

namespace {

using L = long double;

// The cells of one row, left to right, written into the table's row.
class RowWriter {
  public:
    RowWriter(ResultsGrid& grid, int32_t row, const NumberFormat& format)
        : grid_(grid), row_(row), format_(format) {}
    void Text(std::string text) { grid_.SetCell(column_++, row_, std::move(text)); }
    void Fixed(double value, int32_t decimals) { Text(format_.Fixed(value, decimals)); }
    void Skip() { ++column_; }

  private:
    ResultsGrid& grid_;
    int32_t row_;
    int32_t column_ = 0;
    const NumberFormat& format_;
};

}  // namespace

double MassExcess(double mass) {
    const double nearest = std::nearbyint(mass);  // the default rounding: halves to even
    return static_cast<double>((L(mass) - nearest) * 1000);
}

ResultsGrid ResultsTable(const PeakResults& peaks, const NumberFormat& f) {
    ResultsGrid grid;
    grid.SetRowCount(1 + std::max<int32_t>(1, static_cast<int32_t>(peaks.size())));
    WriteGridHeaders(grid);
    double previousMe = 0;  // of the last fitted peak; row 1 has no peak before it
    for (size_t i = 0; i < peaks.size(); ++i) {
        const PeakResult& p = peaks[i];
        RowWriter row(grid, static_cast<int32_t>(i) + 1, f);
        row.Text(std::to_string(NominalMass(p.centre)));
        if (p.IsProblem()) {
            row.Text("Ошибка");
            for (int c = 2; c <= 10; ++c) row.Text(" ");
            row.Fixed(p.points, 0);
            continue;
        }
        const double me = MassExcess(p.centre);
        row.Fixed(p.centre, 6);
        row.Fixed(p.errors[3], 6);
        row.Fixed(me, 2);
        if (i == 0)
            row.Skip();
        else
            row.Fixed(static_cast<double>(L(me) - previousMe), 1);
        row.Fixed(p.resolvingPower, 0);
        row.Fixed(p.errors[2], 1);
        row.Fixed(p.background, 1);
        row.Fixed(p.height, 1);
        row.Fixed(static_cast<double>(L(p.stdErr) / p.height), 2);
        row.Fixed(p.iterations, 0);
        row.Fixed(p.points, 0);
        previousMe = me;
    }
    return grid;
}

std::string ResultsPageTitle(const std::string& curveTitle, bool refined) {
    return refined ? curveTitle + " (" + kRefinedPassNote + ")" : curveTitle;
}

std::vector<std::string> MassListLines(const PeakResults& peaks, const NumberFormat& f) {
    std::vector<std::string> lines;
    lines.reserve(peaks.size());
    for (const PeakResult& p : peaks) lines.push_back(MassListLine(p, f));
    return lines;
}

std::string MassListLine(const PeakResult& peak, const NumberFormat& f) {
    // A problem peak has no height of its own: its fixed 1 would read as a real, tiny peak.
    return f.Fixed(peak.centre, 1) + ",  " +
           (peak.IsProblem() ? "Ошибка" : f.Fixed(peak.height, 0));
}

}  // namespace ostrel
