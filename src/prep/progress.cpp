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
    const double seconds = line_.SecondsSinceStart();
    const uint64_t rate = seconds > 0 ? static_cast<uint64_t>(pairsRead / seconds) : 0;
    line_.Show("reading: " + Counted(pairsRead, "pair") + " read, " + WithThousands(pairsKept) +
               " kept, " + WithThousands(rate) + " pairs/s");
}

void ProgressMeter::Grouping(uint64_t linesWritten, uint64_t totalLines) {
    if (!line_.Due()) return;
    const uint64_t percent = totalLines ? linesWritten * 100 / totalLines : 100;
    line_.Show("grouping: " + WithThousands(linesWritten) + " of " + WithThousands(totalLines) +
               " table lines written (" + std::to_string(percent) + "%)");
}

}  // namespace lorvex::prep
