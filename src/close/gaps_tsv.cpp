#include "close/gaps_tsv.h"

#include "run/stop_words.h"

namespace lorvex::close {

std::string GapRowsHeader() {
    return "record\tgap\tstart\tlength\tstatus\tclosed_length\tleft_bases\tright_bases\toverlap\t"
           "left_stop\tright_stop\treason\n";
}

std::string SideStopLabel(const SideOutcome& side) {
    return side.stop ? StopLabel(*side.stop, {"flank-too-short", "far-flank"}) : "-";
}

std::string GapRow(const std::string& record, size_t gapNumber, const GapOutcome& outcome) {
    const bool placed = outcome.join.verdict == JoinVerdict::Joined;
    return record + "\t" + std::to_string(gapNumber) + "\t" +
           std::to_string(outcome.gap.start + 1) + "\t" + std::to_string(outcome.gap.length) +
           "\t" + (outcome.closed() ? "closed" : "open") + "\t" +
           (placed ? std::to_string(outcome.join.fillLength) : "") + "\t" +
           std::to_string(outcome.left.bases.size()) + "\t" +
           std::to_string(outcome.right.bases.size()) + "\t" +
           (placed ? std::to_string(outcome.join.overlap) : "") + "\t" +
           SideStopLabel(outcome.left) + "\t" + SideStopLabel(outcome.right) + "\t" +
           OpenReasonLabel(outcome.open) + "\n";
}

}  // namespace lorvex::close
