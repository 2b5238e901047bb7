#include "extension/single_copy_depth.h"

#include <algorithm>
#include <memory>
#include <string>

#include "base/worker_pool.h"
#include "seq/nucleotide.h"

namespace lorvex {
namespace {

// One strand of one sequence and the cycles replayed along it.
struct Replay {
    size_t sequence = 0;
    bool reverse = false;
    int32_t cycles = 0;
};

// Every sequence with a cycle to replay contributes up to cyclesPerStrand per
// strand. When that comes to more than cyclesInAll, only every k-th of them
// is replayed, and the last replay is cut where the budget ends.
std::vector<Replay> PlanReplays(const std::vector<std::string_view>& sequences, int32_t maxDistance,
                                const DepthSampling& sampling) {
    std::vector<Replay> eligible;
    int64_t total = 0;
    for (size_t i = 0; i < sequences.size(); ++i) {
        const int64_t available = static_cast<int64_t>(sequences[i].size()) - maxDistance;
        if (available <= 0) continue;
        const int32_t cycles =
            static_cast<int32_t>(std::min<int64_t>(available, sampling.cyclesPerStrand));
        eligible.push_back({i, false, cycles});
        total += cycles * (sampling.bothStrands ? 2 : 1);
    }
    const int64_t budget = std::max<int64_t>(sampling.cyclesInAll, 1);
    const size_t every = static_cast<size_t>((total + budget - 1) / budget);
    std::vector<Replay> planned;
    int64_t left = budget;
    for (size_t k = 0; k < eligible.size() && left > 0; k += std::max<size_t>(every, 1)) {
        for (const bool reverse : {false, true}) {
            if (reverse && !sampling.bothStrands) continue;
            Replay replay = eligible[k];
            replay.reverse = reverse;
            replay.cycles = static_cast<int32_t>(std::min<int64_t>(replay.cycles, left));
            if (replay.cycles <= 0) break;
            left -= replay.cycles;
            planned.push_back(replay);
        }
    }
    return planned;
}

std::vector<int32_t> RunReplay(const Replay& replay, const std::vector<std::string_view>& sequences,
                               const RunInputs& inputs, const ExtensionRules& rules) {
    const std::string_view sequence = sequences[replay.sequence];
    if (!replay.reverse) return ReplayedVoteTotals(sequence, replay.cycles, inputs, rules);
    // The reverse strand's first bases are the complement of the last ones.
    const size_t used = std::min(sequence.size(),
                                 static_cast<size_t>(rules.parameters.maxDistance) + replay.cycles);
    std::string strand(sequence.substr(sequence.size() - used));
    ReverseComplement(strand.data(), static_cast<int32_t>(strand.size()));
    return ReplayedVoteTotals(strand, replay.cycles, inputs, rules);
}

// Runs the replays on `threads` threads. The first failure stops the others
// and is rethrown.
std::vector<std::vector<int32_t>> RunReplays(const std::vector<Replay>& replays,
                                             const std::vector<std::string_view>& sequences,
                                             const RunInputs& inputs, const ExtensionRules& rules,
                                             unsigned threads) {
    std::vector<std::vector<int32_t>> totals(replays.size());
    ForEachItem(replays.size(), threads, [&](size_t item, unsigned) {
        totals[item] = RunReplay(replays[item], sequences, inputs, rules);
    });
    return totals;
}

double Median(std::vector<int32_t>& values) {
    if (values.empty()) return 0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    if (values.size() % 2 == 1) return values[middle];
    const int32_t below = *std::max_element(values.begin(), values.begin() + middle);
    return (static_cast<double>(below) + values[middle]) / 2;
}

}  // namespace

std::vector<int32_t> ReplayedVoteTotals(std::string_view strand, int32_t cycles,
                                        const RunInputs& inputs, const ExtensionRules& rules) {
    const int32_t maxDistance = rules.parameters.maxDistance;
    const int32_t readLength = inputs.table.layout.readLength;
    const int64_t windows = WindowCount(rules.variant, rules.parameters, readLength);
    const int64_t available = static_cast<int64_t>(strand.size()) - maxDistance;
    std::vector<int32_t> totals;
    if (windows <= 0 || available <= 0 || cycles <= 0 ||
        WindowPastEnd(rules.variant, rules.parameters, readLength))
        return totals;
    const int64_t count = std::min<int64_t>(cycles, available);
    std::string contig(strand.substr(0, static_cast<size_t>(maxDistance)));
    const std::unique_ptr<ExtensionCycles> replay =
        rules.makeCycles({inputs, maxDistance, rules.variant, static_cast<size_t>(windows),
                          RunAnchor(rules.variant, rules.parameters, readLength)});
    replay->Start(contig);
    totals.reserve(static_cast<size_t>(count));
    for (int64_t cycle = 0; cycle < count; ++cycle) {
        if (cycle > 0) {
            contig.push_back(strand[contig.size()]);
            replay->AfterAppend(contig);
        }
        totals.push_back(replay->Votes(contig).Total());
    }
    return totals;
}

DepthEstimate EstimateSingleCopyDepth(const std::vector<std::string_view>& sequences,
                                      const RunInputs& inputs, const ExtensionRules& rules,
                                      const DepthSampling& sampling) {
    const std::vector<Replay> replays =
        PlanReplays(sequences, rules.parameters.maxDistance, sampling);
    std::vector<int32_t> totals;
    for (const std::vector<int32_t>& replayed :
         RunReplays(replays, sequences, inputs, rules, sampling.threads))
        totals.insert(totals.end(), replayed.begin(), replayed.end());
    DepthEstimate estimate;
    estimate.cycles = static_cast<int64_t>(totals.size());
    estimate.median = Median(totals);
    if (estimate.cycles >= sampling.leastCycles && estimate.median > 0)
        estimate.depth = estimate.median;
    return estimate;
}

}  // namespace lorvex
