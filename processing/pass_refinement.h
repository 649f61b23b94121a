// The refinement after the last pass, as the road takes it: its input made from the pass's
// records, and its answer made into records again, so that every view of the results shows the
// refined peaks as it shows the pass's.
#pragma once

#include <vector>

#include "fitting/peak_refinement.h"
#include "processing/peak_result.h"

namespace ostrel {

struct Spectrum;

// One entry per record, in their order: the window's ends as the pass found them, a problem
// peak as a failed fit, the model's own A and B, its C, D and their errors.
std::vector<RefinementPeak> RefinementPeaksOfPass(const Spectrum& spectrum,
                                                  const PeakResults& peaks);

// The records with the refinement's answer. A peak it left alone keeps its record bit for bit. A
// refitted peak takes its place as a fitted peak (origin Refitted); a split one is replaced by
// its two components in ascending mass (origin Component). The peaks of one joint fit share a
// group: the index of the group's first record. A refined record's height is B − A and its
// background A (the window's lowest point when A is not positive), as the pass's are; its
// standard error is that of the window's own points about the components of its row and A.
PeakResults RefinedResults(const Spectrum& spectrum, const PeakResults& pass,
                           const PeakRefinement& refinement);

// What a refined pass changed: records fitted again, records that are components of a split
// peak, problem peaks left.
struct RefinementCounts {
    int32_t refitted = 0;
    int32_t components = 0;
    int32_t problems = 0;
};
RefinementCounts CountsOf(const PeakResults& refined);

// The choice on "Настройка" and what it does.
inline constexpr const char* kRefineChoiceTooltip =
    "После последней обработки подобрать заново пики, подгонка которых не удалась,\r"
    "подогнать вместе перекрывающиеся соседние пики и разделить слитые пары.\r"
    "Уточнённые строки таблицы отмечены.";
// What the results and their exports say of a refined pass.
inline constexpr const char* kRefinedPassNote = "Пики уточнены после последней обработки";

}  // namespace ostrel
