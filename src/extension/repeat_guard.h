// The repeat guard: ends an extension at the cycle whose votes show the
// contig's end in more than one copy of the genome, and lets it go on
// through a variant of one copy. Inside a repeat whose copies agree,
// extending is right whichever copy the reads came from; what goes wrong is
// the cycle where the copies disagree. There each copy brings its own share
// of the votes on top of the others', so two things show together:
// - a split: the runner-up holds a sizeable part of the single-copy depth
//   (a third of it, and at least 2 votes), far above what errors give;
// - a depth jump: the votes exceed the side's local depth (the median of its
//   recent steady cycles) by at least half the runner-up (a copy on top adds
//   about as many votes as it brings against, a variant none: half-way between
//   the two), and by more than the counts' own noise (its square root), and
//   they reach the global single-copy depth D, which keeps the guard out of
//   thin stretches, where a split is a dip in coverage.
// A variant of a population (a quasispecies, heteroplasmy, a pooled or diploid
// sample) splits the votes of one copy: the total stays at the local depth, so
// the side follows the majority, and the dominance ratio still decides where
// the split is too even. Where coverage swings by a third within a few hundred
// bases, a variant can still come with a jump; but a population shows its
// haplotypes' shares at site after site, while a copy brings a share new to the
// side. So a split with a jump does not fire when the side has passed at least
// two splits at steady depth and the runner-up's share of the votes is at most
// one and a half times the largest of theirs. One such split is not enough:
// where a family's copies share the seed's windows, their splits can show once
// at steady depth. The local depth follows slow changes of coverage but not
// jumps: a cycle enters it only below four thirds of the local depth (or below
// D, so that it comes back after a thin stretch), so inside a repeat it keeps
// the depth from before the repeat, even where the copies agree for thousands
// of bases. It is D until the side has 20 cycles of its own, which enter at any
// depth: a side that starts where coverage is high takes that depth, and a seed
// inside a repeat family, whose copies split the votes within a few cycles,
// still stops at the family's first split.
#pragma once

#include <cstdint>
#include <vector>

#include "calling/overlap_voting.h"
#include "extension/extend_contig.h"

namespace lorvex {

// A multiple of the single-copy depth, as a fraction so that comparisons
// with whole vote counts are exact.
struct DepthFactor {
    int32_t numerator = 1;
    int32_t denominator = 1;
};

// A split: the runner-up holds at least guardRunnerUpFactor x the local
// depth and at least guardRunnerUpFloor votes.
inline constexpr DepthFactor guardRunnerUpFactor{1, 3};
inline constexpr int32_t guardRunnerUpFloor = 2;
// The local depth: the median of the last localDepthCycles cycles that
// entered it, once localDepthLeast have; the first localDepthLeast enter
// whatever their depth, later ones below admitFactor x the local depth (or
// below D). A copy on top doubles the depth; the further the factor lies
// below 2, the fewer of the doubled cycles slip in on their low swings and
// raise the local depth step by step inside a long repeat.
inline constexpr size_t localDepthCycles = 200;
inline constexpr size_t localDepthLeast = 20;
inline constexpr double admitFactor = 4.0 / 3;
// A cycle at least this many times D holds more than one copy's votes,
// whatever the side's local depth (VotesSplitAboveSingleCopy).
inline constexpr double aboveSingleCopyFactor = 1.5;
// The splits at steady depth that explain a split with a jump: at least
// steadySplitsNeeded on the side, and a runner-up share at most
// steadyShareFactor x the largest of theirs.
inline constexpr size_t steadySplitsNeeded = 2;
inline constexpr DepthFactor steadyShareFactor{3, 2};

// The second highest of the four counts (the highest again on a tie).
int32_t RunnerUpVotes(const BaseVotes& votes);

// Whether the cycle's votes split with a depth jump against the global
// single-copy depth and the local depth (both > 0): the guard fires unless
// the side's steady splits explain it (SteadySplits).
bool VotesSplitBetweenCopies(const BaseVotes& votes, double singleCopyDepth, double localDepth);

// Whether the votes split as the guard asks of a runner-up, but without the
// depth jump: a split at steady depth, which SteadySplits keeps.
bool VotesSplitAtSteadyDepth(const BaseVotes& votes, double singleCopyDepth, double localDepth);

// Whether the votes split as the guard asks of a runner-up, measured against
// D alone, in a cycle of at least aboveSingleCopyFactor x D votes: a split
// between copies whatever the side's local depth. A side that starts inside a
// family takes the family's depth as its local depth, so there its copies'
// splits never show as a jump.
bool VotesSplitAboveSingleCopy(const BaseVotes& votes, double singleCopyDepth);

// The fewest runner-up votes that count as a split at depth D (for display:
// the rule compares exactly).
double GuardRunnerUpThreshold(double singleCopyDepth);

// The depth of a side's recent steady cycles.
class LocalDepth {
  public:
    explicit LocalDepth(double singleCopyDepth) : global_(singleCopyDepth) {}
    // D until localDepthLeast cycles have entered, then their median.
    double Value() const { return value_ > 0 ? value_ : global_; }
    // Takes a cycle's vote total in: any of the first localDepthLeast, then
    // those below the larger of D and admitFactor x the local depth.
    void Observe(int32_t votes);

  private:
    double global_;
    double value_ = 0;
    std::vector<int32_t> recent_;  // a ring of the last localDepthCycles
    size_t next_ = 0;
};

// The splits a side passed at steady depth: how many, and the largest
// runner-up share among them.
class SteadySplits {
  public:
    void Add(const BaseVotes& votes);
    // Whether the side's splits explain one with a jump as a variant: enough
    // of them, and its runner-up's share of the votes within the factor of
    // the largest of theirs.
    bool Explain(const BaseVotes& votes) const;

  private:
    size_t count_ = 0;
    int64_t largestRunnerUp_ = 0;  // the largest share, as runner-up / total
    int64_t largestTotal_ = 1;
};

// An observer for ExtensionHooks that ends the run with StopReason::Repeat
// at the first cycle that fires the guard, or, given `copySplits`, lets the
// run go on and adds the step of every such cycle there (1 for the cycle of
// the first base); each run needs its own.
CycleObserver RepeatGuardObserver(double singleCopyDepth,
                                  std::vector<int32_t>* copySplits = nullptr);

}  // namespace lorvex
