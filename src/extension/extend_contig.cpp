#include "extension/extend_contig.h"

#include <memory>

namespace lorvex {
namespace {

ExtensionOutcome EndedBeforeTheFirstCycle(StopReason reason) {
    ExtensionOutcome outcome;
    outcome.reason = reason;
    return outcome;
}

// The checks after a base was appended, in the programs' order.
std::optional<StopReason> FailedCheck(const std::string& contig, const BaseVotes& votes,
                                      const ExtensionRules& rules, int32_t readLength,
                                      int32_t accepted) {
    const RunParameters& parameters = rules.parameters;
    if (IsTailRepetitive(contig.data(), static_cast<int32_t>(contig.size()), readLength) == 0)
        return StopReason::RepetitiveTail;
    if (SanityCheck(votes.a, votes.c, votes.g, votes.t, parameters.minVotes,
                    parameters.dominanceRatio) == 0)
        return votes.Total() < parameters.minVotes ? StopReason::TooFewVotes
                                                   : StopReason::NotDominant;
    if (accepted >= rules.cap) return StopReason::CapReached;
    return std::nullopt;
}

ExtensionOutcome RunCycles(ExtensionCycles& cycles, int64_t windows, std::string& contig,
                           const ExtensionRules& rules, int32_t readLength,
                           TieBreakSource& tieBreaks, const ExtensionHooks& hooks) {
    ExtensionOutcome outcome;
    cycles.Start(contig);
    for (;;) {
        BaseVotes votes = cycles.Votes(contig);
        if (hooks.topUp &&
            SanityCheck(votes.a, votes.c, votes.g, votes.t, rules.parameters.minVotes,
                        rules.parameters.dominanceRatio) == 0) {
            const BaseVotes more = hooks.topUp(contig);
            votes = {votes.a + more.a, votes.c + more.c, votes.g + more.g, votes.t + more.t};
        }
        outcome.stopVotes = votes;
        if (hooks.observeCycle) {
            const CycleView cycle{contig, votes, {cycles.QueuedMates(), windows}, outcome.accepted};
            if (const std::optional<StopReason> stop = hooks.observeCycle(cycle)) {
                outcome.reason = *stop;
                return outcome;
            }
        }
        if (votes.Total() == 0) {
            outcome.reason = StopReason::NoVotes;
            return outcome;
        }
        UpdateContig(contig, votes, tieBreaks);
        cycles.AfterAppend(contig);
        if (const std::optional<StopReason> stop =
                FailedCheck(contig, votes, rules, readLength, outcome.accepted)) {
            outcome.reason = *stop;
            return outcome;
        }
        if (hooks.onAccepted) hooks.onAccepted(contig.back(), votes);
        ++outcome.accepted;
    }
}

}  // namespace

ExtensionOutcome ExtendContig(std::string& contig, const RunInputs& inputs,
                              const ExtensionRules& rules, TieBreakSource& tieBreaks,
                              const ExtensionHooks& hooks) {
    const int32_t readLength = inputs.ReadLength();
    const int64_t windows = WindowCount(rules.variant, rules.parameters, readLength);
    if (windows <= 0) return EndedBeforeTheFirstCycle(StopReason::NoWindows);
    // Every window must lie inside the contig; the cycles index it directly.
    if (WindowPastEnd(rules.variant, rules.parameters, readLength))
        return EndedBeforeTheFirstCycle(StopReason::WindowPastEnd);
    if (static_cast<int64_t>(contig.size()) < rules.parameters.maxDistance)
        return EndedBeforeTheFirstCycle(StopReason::SeedTooShort);
    const std::unique_ptr<ExtensionCycles> cycles = rules.makeCycles(
        {inputs, rules.parameters.maxDistance, rules.variant, static_cast<size_t>(windows),
         RunAnchor(rules.variant, rules.parameters, readLength)});
    return RunCycles(*cycles, windows, contig, rules, readLength, tieBreaks, hooks);
}

}  // namespace lorvex
