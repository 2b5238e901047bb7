#include "extension/extend_contig.h"

#include <memory>

namespace lorvex {
namespace {

ExtensionOutcome EndedBeforeTheFirstCycle(StopReason reason) {
    ExtensionOutcome outcome;
    outcome.reason = reason;
    return outcome;
}

bool PassesChecks(const BaseVotes& votes, const RunParameters& parameters) {
    return SanityCheck(votes.a, votes.c, votes.g, votes.t, parameters.minVotes,
                       parameters.dominanceRatio) != 0;
}

// The checks after a base was appended, in the programs' order.
std::optional<StopReason> FailedCheck(const std::string& contig, const BaseVotes& votes,
                                      const ExtensionRules& rules, int32_t readLength,
                                      int32_t accepted) {
    const RunParameters& parameters = rules.parameters;
    if (IsTailRepetitive(contig.data(), static_cast<int32_t>(contig.size()), readLength) == 0)
        return StopReason::RepetitiveTail;
    if (!PassesChecks(votes, parameters))
        return votes.Total() < parameters.minVotes ? StopReason::TooFewVotes
                                                   : StopReason::NotDominant;
    if (accepted >= rules.cap) return StopReason::CapReached;
    return std::nullopt;
}

// The base with strictly the most votes, or 0 on a tie for the most.
char Leader(const BaseVotes& votes) {
    const int32_t counts[4] = {votes.a, votes.c, votes.g, votes.t};
    int best = 0;
    for (int i = 1; i < 4; ++i)
        if (counts[i] > counts[best]) best = i;
    for (int i = 0; i < 4; ++i)
        if (i != best && counts[i] == counts[best]) return 0;
    return "ACGT"[best];
}

// Where the cycles give apart the votes of the mates whose anchor holds a
// mismatch at a base the first read is sure of, the clean mates' votes are
// the mates' votes without those; where both the cycle's votes and the
// clean ones pass the checks on different bases, the clean ones are taken.
ExtensionOutcome RunCycles(ExtensionCycles& cycles, int64_t windows, std::string& contig,
                           const ExtensionRules& rules, int32_t readLength,
                           TieBreakSource& tieBreaks, const ExtensionHooks& hooks) {
    ExtensionOutcome outcome;
    cycles.Start(contig);
    for (;;) {
        const BaseVotes mates = cycles.Votes(contig);
        BaseVotes votes = mates;
        if (hooks.topUp && !PassesChecks(votes, rules.parameters))
            votes = votes + hooks.topUp(contig);
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
        if (PassesChecks(votes, rules.parameters))
            if (const std::optional<BaseVotes> sure = cycles.SureVotes()) {
                const BaseVotes clean = mates - *sure;
                if (PassesChecks(clean, rules.parameters) && Leader(clean) != Leader(votes))
                    votes = clean;
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
    AnchorRule anchor = RunAnchor(rules.variant, rules.parameters, readLength);
    anchor.markSureMismatches = rules.parameters.cleanAnchorsDecide && anchor.mismatches > 0;
    const std::unique_ptr<ExtensionCycles> cycles =
        rules.makeCycles({inputs, rules.parameters.maxDistance, rules.variant,
                          static_cast<size_t>(windows), anchor});
    return RunCycles(*cycles, windows, contig, rules, readLength, tieBreaks, hooks);
}

}  // namespace lorvex
