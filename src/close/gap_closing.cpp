#include "close/gap_closing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "seq/nucleotide.h"

namespace lorvex::close {
namespace {

bool LengthKnown(const ClosingRules& rules, int64_t gapLength) {
    return rules.unknownGapLength <= 0 || gapLength != rules.unknownGapLength;
}

// Extends one flank towards the other. The side stops once its contig ends
// with the far flank's first bases (on the strand being extended), which
// proves the join as far as this side can.
SideOutcome ExtendTowards(std::string_view flank, Side side, std::string target,
                          const RunInputs& inputs, const ExtensionSettings& settings) {
    const int64_t flankLength = static_cast<int64_t>(flank.size());
    const CycleObserver towards = [&](const CycleView& cycle) -> std::optional<StopReason> {
        if (cycle.accepted > 0 && ReachedTargetOnce(cycle.contig, flankLength, target))
            return StopReason::Target;
        return std::nullopt;
    };
    SideExtension extension = ExtendSide(std::string(flank), side, inputs, settings, towards);
    SideOutcome outcome;
    outcome.stop = extension.stop;
    outcome.bases = std::move(extension.bases);
    outcome.variants = std::move(extension.variants);
    outcome.copySplits = std::move(extension.copySplits);
    // The left side's bases go outward from the flank's start.
    if (side == Side::Left) std::reverse(outcome.bases.begin(), outcome.bases.end());
    return outcome;
}

// Both sides extended again with the repeat guard marking the cycles where
// the votes split between copies instead of stopping there. The far flank
// is what an open end lacks: a side that follows another copy past a split
// writes that copy's bases, which the other side, coming from the far
// flank, contradicts where its own votes there are clean. So the fill
// stands when the sides join and every base of it has a clean vote from at
// least one of them; a base only one side reaches is then before that
// side's first split, as the guarded side would have added it.
std::optional<GapOutcome> RetryMarkingSplits(const GapOutcome& guarded, const GapFlanks& flanks,
                                             const RunInputs& inputs, const ClosingRules& rules,
                                             const ExtensionSettings& settings,
                                             const std::string& rightTarget,
                                             const std::string& leftTarget) {
    ExtensionSettings marking = settings;
    marking.markCopySplits = true;
    GapOutcome retried = guarded;
    retried.left = ExtendTowards(flanks.left, Side::Right, rightTarget, inputs, marking);
    retried.right = ExtendTowards(flanks.right, Side::Left, leftTarget, inputs, marking);
    retried.join = JoinSides({flanks.left, retried.left.bases, retried.right.bases, flanks.right},
                             rules.minOverlap);
    if (retried.join.verdict != JoinVerdict::Joined) return std::nullopt;
    if (!EveryFillBaseVouched(retried.join.fillLength, retried.left, retried.right))
        return std::nullopt;
    return retried;
}

}  // namespace

bool EveryFillBaseVouched(int64_t fillLength, const SideOutcome& left, const SideOutcome& right) {
    // Whether a side added the base `step` bases out from its flank in a
    // cycle whose votes did not split between copies.
    const auto vouches = [](const SideOutcome& side, int64_t step) {
        return step >= 1 && step <= static_cast<int64_t>(side.bases.size()) &&
               !std::binary_search(side.copySplits.begin(), side.copySplits.end(), step);
    };
    for (int64_t at = 0; at < fillLength; ++at)
        if (!vouches(left, at + 1) && !vouches(right, fillLength - at)) return false;
    return true;
}

const char* OpenReasonLabel(OpenReason reason) {
    switch (reason) {
        case OpenReason::None: return "";
        case OpenReason::NoOverlap: return "no-overlap";
        case OpenReason::AmbiguousOverlap: return "ambiguous-overlap";
        case OpenReason::LengthOutOfRange: return "length-out-of-range";
        case OpenReason::FlankTooShort: return "flank-too-short";
        case OpenReason::RecordEnd: return "record-end";
    }
    return "unknown";
}

int64_t LengthTolerance(const ClosingRules& rules, int64_t gapLength) {
    const auto share =
        static_cast<int64_t>(std::floor(rules.gapToleranceShare * static_cast<double>(gapLength)));
    return std::max<int64_t>(rules.gapTolerance, share);
}

GapOutcome CloseGap(const Gap& gap, const GapFlanks& flanks, const RunInputs& inputs,
                    const ClosingRules& rules) {
    GapOutcome outcome;
    outcome.gap = gap;
    if (flanks.left.empty() || flanks.right.empty()) {
        outcome.open = OpenReason::RecordEnd;
        return outcome;
    }
    ExtensionSettings settings = rules.settings;
    const int64_t targetLength = int64_t{rules.minOverlap} + targetMargin;
    if (LengthKnown(rules, gap.length)) {
        // Past the longest fill the tolerance allows and into the far flank.
        const int64_t needed = gap.length + LengthTolerance(rules, gap.length) + targetLength;
        settings.rules.cap = static_cast<int32_t>(std::min<int64_t>(needed, extensionCap));
    }
    const std::string_view rightTarget =
        flanks.right.substr(0, std::min<size_t>(flanks.right.size(), targetLength));
    std::string leftTarget(flanks.left.substr(flanks.left.size() -
                                              std::min<size_t>(flanks.left.size(), targetLength)));
    ReverseComplement(leftTarget.data(), static_cast<int32_t>(leftTarget.size()));
    outcome.left =
        ExtendTowards(flanks.left, Side::Right, std::string(rightTarget), inputs, settings);
    outcome.right = ExtendTowards(flanks.right, Side::Left, leftTarget, inputs, settings);

    outcome.join = JoinSides({flanks.left, outcome.left.bases, outcome.right.bases, flanks.right},
                             rules.minOverlap);
    const bool guardStopped =
        outcome.left.stop == StopReason::Repeat || outcome.right.stop == StopReason::Repeat;
    if (outcome.join.verdict != JoinVerdict::Joined && guardStopped) {
        if (std::optional<GapOutcome> retried = RetryMarkingSplits(
                outcome, flanks, inputs, rules, settings, std::string(rightTarget), leftTarget))
            outcome = std::move(*retried);
    }
    const bool tooShort = outcome.left.stop == StopReason::SeedTooShort ||
                          outcome.right.stop == StopReason::SeedTooShort;
    if (outcome.join.verdict == JoinVerdict::Joined) {
        if (LengthKnown(rules, gap.length) &&
            std::llabs(outcome.join.fillLength - gap.length) > LengthTolerance(rules, gap.length))
            outcome.open = OpenReason::LengthOutOfRange;
    } else if (tooShort) {
        outcome.open = OpenReason::FlankTooShort;
    } else {
        outcome.open = outcome.join.verdict == JoinVerdict::Ambiguous ? OpenReason::AmbiguousOverlap
                                                                      : OpenReason::NoOverlap;
    }
    return outcome;
}

std::string ClosedRecord(std::string_view bases, const std::vector<GapOutcome>& outcomes,
                         bool partial, int64_t minGap) {
    std::string record;
    record.reserve(bases.size());
    size_t cursor = 0;
    for (const GapOutcome& outcome : outcomes) {
        const Gap& gap = outcome.gap;
        record += bases.substr(cursor, static_cast<size_t>(gap.start) - cursor);
        cursor = static_cast<size_t>(gap.end());
        if (outcome.closed()) {
            record += outcome.join.fill;
            // Flanks that overlap: the right one's first bases are already written.
            if (outcome.join.fillLength < 0)
                cursor += static_cast<size_t>(-outcome.join.fillLength);
        } else if (partial) {
            const int64_t added =
                static_cast<int64_t>(outcome.left.bases.size() + outcome.right.bases.size());
            record += outcome.left.bases;
            record.append(static_cast<size_t>(std::max(minGap, gap.length - added)), 'N');
            record += outcome.right.bases;
        } else {
            record += bases.substr(static_cast<size_t>(gap.start), static_cast<size_t>(gap.length));
        }
    }
    record += bases.substr(cursor);
    return record;
}

std::vector<PlacedVariant> PlacedVariants(const std::vector<GapOutcome>& outcomes, bool partial,
                                          int64_t minGap) {
    std::vector<PlacedVariant> placed;
    int64_t written = 0;  // bases of the record written before the gap
    int64_t cursor = 0;   // the next base of the input record
    for (const GapOutcome& outcome : outcomes) {
        const Gap& gap = outcome.gap;
        written += gap.start - cursor;
        cursor = gap.end();
        const auto leftLength = static_cast<int64_t>(outcome.left.bases.size());
        const auto rightLength = static_cast<int64_t>(outcome.right.bases.size());
        int64_t added = gap.length;
        // The left flank's steps run forward from the gap's start over `span`
        // bases, the right flank's backward from `rightEnd`.
        int64_t rightEnd = 0, span = 0;
        if (outcome.closed()) {
            added = static_cast<int64_t>(outcome.join.fill.size());
            if (outcome.join.fillLength < 0) cursor -= outcome.join.fillLength;
            rightEnd = span = added;
        } else if (partial) {
            added =
                leftLength + std::max(minGap, gap.length - leftLength - rightLength) + rightLength;
            rightEnd = added;
            span = leftLength;
        }
        std::vector<int64_t> leftSites;
        for (const VariantSite& site : outcome.left.variants) {
            if (site.step > span) break;
            leftSites.push_back(site.step - 1);
            placed.push_back({Side::Left, static_cast<size_t>(written + site.step - 1), site});
        }
        for (const VariantSite& site : outcome.right.variants) {
            const int64_t at = rightEnd - site.step;
            if (at < 0 || rightEnd == 0) break;
            if (std::find(leftSites.begin(), leftSites.end(), at) != leftSites.end()) continue;
            placed.push_back({Side::Right, static_cast<size_t>(written + at), site});
        }
        written += added;
    }
    return placed;
}

}  // namespace lorvex::close
