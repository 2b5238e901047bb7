#include "prep/progress.h"

#include <string>

#include "base/number_text.h"

namespace lorvex::prep {
namespace {

// Reading the clock for every pair would cost more than the pair itself.
constexpr uint32_t pairsPerClockCheck = 4096;

}  // namespace

void ProgressMeter::Reading(uint64_t pairsRead, uint64_t pairsKept) {
    if (!line_.Due(pairsPerClockCheck)) return;
    line_.Show("reading: " + Counted(pairsRead, "pair") + " read, " + WithThousands(pairsKept) +
               " kept, " + RateText(pairsRead, line_.SecondsSinceStart(), "pairs/s"));
}

void ProgressMeter::Grouping(uint64_t linesWritten, uint64_t totalLines) {
    if (!line_.Due()) return;
    const uint64_t percent = totalLines ? linesWritten * 100 / totalLines : 100;
    line_.Show("grouping: " + WithThousands(linesWritten) + " of " + WithThousands(totalLines) +
               " table lines written (" + std::to_string(percent) + "%)");
}

}  // namespace lorvex::prep
