#include "extension/side_extension.h"

#include <utility>

#include "extension/circle_closing.h"
#include "extension/end_reads.h"
#include "extension/mate_pileup.h"
#include "extension/repeat_guard.h"
#include "seq/nucleotide.h"

namespace lorvex {

namespace {

// The added bases whose placed mates hold another base often enough.
std::vector<VariantSite> VariantSites(const std::string& contig, int64_t sequenceLength,
                                      const std::string& added, const RunInputs& inputs,
                                      const ExtensionSettings& settings) {
    const std::vector<BaseVotes> counts =
        SidePileup(contig, sequenceLength, inputs, settings.rules);
    return FindVariantSites(counts, added, settings.minVariantShare);
}

}  // namespace

BaseVotes ComplementVotes(const BaseVotes& votes) {
    return BaseVotes{votes.t, votes.g, votes.c, votes.a};
}

SideExtension ExtendSide(const std::string& sequence, Side side, const RunInputs& inputs,
                         const ExtensionSettings& settings, const CycleObserver& towards,
                         std::string heldBefore) {
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
    // In the order they look at a cycle: the target, the circle, the guard.
    std::vector<CycleObserver> observers;
    observers.push_back([&extension](const CycleView& cycle) -> std::optional<StopReason> {
        ++extension.cycles;
        extension.queuedMates += cycle.depth.mates;
        extension.votesCast += cycle.votes.Total();
        return std::nullopt;
    });
    if (towards) observers.push_back(towards);
    const CircleRule circle = CircleRuleFor(settings.rules.parameters, inputs.ReadLength());
    if (settings.closeCircles)
        observers.push_back(
            CircleObserver(std::move(heldBefore), circle, settings.singleCopyDepth));
    if (settings.singleCopyDepth)
        observers.push_back(RepeatGuardObserver(
            *settings.singleCopyDepth, settings.markCopySplits ? &extension.copySplits : nullptr));
    EndReads endReads(
        inputs, RunAnchor(settings.rules.variant, settings.rules.parameters, inputs.ReadLength())
                    .voteQuality);
    if (settings.endReads)
        hooks.topUp = [&](const std::string& grown) {
            ++extension.endReadCycles;
            return endReads.Votes(grown);
        };
    hooks.observeCycle = [&observers](const CycleView& cycle) -> std::optional<StopReason> {
        for (const CycleObserver& observer : observers)
            if (const std::optional<StopReason> stop = observer(cycle)) return stop;
        return std::nullopt;
    };
    const ExtensionOutcome outcome = ExtendContig(contig, inputs, settings.rules, tieBreaks, hooks);
    extension.stop = outcome.reason;
    if (outcome.reason == StopReason::Circular) extension.circleOverlap = circle.overlap;
    extension.stopVotes = outcome.stopVotes;
    if (settings.minVariantShare > 0 && !extension.bases.empty()) {
        // The contig may hold the base of the cycle that stopped it.
        contig.resize(sequence.size() + extension.bases.size());
        extension.variants = VariantSites(contig, static_cast<int64_t>(sequence.size()),
                                          extension.bases, inputs, settings);
    }
    if (side == Side::Left) {
        for (char& base : extension.bases) base = ComplementBase(base);
        for (BaseVotes& votes : extension.votes) votes = ComplementVotes(votes);
        for (VariantSite& site : extension.variants) {
            site.base = ComplementBase(site.base);
            site.votes = ComplementVotes(site.votes);
        }
        extension.stopVotes = ComplementVotes(extension.stopVotes);
    }
    return extension;
}

}  // namespace lorvex
