// The repeat guard: ends an extension at the cycle whose votes show the
// contig's end in more than one copy of the genome. Inside a repeat whose
// copies agree, extending is right whichever copy the reads came from; what
// goes wrong is the cycle where the copies disagree (a repeat's exit, a
// divergent site). There each copy brings its own single-copy share of the
// votes, so the runner-up base holds a sizeable part of the single-copy depth
// D, far above the one or two votes that sequencing errors give. The guard
// therefore fires when the runner-up holds at least D / 3 (and at least 2).
// In deep repeats the seed's own copy is the minority, which is why the
// runner-up is measured against D and not against the cycle's votes.
// Requiring the votes to reach D keeps the guard out of thin stretches,
// where a split is a dip in coverage and the dominance check decides.
#pragma once

#include <cstdint>

#include "calling/overlap_voting.h"
#include "extension/extend_contig.h"

namespace lorvex {

// A multiple of the single-copy depth, as a fraction so that comparisons
// with whole vote counts are exact.
struct DepthFactor {
    int32_t numerator = 1;
    int32_t denominator = 1;
};

// The guard fires at a cycle whose votes total at least guardVotesFactor x D
// and whose runner-up holds at least guardRunnerUpFactor x D and at least
// guardRunnerUpFloor votes.
inline constexpr DepthFactor guardVotesFactor{1, 1};
inline constexpr DepthFactor guardRunnerUpFactor{1, 3};
inline constexpr int32_t guardRunnerUpFloor = 2;

// The second highest of the four counts (the highest again on a tie).
int32_t RunnerUpVotes(const BaseVotes& votes);

// Whether the cycle's votes fire the guard at single-copy depth D (> 0).
bool VotesSplitBetweenCopies(const BaseVotes& votes, double singleCopyDepth);

// The fewest runner-up votes that fire the guard at depth D (for display:
// the rule compares exactly).
double GuardRunnerUpThreshold(double singleCopyDepth);

// An observer for ExtensionHooks that ends the run with StopReason::Repeat
// at the first cycle that fires the guard.
CycleObserver RepeatGuardObserver(double singleCopyDepth);

}  // namespace lorvex
