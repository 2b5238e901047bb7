#include "close/gap_closing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "close/own_copy.h"
#include "extension/repeat_guard.h"
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
    ExtensionSettings used = settings;
    used.keepVotes = settings.singleCopyDepth.has_value();
    SideExtension extension = ExtendSide(std::string(flank), side, inputs, used, towards);
    SideOutcome outcome;
    outcome.stop = extension.stop;
    outcome.bases = std::move(extension.bases);
    outcome.variants = std::move(extension.variants);
    outcome.copySplits = std::move(extension.copySplits);
    if (settings.singleCopyDepth) {
        // A split above single-copy depth is one between copies too, where
        // a side that started inside a family has the family's local depth
        // and the guard lets it through.
        for (size_t at = 0; at < extension.votes.size(); ++at)
            if (VotesSplitAboveSingleCopy(extension.votes[at], *settings.singleCopyDepth))
                outcome.copySplits.push_back(static_cast<int32_t>(at + 1));
        std::sort(outcome.copySplits.begin(), outcome.copySplits.end());
        outcome.copySplits.erase(std::unique(outcome.copySplits.begin(), outcome.copySplits.end()),
                                 outcome.copySplits.end());
    }
    // The left side's bases go outward from the flank's start.
    if (side == Side::Left) std::reverse(outcome.bases.begin(), outcome.bases.end());
    return outcome;
}

// Whether the fill of joined sides is this gap's copy wherever it can tell:
// EveryFillBaseCertain with the pileup of the flanks' single-copy windows.
// Without the guard (no single-copy depth) every join stands.
bool FillProven(const GapOutcome& joined, const GapFlanks& flanks, const RunInputs& inputs,
                const ExtensionSettings& settings) {
    if (!settings.singleCopyDepth || joined.join.fillLength <= 0) return true;
    // Where neither side's votes split over the fill, there is nothing to
    // prove (and no lookups to make).
    const auto splitsIn = [](const SideOutcome& side, int64_t steps) {
        return !side.copySplits.empty() && side.copySplits.front() <= steps;
    };
    if (!splitsIn(joined.left, joined.join.fillLength) &&
        !splitsIn(joined.right, joined.join.fillLength))
        return EveryFillBaseCertain(joined.join.fill, joined.left, joined.right, {},
                                    inputs.ReadLength());
    const std::vector<BaseVotes> ownCopy =
        OwnCopyPileup(flanks.left, joined.join.fill, flanks.right, inputs, settings.rules,
                      *settings.singleCopyDepth);
    return EveryFillBaseCertain(joined.join.fill, joined.left, joined.right, ownCopy,
                                inputs.ReadLength());
}

// Both sides extended again with the repeat guard marking the cycles where
// the votes split between copies instead of stopping there. The far flank
// is what an open end lacks: a side that follows another copy past a split
// writes that copy's bases, which the other side, coming from the far
// flank, contradicts where its own votes there are clean, and the pairs of
// the flanks' single-copy windows show the gap's own copy where the
// fragments reach; FillProven decides.
GapOutcome RetryMarkingSplits(const GapOutcome& guarded, const GapFlanks& flanks,
                              const RunInputs& inputs, const ClosingRules& rules,
                              const ExtensionSettings& settings, const std::string& rightTarget,
                              const std::string& leftTarget) {
    ExtensionSettings marking = settings;
    marking.markCopySplits = true;
    GapOutcome retried = guarded;
    retried.left = ExtendTowards(flanks.left, Side::Right, rightTarget, inputs, marking);
    retried.right = ExtendTowards(flanks.right, Side::Left, leftTarget, inputs, marking);
    retried.join = JoinSides({flanks.left, retried.left.bases, retried.right.bases, flanks.right},
                             rules.minOverlap);
    return retried;
}

}  // namespace

bool OwnCopyHolds(const BaseVotes& ownCopy, char base) {
    const int32_t counts[4] = {ownCopy.a, ownCopy.c, ownCopy.g, ownCopy.t};
    const int held = BaseIndex(base);
    int32_t other = 0;
    for (int i = 0; i < 4; ++i)
        if (i != held) other = std::max(other, counts[i]);
    const int32_t mine = held >= 0 ? counts[held] : 0;
    return mine >= 1 && mine >= ownCopyMajority * other;
}

bool OwnCopyDenies(const BaseVotes& ownCopy, char base) {
    const int32_t counts[4] = {ownCopy.a, ownCopy.c, ownCopy.g, ownCopy.t};
    const int held = BaseIndex(base);
    const int32_t mine = held >= 0 ? counts[held] : 0;
    for (int i = 0; i < 4; ++i)
        if (i != held && counts[i] >= 2 && counts[i] > mine) return true;
    return false;
}

