// One seed of a batch, extended on its right and, on request, its left side.
// The left side is the right extension of the reverse-complemented seed,
// turned back onto the seed's strand. Each side draws its ties from its own
// generator, started where an unseeded rand() starts, so a side's bases do
// not depend on the other side, on other seeds or on threads: the right side
// is what lorvex (or lorvex-strict) prints for the seed alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calling/overlap_voting.h"
#include "extend/seed_batch.h"
#include "extension/extend_contig.h"
#include "extension/run_setup.h"
#include "extension/stop_reason.h"

namespace lorvex::extend {

enum class Side { Left, Right };

const char* SideName(Side side);  // "left", "right"

struct SideExtension {
    Side side = Side::Right;
    // Besides the stops of the cycles, a side is not extended when the
    // distances give no anchor window, or when the seed is shorter than
    // maxDistance (its windows would start before it).
    StopReason stop = StopReason::NoWindows;
    // The votes of the cycle that stopped the side (zero when no cycle ran).
    BaseVotes stopVotes;
    // The accepted bases in the order they were added, going outward from the
    // seed, on the seed's strand: on the left side bases[0] is the base right
    // before the seed, and the votes are those of the complementary bases.
    std::string bases;
    std::vector<BaseVotes> votes;  // one per base, when asked for
};

struct ExtensionSettings {
    ExtensionRules rules;  // the cap counts the bases of one side
    bool bothSides = false;
    bool keepVotes = false;  // fill SideExtension::votes
    // The repeat guard's single-copy depth; none: no guard.
    std::optional<double> singleCopyDepth;
};

struct SeedExtension {
    SideExtension left;  // only meaningful with bothSides
    SideExtension right;
};

// Votes of the complementary bases: A and T swap, C and G swap.
BaseVotes ComplementVotes(const BaseVotes& votes);

// `towards`, when given, sees every cycle (on the strand being extended, so
// the reverse complement for the left side) before the repeat guard and may
// end the side, for a program that extends towards a known sequence.
SideExtension ExtendSide(const std::string& seedBases, Side side, const RunInputs& inputs,
                         const ExtensionSettings& settings, const CycleObserver& towards = {});

SeedExtension ExtendSeed(const SeedRecord& seed, const RunInputs& inputs,
                         const ExtensionSettings& settings);

// Left extension (turned back), seed, right extension.
std::string ExtendedContig(const SeedRecord& seed, const SeedExtension& extension);

}  // namespace lorvex::extend
