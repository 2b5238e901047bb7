#include "run/run_summary.h"

#include "tool/peak_memory.h"

namespace lorvex {

std::string SecondsTaken(double seconds) {
    return " in " + FixedText(seconds, 1) + " s";
}

std::string SummaryEnd(const GuardSetting* guard) {
    return (guard ? "; " + GuardSummary(*guard) : std::string()) + PeakMemorySuffix() + "\n";
}

}  // namespace lorvex
