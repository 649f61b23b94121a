#include "results/results_assembly.h"

#include <chrono>

#include "processing/last_pass.h"

namespace ostrel {

AssembledResults AssembleResults(const PeakResults& peaks) {
    for (const PeakResult& p : peaks) NominalMass(p.centre);
    AssembledResults a;
    StandartCH(a.reference, peaks);
    StandartCF(a.reference, peaks);
    CreateTeoriaCH(a.theory, a.reference, peaks);
    CreateTeoriaCF(a.theory, a.reference, peaks);
    return a;
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

}  // namespace ostrel
