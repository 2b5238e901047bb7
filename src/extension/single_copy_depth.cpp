#include "extension/single_copy_depth.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "base/worker_pool.h"
#include "mates/mate_fetch.h"
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

std::vector<ReplayedCycle> RunReplay(const Replay& replay,
                                     const std::vector<std::string_view>& sequences,
                                     const RunInputs& inputs, const ExtensionRules& rules) {
    const std::string_view sequence = sequences[replay.sequence];
    if (!replay.reverse) return ReplayedCycles(sequence, replay.cycles, inputs, rules);
    // The reverse strand's first bases are the complement of the last ones.
    const size_t used = std::min(sequence.size(),
                                 static_cast<size_t>(rules.parameters.maxDistance) + replay.cycles);
    std::string strand(sequence.substr(sequence.size() - used));
    ReverseComplement(strand.data(), static_cast<int32_t>(strand.size()));
    return ReplayedCycles(strand, replay.cycles, inputs, rules);
}

// Runs the replays on `threads` threads. The first failure stops the others
// and is rethrown.
std::vector<std::vector<ReplayedCycle>> RunReplays(const std::vector<Replay>& replays,
                                                   const std::vector<std::string_view>& sequences,
                                                   const RunInputs& inputs,
                                                   const ExtensionRules& rules, unsigned threads) {
    std::vector<std::vector<ReplayedCycle>> totals(replays.size());
    ForEachItem(replays.size(), threads, [&](size_t item, unsigned) {
        totals[item] = RunReplay(replays[item], sequences, inputs, rules);
    });
    return totals;
}

template <typename Number>
double Median(std::vector<Number>& values) {
    if (values.empty()) return 0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    if (values.size() % 2 == 1) return values[middle];
    const Number below = *std::max_element(values.begin(), values.begin() + middle);
    return (static_cast<double>(below) + values[middle]) / 2;
}

// The mean of a Poisson law of rate r cut to the counts 1 to `bound`.
double CutPoissonMean(double rate, int64_t bound) {
    double weight = 0, sum = 0;
    for (int64_t k = 1; k <= bound; ++k) {
        const double p = std::exp(k * std::log(rate) - rate - std::lgamma(k + 1.0));
        weight += p;
        sum += k * p;
    }
    return weight > 0 ? sum / weight : 1;
}

// The rate whose law cut to 1 .. bound has `mean`, by bisection (the cut
// mean grows with the rate).
double RateForCutMean(double mean, int64_t bound) {
    if (!(mean > 1)) return 0;
    double low = 1e-9, high = 4.0 * bound + 10;
    for (int step = 0; step < 80; ++step) {
        const double rate = (low + high) / 2;
        (CutPoissonMean(rate, bound) < mean ? low : high) = rate;
    }
    return (low + high) / 2;
}

}  // namespace

std::vector<ReplayedCycle> ReplayedCycles(std::string_view strand, int32_t cycles,
                                          const RunInputs& inputs, const ExtensionRules& rules) {
    const int32_t maxDistance = rules.parameters.maxDistance;
    const int32_t readLength = inputs.ReadLength();
    const int64_t windows = WindowCount(rules.variant, rules.parameters, readLength);
    const int64_t available = static_cast<int64_t>(strand.size()) - maxDistance;
    std::vector<ReplayedCycle> totals;
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
        totals.push_back({replay->Votes(contig).Total(), replay->QueuedMates()});
    }
    return totals;
}

std::vector<int32_t> ReplayedVoteTotals(std::string_view strand, int32_t cycles,
                                        const RunInputs& inputs, const ExtensionRules& rules) {
    std::vector<int32_t> totals;
    for (const ReplayedCycle& cycle : ReplayedCycles(strand, cycles, inputs, rules))
        totals.push_back(cycle.votes);
    return totals;
}

namespace {

// The text table's lines evenly spaced, each first read looked up as a window.
std::vector<int32_t> SampledTextPairs(const RunInputs& inputs, const AnchorRule& anchor,
                                      uint64_t reads, unsigned threads) {
    const TableLayout& layout = inputs.table.layout;
    const uint64_t lines = layout.lineSize > 0 ? layout.fileSize / layout.lineSize : 0;
    const uint64_t count = std::min(lines, reads);
    std::vector<int32_t> others(count, -1);
    const unsigned workers = WorkersFor(count, threads);
    std::vector<SelectedMates> selected(workers);
    std::vector<std::vector<char>> blocks(workers);
    ForEachItem(count, workers, [&](size_t item, unsigned worker) {
        const uint64_t line = static_cast<uint64_t>(item) * lines / count;
        ReadTableLines(inputs.table, line * layout.lineSize, 1, blocks[worker]);
        FetchSelectedMates(blocks[worker].data(), inputs.table, inputs.index, anchor,
                           selected[worker]);
        others[item] = selected[worker].count - 1;
    });
    return others;
}

// The compact table's entries evenly spaced, the same way. A first read
// shorter than the compare length is no window of it and is left out: its
// own lookup would gather the reads that begin with fewer bases.
std::vector<int32_t> SampledCompactPairs(const RunInputs& inputs, const AnchorRule& anchor,
                                         uint64_t reads, unsigned threads) {
    const PairTable& table = *inputs.pairs;
    const uint64_t entries = table.EntryCount();
    const uint64_t count = std::min(entries, reads);
    std::vector<int32_t> others(count, -1);
    const unsigned workers = WorkersFor(count, threads);
    std::vector<SelectedMates> selected(workers);
    std::vector<FoundPairs> sampled(workers);
    ForEachItem(count, workers, [&](size_t item, unsigned worker) {
        FoundPairs& entry = sampled[worker];
        entry.Clear();
        table.AppendEntry(static_cast<uint64_t>(item) * entries / count, entry);
        const std::string_view window = entry.Anchor(0);
        if (static_cast<int32_t>(window.size()) < anchor.length) return;
        FetchMates(window.data(), inputs, anchor, selected[worker]);
        others[item] = selected[worker].count - 1;
    });
    return others;
}

}  // namespace

