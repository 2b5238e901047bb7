// One gap closed: both flanks extended towards each other, the sides joined,
// the length checked; and a record rebuilt from the outcomes of its gaps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "close/gap_finder.h"
#include "close/gap_join.h"
#include "extension/run_setup.h"
#include "extension/side_extension.h"
#include "extension/stop_reason.h"

namespace lorvex::close {

// Why a gap stayed open, in the order summaries list them.
enum class OpenReason {
    None,              // closed
    NoOverlap,         // the sides do not overlap by --min-overlap bases
    AmbiguousOverlap,  // they overlap at two places or more
    UnprovenFill,      // they join, but at a base where the copies of a repeat split nothing
                       // shows which base is this gap's (EveryFillBaseCertain)
    LengthOutOfRange,  // the join is further from the N run's length than the tolerance
    FlankTooShort,     // a flank is shorter than the farthest anchor window
    RecordEnd,         // the N run touches the record's start or end: there is no far flank
};

// "no-overlap", "ambiguous-overlap", "unproven-fill", "length-out-of-range",
// "flank-too-short", "record-end" ("" for None).
const char* OpenReasonLabel(OpenReason reason);

struct ClosingRules {
    ExtensionSettings settings;  // both sides; cap: gaps of unknown length
    int32_t minOverlap = 31;
    int32_t gapTolerance = 0;
    double gapToleranceShare = 0;
    int64_t unknownGapLength = 0;  // 0: every gap is checked
};

// Bases beyond the minimum overlap that a side must have run into the far
// flank before it stops there.
inline constexpr int32_t targetMargin = 20;

// How far a join may differ from the N run's length.
int64_t LengthTolerance(const ClosingRules& rules, int64_t gapLength);

// Which stop a side ended with; nothing when it was not run.
struct SideOutcome {
    std::optional<StopReason> stop;
    std::string bases;  // on the scaffold's strand, in scaffold order
    // Steps count outward from the flank; votes on the scaffold's strand.
    std::vector<VariantSite> variants;
    // With the guard on: the steps whose votes split above single-copy depth
    // (VotesSplitAboveSingleCopy), and with markCopySplits those that fired
    // the guard (SideExtension::copySplits).
    std::vector<int32_t> copySplits;
};

struct GapOutcome {
    Gap gap;
    SideOutcome left;   // the left flank's extension, rightwards
    SideOutcome right;  // the right flank's extension, leftwards
    GapJoin join;
    OpenReason open = OpenReason::None;
    bool closed() const { return open == OpenReason::None; }
};

// How a fill base stands by the pileup of the gap's own copy (own_copy.h):
// held, when it holds the base at least once and ownCopyMajority times as
// often as any other; denied, when another base is held at least twice and
// more often than this one.
inline constexpr int32_t ownCopyMajority = 4;
bool OwnCopyHolds(const BaseVotes& ownCopy, char base);
bool OwnCopyDenies(const BaseVotes& ownCopy, char base);

// Whether every base of `fill` (between the sides' flanks) is certain, and
// none denied by `ownCopy` (one entry per fill base, or none): a base is
// certain when the own copy holds it, or when a side added it in a cycle
// whose votes did not split between copies (SideOutcome::copySplits) and
// every split of that side in the `readLength` bases before it is certain.
bool EveryFillBaseCertain(std::string_view fill, const SideOutcome& left, const SideOutcome& right,
                          const std::vector<BaseVotes>& ownCopy, int32_t readLength);

// The sides are extended with the repeat guard; where it stopped one before
// they met, both are extended again with the guard marking the cycles that
// fire it instead of stopping. With the guard, a join (either one) stands
// when EveryFillBaseCertain, the cycles that split above single-copy depth
// marked as well.
GapOutcome CloseGap(const Gap& gap, const GapFlanks& flanks, const RunInputs& inputs,
                    const ClosingRules& rules);

// The record with every closed gap filled (flanks that overlap are written
// once) and every open one kept, or, with `partial`, replaced by what the
// sides added around an N run of max(minGap, N run - bases added) Ns.
std::string ClosedRecord(std::string_view bases, const std::vector<GapOutcome>& outcomes,
                         bool partial, int64_t minGap);

// A variant site of the bases a record's closed gaps (or, with `partial`,
// its open ones) were filled with: which flank's side added it and where it
// lies in the written record, 0-based. Where both sides name one position
// the left flank's is kept.
struct PlacedVariant {
    Side side = Side::Right;
    size_t position = 0;
    VariantSite site;
};

std::vector<PlacedVariant> PlacedVariants(const std::vector<GapOutcome>& outcomes, bool partial,
                                          int64_t minGap);

}  // namespace lorvex::close
