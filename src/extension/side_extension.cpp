#include "extension/side_extension.h"

#include "extension/repeat_guard.h"
#include "seq/nucleotide.h"

namespace lorvex {

BaseVotes ComplementVotes(const BaseVotes& votes) {
    return BaseVotes{votes.t, votes.g, votes.c, votes.a};
}

SideExtension ExtendSide(const std::string& sequence, Side side, const RunInputs& inputs,
                         const ExtensionSettings& settings, const CycleObserver& towards) {
    SideExtension extension;
    extension.side = side;
    std::string contig = sequence;
    if (side == Side::Left) ReverseComplement(contig.data(), static_cast<int32_t>(contig.size()));
    TieBreakSource tieBreaks = TieBreakSource::Private();
    ExtensionHooks hooks;
    hooks.onAccepted = [&](char base, const BaseVotes& votes) {
        if (settings.keepVotes) extension.votes.push_back(votes);
        extension.bases.push_back(base);
    };
    if (settings.singleCopyDepth)
        hooks.observeCycle = RepeatGuardObserver(*settings.singleCopyDepth);
    if (towards) {
        hooks.observeCycle = [guard = hooks.observeCycle,
                              &towards](const CycleView& cycle) -> std::optional<StopReason> {
            if (const std::optional<StopReason> reached = towards(cycle)) return reached;
            return guard ? guard(cycle) : std::nullopt;
        };
    }
    const ExtensionOutcome outcome = ExtendContig(contig, inputs, settings.rules, tieBreaks, hooks);
    extension.stop = outcome.reason;
    extension.stopVotes = outcome.stopVotes;
    if (side == Side::Left) {
        for (char& base : extension.bases) base = ComplementBase(base);
        for (BaseVotes& votes : extension.votes) votes = ComplementVotes(votes);
        extension.stopVotes = ComplementVotes(extension.stopVotes);
    }
    return extension;
}

}  // namespace lorvex
