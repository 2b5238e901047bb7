#include "extend/repeat_guard_setup.h"

#include <cstdio>
#include <string_view>

#include "base/number_text.h"
#include "extension/single_copy_depth.h"

namespace lorvex::extend {

GuardSetting SetUpRepeatGuard(const ExtendOptions& options, const std::vector<SeedRecord>& seeds,
                              const RunInputs& inputs, const ExtensionRules& rules,
                              ProgressLine& progress) {
    GuardSetting guard;
    if (!options.repeatGuard) return guard;
    if (options.singleCopyDepth) {
        guard.state = GuardState::Given;
        guard.singleCopyDepth = options.singleCopyDepth;
        return guard;
    }
    progress.Show("estimating the single-copy depth from the seeds");
    std::vector<std::string_view> sequences;
    sequences.reserve(seeds.size());
    for (const SeedRecord& seed : seeds) sequences.push_back(seed.bases);
    DepthSampling sampling;
    sampling.bothStrands = options.bothSides;
    sampling.threads = options.threads;
    const DepthEstimate estimate = EstimateSingleCopyDepth(sequences, inputs, rules, sampling);
    progress.Clear();
    guard.replayedCycles = estimate.cycles;
    guard.singleCopyDepth = estimate.depth;
    guard.state = estimate.depth ? GuardState::Estimated : GuardState::NotEstimated;
    if (!estimate.depth) {
        const std::string why = estimate.cycles < sampling.leastCycles
                                    ? Counted(static_cast<uint64_t>(estimate.cycles), "cycle") +
                                          " could be replayed, " +
                                          std::to_string(sampling.leastCycles) +
                                          " are needed: seeds longer than --max-distance give them"
                                    : "the replayed cycles' median is 0 votes";
        std::fprintf(stderr,
                     "lorvex-extend: cannot estimate the single-copy depth (%s); extending "
                     "without the repeat guard, give --depth N to set it\n",
                     why.c_str());
    }
    return guard;
}

std::string GuardSummary(const GuardSetting& guard) {
    switch (guard.state) {
        case GuardState::Given:
            return "single-copy depth " + WithOneDecimal(*guard.singleCopyDepth) + " (given)";
        case GuardState::Estimated:
            return "single-copy depth " + WithOneDecimal(*guard.singleCopyDepth) + " (estimated)";
        case GuardState::NotEstimated: return "repeat guard off (no single-copy depth)";
        case GuardState::Off: break;
    }
    return "repeat guard off";
}

}  // namespace lorvex::extend
