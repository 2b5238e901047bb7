// One extension of a contig, as every extension program runs it: the checks
// that let it start (windows, distances, seed length), then cycles of votes,
// an appended base and the checks after it, until a check fails. The caller
// sees every accepted base, and may look at every cycle and end the run.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/variant.h"
#include "calling/base_choice.h"
#include "calling/continuation.h"
#include "calling/overlap_voting.h"
#include "extension/cycles.h"
#include "extension/run_setup.h"
#include "extension/stop_reason.h"

namespace lorvex {

// How every contig of a run is extended.
struct ExtensionRules {
    RunParameters parameters;
    Variant variant = Variant::Main;
    int32_t cap = extensionCap;  // accepted bases at most
    MakeCycles makeCycles = MakeFastCycles;
};

struct ExtensionOutcome {
    StopReason reason = StopReason::NoWindows;
    BaseVotes stopVotes;   // the votes of the cycle that ended the run
    int32_t accepted = 0;  // bases accepted
};

// How many mates the queue set holds, over how many windows.
struct QueueDepth {
    int64_t mates = 0;
    int64_t windows = 0;
};

// One cycle as an observer sees it, before its checks: the contig with every
// base accepted so far (and the seed), the cycle's votes, and the queue set
// they came from.
struct CycleView {
    const std::string& contig;
    const BaseVotes& votes;
    QueueDepth depth;
    int32_t accepted;
};

using AcceptedBaseSink = std::function<void(char base, const BaseVotes& votes)>;
// A reason to end the run at this cycle (its base is not appended), or
// nothing to let it go on.
using CycleObserver = std::function<std::optional<StopReason>(const CycleView& cycle)>;

// Votes to add to a cycle whose own votes fail the vote check (fewer than
// minVotes, or no base dominant), from evidence the cycles do not hold.
using VoteTopUp = std::function<BaseVotes(const std::string& contig)>;

struct ExtensionHooks {
    AcceptedBaseSink onAccepted;  // every accepted base with the votes that chose it
    CycleObserver observeCycle;   // empty: the cycles' own checks alone end the run
    VoteTopUp topUp;              // empty: a cycle has the mates' votes only
};

// Returns NoWindows when the distances give no window, WindowPastEnd when
// minDistance would put one past the contig's end and SeedTooShort when the
// contig is shorter than maxDistance, before any lookup. The contig keeps every appended base,
// including the one of the cycle whose checks failed. All state of the run lives inside the call
// and inputs are only read (lookups use positioned reads), so several threads may extend different
// contigs from one RunInputs, each with its own TieBreakSource.
ExtensionOutcome ExtendContig(std::string& contig, const RunInputs& inputs,
                              const ExtensionRules& rules, TieBreakSource& tieBreaks,
                              const ExtensionHooks& hooks);

}  // namespace lorvex
