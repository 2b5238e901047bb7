// One seed of a batch, extended on its right and, on request, its left side.
// The left side is the right extension of the reverse-complemented seed,
// turned back onto the seed's strand. Each side draws its ties from its own
// generator, started where an unseeded rand() starts, so a side's bases do
// not depend on the other side, on other seeds or on threads: the right side
// is what lorvex (or lorvex-strict) prints for the seed alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/driver.h"
#include "extend/seed_batch.h"

namespace lorvex::extend {

enum class Side { Left, Right };

const char* SideName(Side side);  // "left", "right"

// Why a side stopped. Besides the stops of the extension cycles, a side is
// not extended when the distances give no anchor window at all, or when the
// seed is shorter than maxDistance (its windows would start before it).
enum class SideStop {
    NoWindows,
    SeedTooShort,
    NoVotes,
    TooFewVotes,
    NotDominant,
    RepetitiveTail,
    CapReached,
};

// The label of the outputs: "no-votes", "too-few-votes", "not-dominant",
// "repetitive-tail", "cap-reached", "no-windows", "seed-too-short".
const char* SideStopLabel(SideStop stop);

SideStop SideStopFrom(StopReason reason);

struct SideExtension {
    Side side = Side::Right;
    SideStop stop = SideStop::NoWindows;
    // The votes of the cycle that stopped the side (zero when no cycle ran).
    BaseVotes stopVotes;
    // The accepted bases in the order they were added, going outward from the
    // seed, on the seed's strand: on the left side bases[0] is the base right
    // before the seed, and the votes are those of the complementary bases.
    std::string bases;
    std::vector<BaseVotes> votes;  // one per base, when asked for
};

struct ExtensionSettings {
    RunParameters parameters;
    Variant variant = Variant::Main;
    bool bothSides = false;
    int32_t cap = extensionCap;  // accepted bases per side at most
    bool keepVotes = false;      // fill SideExtension::votes
    Engine engine = Engine::Fast;
};

struct SeedExtension {
    SideExtension left;  // only meaningful with bothSides
    SideExtension right;
};

// What the batch must meet whatever its seeds: minDistance at least the read
// length (main) or twice it minus 2 (strict), when there are windows at all.
// Throws UsageError.
void CheckBatchWindowLimits(const ExtensionSettings& settings, int32_t readLength);

// Votes of the complementary bases: A and T swap, C and G swap.
BaseVotes ComplementVotes(const BaseVotes& votes);

SideExtension ExtendSide(const std::string& seedBases, Side side, const RunInputs& inputs,
                         const ExtensionSettings& settings);

SeedExtension ExtendSeed(const SeedRecord& seed, const RunInputs& inputs,
                         const ExtensionSettings& settings);

// Left extension (turned back), seed, right extension.
std::string ExtendedContig(const SeedRecord& seed, const SeedExtension& extension);

}  // namespace lorvex::extend
