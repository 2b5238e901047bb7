// The single-copy depth: how many votes a cycle gets where the contig's end
// lies in one copy of the genome, the measure the repeat guard holds splits
// against. It is estimated by replaying sequence that is already known (a
// batch's seeds, a scaffold's flanks): the cycles start on a sequence's first
// maxDistance bases and count each cycle's votes exactly as an extension
// does, but then take the sequence's own next base instead of the winner, to
// its end, one lookup per cycle. The estimate is the median of the vote
// totals of all replayed cycles: most sequence is single-copy, so sequences
// that lie in a repeat (deeper) or in a thin stretch do not move it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "extension/extend_contig.h"
#include "extension/run_setup.h"

namespace lorvex {

// How much is replayed. The bounds keep the estimate a small part of a run
// of many long seeds; the sequences replayed are spread evenly over the
// list, and which they are does not depend on the threads.
struct DepthSampling {
    bool bothStrands = false;  // replay each reverse complement too
    int32_t cyclesPerStrand = 1000;
    int64_t cyclesInAll = 200000;
    int64_t leastCycles = 200;  // fewer: no estimate
    unsigned threads = 1;
};

struct DepthEstimate {
    int64_t cycles = 0;  // cycles replayed
    double median = 0;   // of their vote totals; 0 without cycles
    // The median, when at least leastCycles cycles were replayed and it is
    // above 0.
    std::optional<double> depth;
};

// The vote totals of the first `cycles` replayed cycles along `strand`, at
// most strand.size() - maxDistance of them; none when the distances give no
// window or put one past the contig's end. Throws InputError.
std::vector<int32_t> ReplayedVoteTotals(std::string_view strand, int32_t cycles,
                                        const RunInputs& inputs, const ExtensionRules& rules);

DepthEstimate EstimateSingleCopyDepth(const std::vector<std::string_view>& sequences,
                                      const RunInputs& inputs, const ExtensionRules& rules,
                                      const DepthSampling& sampling);

}  // namespace lorvex
