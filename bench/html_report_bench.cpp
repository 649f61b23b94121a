// The HTML page of a 2,000-row results table, written to a file as "Информация" > "HTML" does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>

#include "results/html_report.h"
#include "state/messages.h"
#include "state/number_format.h"

namespace ostrel::bench {
namespace {

// A header row and 2,000 peak rows with texts as long as the last pass writes them.
ResultsGrid TwoThousandRows() {
    ResultsGrid grid;
    WriteGridHeaders(grid);
    grid.SetRowCount(2001);
    const int decimals[12] = {0, 6, 6, 2, 1, 0, 1, 1, 1, 2, 0, 0};
    for (int32_t r = 1; r <= 2000; ++r) {
        const double mass = 20 + r * 0.49 + 0.0123;
        const double values[12] = {
            std::floor(mass), mass,   0.000123, 12.34, -3.2, 2987, 45.6, 51.2,
            15230.4,          0.0123, 7,        160};
        for (int32_t c = 0; c < 12; ++c) {
            std::string text;
            AppendFixed(text, values[c], decimals[c], '.');
            grid.SetCell(c, r, text);
        }
    }
    return grid;
}

void BM_WriteHtmlPage2000Rows(benchmark::State& st) {
    const ResultsGrid grid = TwoThousandRows();
    ColumnWidths widths;
    widths.fill(70);
    const std::string path =
        (std::filesystem::temp_directory_path() / "ostrel-bench-page.htm").string();
    const HtmlLook look = st.range(0) ? HtmlLook::Improved : HtmlLook::Plain;
    for (auto _ : st) WriteToHTML(path, grid, "benchmark spectrum", look, kAllColumns, widths);
    st.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteHtmlPage2000Rows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrel::bench
