#include "extend/repeat_guard_setup.h"

#include <cstdio>
#include <string_view>

#include "base/number_text.h"
#include "extension/single_copy_depth.h"

namespace lorvex::extend {

GuardSetting SetUpRepeatGuard(const GuardRequest& request,
                              const std::vector<std::string_view>& sequences,
                              const RunInputs& inputs, const ExtensionRules& rules,
                              ProgressLine& progress) {
    GuardSetting guard;
    if (!request.on) return guard;
    if (request.singleCopyDepth) {
        guard.state = GuardState::Given;
        guard.singleCopyDepth = request.singleCopyDepth;
        return guard;
    }
    progress.Show("estimating the single-copy depth from the " + request.sequenceWord + "s");
    DepthSampling sampling;
    sampling.bothStrands = request.bothStrands;
    sampling.threads = request.threads;
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
                                          " are needed: " + request.sequenceWord +
                                          "s longer than --max-distance give them"
                                    : "the replayed cycles' median is 0 votes";
        std::fprintf(stderr,
                     "%s: cannot estimate the single-copy depth (%s); extending "
                     "without the repeat guard, give --depth N to set it\n",
                     progress.program().c_str(), why.c_str());
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