std::vector<int32_t> SampledWindowPairs(const RunInputs& inputs, const AnchorRule& anchor,
                                        int64_t reads, unsigned threads) {
    const uint64_t wanted = static_cast<uint64_t>(std::max<int64_t>(reads, 0));
    std::vector<int32_t> others = inputs.pairs
                                      ? SampledCompactPairs(inputs, anchor, wanted, threads)
                                      : SampledTextPairs(inputs, anchor, wanted, threads);
    std::erase_if(others, [](int32_t value) { return value < 0; });
    return others;
}

double AnchorsPerWindow(const std::vector<int32_t>& otherPairs) {
    std::vector<int64_t> histogram(2, 0);
    for (const int32_t pairs : otherPairs) {
        if (pairs < 1) continue;
        if (static_cast<size_t>(pairs) + 1 >= histogram.size()) histogram.resize(pairs + 2, 0);
        ++histogram[pairs];
    }
    const int64_t highest = *std::max_element(histogram.begin() + 1, histogram.end());
    if (highest == 0) return 0;
    // The single-copy peak: the first local maximum that holds a good part
    // of the highest count, so that a family of many copies does not take it.
    size_t peak = 1;
    while (peak + 1 < histogram.size() &&
           (4 * histogram[peak] < highest || histogram[peak] < histogram[peak + 1]))
        ++peak;
    // The single-copy law's own spread around its peak, short of the next copies.
    const auto bound = static_cast<int64_t>(peak + 1 + 2 * std::sqrt(peak + 1.0));
    int64_t counted = 0;
    double sum = 0;
    for (int64_t pairs = 1; pairs <= bound && pairs < static_cast<int64_t>(histogram.size());
         ++pairs) {
        counted += histogram[pairs];
        sum += static_cast<double>(pairs) * histogram[pairs];
    }
    if (counted < 20) return 0;
    return RateForCutMean(sum / counted, bound);
}

DepthEstimate EstimateSingleCopyDepth(const std::vector<std::string_view>& sequences,
                                      const RunInputs& inputs, const ExtensionRules& rules,
                                      const DepthSampling& sampling) {
    const std::vector<Replay> replays =
        PlanReplays(sequences, rules.parameters.maxDistance, sampling);
    const int64_t windows = WindowCount(rules.variant, rules.parameters, inputs.ReadLength());
    std::vector<int32_t> totals;
    std::vector<double> votesPerAnchor;
    for (const std::vector<ReplayedCycle>& replayed :
         RunReplays(replays, sequences, inputs, rules, sampling.threads)) {
        for (const ReplayedCycle& cycle : replayed) {
            totals.push_back(cycle.votes);
            if (cycle.mates > 0)
                votesPerAnchor.push_back(static_cast<double>(cycle.votes) * windows / cycle.mates);
        }
    }
    DepthEstimate estimate;
    estimate.cycles = static_cast<int64_t>(totals.size());
    estimate.median = Median(totals);
    if (estimate.cycles < sampling.leastCycles || !(estimate.median > 0)) return estimate;
    estimate.votesPerAnchor = Median(votesPerAnchor);
    if (sampling.tableReads > 0)
        estimate.anchorsPerWindow = AnchorsPerWindow(SampledWindowPairs(
            inputs, RunAnchor(rules.variant, rules.parameters, inputs.ReadLength()),
            sampling.tableReads, sampling.threads));
    const double product = estimate.anchorsPerWindow * estimate.votesPerAnchor;
    // The table's rate errs upward where many reads lie in repeats (their
    // counts of a few pairs pass for single-copy ones), the seeds' median
    // where the seeds do: the lower of the two. To a tenth, as every output
    // shows it.
    estimate.depth =
        product > 0 ? std::min(estimate.median, std::round(product * 10) / 10) : estimate.median;
    return estimate;
}

}  // namespace lorvex