bool EveryFillBaseCertain(std::string_view fill, const SideOutcome& left, const SideOutcome& right,
                          const std::vector<BaseVotes>& ownCopy, int32_t readLength) {
    const auto fillLength = static_cast<int64_t>(fill.size());
    // Whether a side added the base `step` bases out from its flank in a
    // cycle whose votes did not split between copies.
    const auto clean = [](const SideOutcome& side, int64_t step) {
        return step >= 1 && step <= static_cast<int64_t>(side.bases.size()) &&
               !std::binary_search(side.copySplits.begin(), side.copySplits.end(), step);
    };
    std::vector<char> certain(fill.size(), 0);
    for (int64_t at = 0; at < fillLength; ++at) {
        const size_t i = static_cast<size_t>(at);
        if (i < ownCopy.size()) {
            if (OwnCopyDenies(ownCopy[i], fill[i])) return false;
            certain[i] = OwnCopyHolds(ownCopy[i], fill[i]);
        }
    }
    // A clean vote is the side's own copy's only while that copy's reads
    // vote: where the side took the family's base at a split of the last
    // read length and the copy holds another, they disagree with the
    // contig and drop out. So it counts once every such split is certain.
    const auto leftSplit = [&](int64_t at) { return !clean(left, at + 1); };
    const auto rightSplit = [&](int64_t at) { return !clean(right, fillLength - at); };
    const int64_t wake = std::max(1, readLength);
    std::set<int64_t> leftOpen, rightOpen;  // the splits not yet certain
    std::vector<int64_t> pending;
    for (int64_t at = 0; at < fillLength; ++at) {
        if (certain[static_cast<size_t>(at)]) continue;
        pending.push_back(at);
        if (leftSplit(at)) leftOpen.insert(at);
        if (rightSplit(at)) rightOpen.insert(at);
    }
    const auto byLeft = [&](int64_t at) {
        const auto next = leftOpen.lower_bound(at - wake + 1);
        return !leftSplit(at) && (next == leftOpen.end() || *next >= at);
    };
    const auto byRight = [&](int64_t at) {
        const auto next = rightOpen.upper_bound(at);
        return !rightSplit(at) && (next == rightOpen.end() || *next >= at + wake);
    };
    // A base that becomes certain can only help the bases in its wake.
    while (!pending.empty()) {
        const int64_t at = pending.back();
        pending.pop_back();
        if (certain[static_cast<size_t>(at)] || !(byLeft(at) || byRight(at))) continue;
        certain[static_cast<size_t>(at)] = 1;
        if (leftOpen.erase(at) > 0)
            for (int64_t after = at + 1; after < std::min(fillLength, at + wake); ++after)
                pending.push_back(after);
        if (rightOpen.erase(at) > 0)
            for (int64_t before = std::max<int64_t>(0, at - wake + 1); before < at; ++before)
                pending.push_back(before);
    }
    return std::all_of(certain.begin(), certain.end(), [](char c) { return c != 0; });
}

const char* OpenReasonLabel(OpenReason reason) {
    switch (reason) {
        case OpenReason::None: return "";
        case OpenReason::NoOverlap: return "no-overlap";
        case OpenReason::AmbiguousOverlap: return "ambiguous-overlap";
        case OpenReason::UnprovenFill: return "unproven-fill";
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
    const auto lengthFits = [&](const GapJoin& join) {
        return !LengthKnown(rules, gap.length) ||
               std::llabs(join.fillLength - gap.length) <= LengthTolerance(rules, gap.length);
    };
    bool unproven = false;
    if (outcome.join.verdict == JoinVerdict::Joined) {
        unproven = lengthFits(outcome.join) && !FillProven(outcome, flanks, inputs, settings);
    } else if (guardStopped) {
        GapOutcome retried = RetryMarkingSplits(outcome, flanks, inputs, rules, settings,
                                                std::string(rightTarget), leftTarget);
        if (retried.join.verdict == JoinVerdict::Joined) {
            // An unproven retry keeps the guarded sides, which is what
            // --partial writes.
            if (!lengthFits(retried.join) || FillProven(retried, flanks, inputs, settings))
                outcome = std::move(retried);
            else
                unproven = true;
        }
    }
    const bool tooShort = outcome.left.stop == StopReason::SeedTooShort ||
                          outcome.right.stop == StopReason::SeedTooShort;
    if (unproven) {
        outcome.open = OpenReason::UnprovenFill;
    } else if (outcome.join.verdict == JoinVerdict::Joined) {
        if (!lengthFits(outcome.join)) outcome.open = OpenReason::LengthOutOfRange;
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
