// The single-copy depth: how many votes a cycle gets where the contig's end
// lies in one copy of the genome, the measure the repeat guard holds splits
// against. It is the product of two measures that copies cannot bias:
// - how many pairs one anchor window holds in single-copy sequence, from the
//   table's own first reads: a sample spread over the whole table, each read
//   looked up as a window. The other pairs on a sampled read's window follow
//   a Poisson law around the per-window rate in single-copy sequence and
//   around a multiple of it in repeats; the rate is fitted where the counts
//   are densest, from the windows that hold at least one other pair (reads
//   with errors hold none, whatever the depth);
// - how many votes a cycle gets per pair and window, from replaying sequence
//   that is already known (a batch's seeds, a scaffold's flanks): the cycles
//   start on a sequence's first maxDistance bases and count each cycle's
//   votes and queued mates exactly as an extension does, but take the
//   sequence's own next base. Both grow alike with the copies, so known
//   sequence that lies in a repeat leaves the ratio as it is.
// The estimate is the lower of that product and the median of the replayed
// vote totals: the fit errs upward where many of the table's reads lie in
// repeats, the median where many of the known sequences do. Where the
// table's sample gives no rate the median alone is the estimate.
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
    int64_t leastCycles = 200;   // fewer: no estimate
    int64_t tableReads = 20000;  // first reads sampled from the table; 0: none
    unsigned threads = 1;
};

// One replayed cycle: its votes and the mates its queue set held.
struct ReplayedCycle {
    int32_t votes = 0;
    int64_t mates = 0;
};

struct DepthEstimate {
    int64_t cycles = 0;           // cycles replayed
    double median = 0;            // of their vote totals; 0 without cycles
    double votesPerAnchor = 0;    // median of votes x windows / queued mates
    double anchorsPerWindow = 0;  // from the table's sample; 0: none
    // The median, when at least leastCycles cycles were replayed and it is
    // above 0.
    std::optional<double> depth;
};

// The vote totals of the first `cycles` replayed cycles along `strand`, at
// most strand.size() - maxDistance of them; none when the distances give no
// window or put one past the contig's end. Throws InputError.
std::vector<ReplayedCycle> ReplayedCycles(std::string_view strand, int32_t cycles,
                                          const RunInputs& inputs, const ExtensionRules& rules);
std::vector<int32_t> ReplayedVoteTotals(std::string_view strand, int32_t cycles,
                                        const RunInputs& inputs, const ExtensionRules& rules);

// How many other pairs each of `reads` first reads, spread evenly over the
// table, shares its anchor window with by the anchor rule (the run's own, so
// that the rate counts the pairs its cycles select, those with a mismatch
// allowed past the key included; reads whose window holds no pair, such as
// reads with an N in the prefix, are left out).
std::vector<int32_t> SampledWindowPairs(const RunInputs& inputs, const AnchorRule& anchor,
                                        int64_t reads, unsigned threads);

// The per-window rate of single-copy sequence fitted to such counts: the
// counts of 1 or more up to a bound above the densest count, taken as a
// Poisson law cut below 1. 0 with fewer than 20 such counts.
double AnchorsPerWindow(const std::vector<int32_t>& otherPairs);

DepthEstimate EstimateSingleCopyDepth(const std::vector<std::string_view>& sequences,
                                      const RunInputs& inputs, const ExtensionRules& rules,
                                      const DepthSampling& sampling);

}  // namespace lorvex
