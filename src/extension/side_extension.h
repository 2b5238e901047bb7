// One side of a known sequence, extended. The right side is the extension
// of the sequence itself; the left side is the right extension of its
// reverse complement, turned back onto the sequence's strand. Each side
// draws its ties from its own generator, started where an unseeded rand()
// starts, so a side's bases do not depend on the other side, on other
// sequences or on threads: the right side is what lorvex (or lorvex-strict)
// prints for the sequence alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calling/overlap_voting.h"
#include "extension/extend_contig.h"
#include "extension/run_setup.h"
#include "extension/stop_reason.h"
#include "extension/variant_sites.h"

namespace lorvex {

enum class Side { Left, Right };

struct SideExtension {
    Side side = Side::Right;
    // Besides the stops of the cycles, a side is not extended when the
    // distances give no anchor window, or when the sequence is shorter than
    // maxDistance (its windows would start before it).
    StopReason stop = StopReason::NoWindows;
    // The votes of the cycle that stopped the side (zero when no cycle ran).
    BaseVotes stopVotes;
    // The accepted bases in the order they were added, going outward from the
    // sequence, on its strand: on the left side bases[0] is the base right
    // before it, and the votes are those of the complementary bases.
    std::string bases;
    std::vector<BaseVotes> votes;  // one per base, when asked for
    // With stop Circular: how many bases at the end of the whole contig
    // repeat its start (circle_closing.h).
    int32_t circleOverlap = 0;
    // The accepted bases that are variant sites, in order, on the sequence's
    // strand like the bases.
    std::vector<VariantSite> variants = {};
    // Over the side's cycles, the one that stopped it included: the mates
    // its anchor windows held and the votes they gave, so that a side that
    // starved shows whether pairs did not anchor or anchored mates did not
    // vote.
    int64_t cycles = 0;
    int64_t queuedMates = 0;
    int64_t votesCast = 0;
    // The cycles that asked the reads covering the end for votes.
    int64_t endReadCycles = 0;
    // With ExtensionSettings::markCopySplits: the steps (1 for the first
    // base) whose cycle fired the repeat guard, in order.
    std::vector<int32_t> copySplits = {};
};

struct ExtensionSettings {
    ExtensionRules rules;  // the cap counts the bases of one side
    bool bothSides = false;
    bool keepVotes = false;  // fill SideExtension::votes
    // The repeat guard's single-copy depth; none: no guard.
    std::optional<double> singleCopyDepth;
    // The guard marks the cycles that fire it (SideExtension::copySplits)
    // instead of ending the side there.
    bool markCopySplits = false;
    // Stop a side that comes back onto the contig's start (Circular).
    bool closeCircles = false;
    // 0: no variant sites, and no pileup of the mates to find them.
    double minVariantShare = defaultMinVariantShare;
    // A cycle whose mates' votes fail the vote check takes the votes of the
    // reads that cover the contig's end themselves (end_reads.h).
    bool endReads = false;
};

// Votes of the complementary bases: A and T swap, C and G swap.
BaseVotes ComplementVotes(const BaseVotes& votes);

// `towards`, when given, sees every cycle (on the strand being extended, so
// the reverse complement for the left side) before the repeat guard and may
// end the side, for a caller that extends towards a known sequence.
// `heldBefore` is what the contig holds before `sequence` on the strand
// being extended (the other side's bases), for closing circles.
SideExtension ExtendSide(const std::string& sequence, Side side, const RunInputs& inputs,
                         const ExtensionSettings& settings, const CycleObserver& towards = {},
                         std::string heldBefore = {});

}  // namespace lorvex
