#include "run/repeat_guard_setup.h"

#include "base/number_text.h"
#include "extension/single_copy_depth.h"
#include "tool/messages.h"

namespace lorvex {

GuardSetting SetUpRepeatGuard(const RunSettings& settings, const KnownSequences& known,
                              const RunInputs& inputs, const ExtensionRules& rules,
                              ProgressLine& progress) {
    GuardSetting guard;
    if (!settings.repeatGuard) return guard;
    if (settings.singleCopyDepth) {
        guard.state = GuardState::Given;
        guard.singleCopyDepth = settings.singleCopyDepth;
        return guard;
    }
    progress.Show("estimating the single-copy depth from the " + known.word + "s");
    DepthSampling sampling;
    sampling.bothStrands = known.bothStrands;
    sampling.threads = settings.threads;
    const DepthEstimate estimate =
        EstimateSingleCopyDepth(known.sequences, inputs, rules, sampling);
    progress.Clear();
    guard.replayedCycles = estimate.cycles;
    guard.singleCopyDepth = estimate.depth;
    guard.state = estimate.depth ? GuardState::Estimated : GuardState::NotEstimated;
    if (!estimate.depth) {
        const std::string why =
            estimate.cycles < sampling.leastCycles
                ? Counted(static_cast<uint64_t>(estimate.cycles), "cycle") +
                      " could be replayed, " + std::to_string(sampling.leastCycles) +
                      " are needed: " + known.word + "s longer than --max-distance give them"
                : "the replayed cycles' median is 0 votes";
        Warn(progress.program(), "cannot estimate the single-copy depth (" + why +
                                     "); extending without the repeat guard, give --depth N to "
                                     "set it");
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

}  // namespace lorvex
