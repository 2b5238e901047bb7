// The library's fragment-length distribution from a sample of placed pairs,
// and the anchor distances it calls for.
//
// Size bias: a sequence of length L shows a fragment of length F at
// L - F + 1 places and longer fragments not at all, so every pair is
// weighted by one over the places its length had in all sequences together
// (at most ten times a pair of the median length). Short sequences then no
// longer pull the estimate towards short fragments.
//
// Robust spread: the quartiles around the median give one standard
// deviation on each side ((median - Q1) / 0.6745 below, (Q3 - median) /
// 0.6745 above), so that a skewed library keeps its longer side. The
// fragments taken are those within three of them of the median. Pairs far
// outside (beyond ten deviations of the median absolute deviation) are set
// aside first, so neither a chimeric pair nor duplicates move the estimate.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/variant.h"
#include "extension/fragment_sample.h"

namespace lorvex {

// Fewer pairs (after the weighting, as an effective count) leave the median
// uncertain by more than an eighth of a standard deviation (its standard
// error is about 1.25 sd / sqrt(n)), about 2 % of the mean of a typical
// library, and the outer quartile-based limits by half a deviation.
inline constexpr double leastEffectivePairs = 100;
// Beyond this share of the pairs far from the rest, the pairs are not one
// library (chimeras and the like are far rarer).
inline constexpr double mostFarShare = 0.05;

// Why an estimate cannot be trusted, with the numbers of the estimate that
// say so; the programs word it.
enum class EstimateVerdict {
    Sound,
    TooFewPairs,        // effectivePairs below leastEffectivePairs
    SequencesTooShort,  // longestSequence cannot show the longer half of the fragments
    NotOneLibrary,      // two groups of fragments (groups), or farShare above mostFarShare
};

// Bins of the weighted distribution: [start, end) bases.
struct FragmentBin {
    int32_t start = 0;
    int32_t end = 0;
    uint64_t pairs = 0;  // pairs placed in the bin
    double share = 0;    // the bin's share of the weighted distribution
};

// The middles of two groups of fragment lengths, in bases.
struct FragmentGroups {
    double first = 0;
    double second = 0;
};

// Every number but the verdict's own is measured whenever a pair was kept,
// also for an estimate that is not sound.
struct FragmentEstimate {
    EstimateVerdict verdict = EstimateVerdict::TooFewPairs;
    std::optional<FragmentGroups> groups;  // NotOneLibrary for two groups
    uint64_t pairs = 0;                    // pairs kept (not far from the rest)
    uint64_t farPairs = 0;
    double effectivePairs = 0;  // (sum of weights)^2 / sum of squared weights
    double farShare = 0;        // of the pairs
    int32_t longestSequence = 0;
    double lowerQuartile = 0;
    double median = 0;
    double upperQuartile = 0;
    double low = 0;   // median - 3 (median - Q1) / 0.6745
    double high = 0;  // median + 3 (Q3 - median) / 0.6745
    // Over the kept pairs, at most about a dozen bins between low and high.
    std::vector<FragmentBin> histogram;
};

// sample.fragmentLengths and sample.sequenceLengths ascending (as
// SampleFragments leaves them); every fragment no longer than the longest
// sequence.
FragmentEstimate EstimateFragmentLengths(const FragmentSample& sample);

struct AnchorDistances {
    int32_t minDistance = 0;
    int32_t maxDistance = 0;
};

// MIN = low - R + 20, and at least leastMinDistance (LeastMinDistance of the
// run); MAX = high - 1 (low rounded down, high up).
AnchorDistances DistancesFor(const FragmentEstimate& estimate, int32_t readLength,
                             int64_t leastMinDistance);

}  // namespace lorvex
