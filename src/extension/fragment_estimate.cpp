#include "extension/fragment_estimate.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace lorvex {
namespace {

// The quartiles of a normal distribution lie 0.6745 sd from its median.
constexpr double quartileDeviations = 0.6745;
constexpr double madToDeviation = 1.4826;
constexpr double farDeviations = 10;
constexpr double takenDeviations = 3;
// The sequences must reach this many upper deviations past the median for the
// upper quartile to be seen with its tail.
constexpr double seenDeviations = 2;
// Two groups: a dip to at most this share of the lower of the peaks on its
// two sides, with at least this share of the weight on each side.
constexpr double deepestDip = 0.5;
constexpr double leastGroupShare = 0.1;
constexpr double dipDeviations = 4;
constexpr double mostDipBins = 4096;
constexpr int32_t displayBins = 12;
constexpr double mostWeightRatio = 10;

// The pairs of one fragment length and their weight together.
struct LengthWeight {
    int32_t length = 0;
    uint64_t pairs = 0;
    double weight = 0;
};

// Places where a fragment of `length` could be seen: the sum over the
// sequences of L - length + 1 where positive.
double Opportunities(const std::vector<int32_t>& sortedLengths,
                     const std::vector<double>& suffixSums, int32_t length) {
    const size_t first = std::lower_bound(sortedLengths.begin(), sortedLengths.end(), length) -
                         sortedLengths.begin();
    const double count = static_cast<double>(sortedLengths.size() - first);
    return suffixSums[first] - (static_cast<double>(length) - 1) * count;
}

// Each pair weighs one over the places its length had, but never more than
// mostWeightRatio times a pair of the sample's (unweighted) median length:
// a pair at the very end of a sequence (say a chimera) weighs as much as
// hundreds, and alone would move the estimate.
std::vector<LengthWeight> WeightedLengths(const FragmentSample& sample) {
    const std::vector<int32_t>& sequences = sample.sequenceLengths;
    std::vector<double> suffixSums(sequences.size() + 1, 0.0);
    for (size_t i = sequences.size(); i-- > 0;)
        suffixSums[i] = suffixSums[i + 1] + static_cast<double>(sequences[i]);
    std::vector<LengthWeight> lengths;
    for (const int32_t length : sample.fragmentLengths) {
        if (lengths.empty() || lengths.back().length != length) lengths.push_back({length, 0, 0});
        ++lengths.back().pairs;
    }
    if (lengths.empty()) return lengths;
    const int32_t median = sample.fragmentLengths[sample.fragmentLengths.size() / 2];
    const double fewestPlaces = Opportunities(sequences, suffixSums, median) / mostWeightRatio;
    for (LengthWeight& entry : lengths)
        entry.weight =
            static_cast<double>(entry.pairs) /
            std::max({1.0, fewestPlaces, Opportunities(sequences, suffixSums, entry.length)});
    return lengths;
}

double TotalWeight(const std::vector<LengthWeight>& lengths) {
    double total = 0;
    for (const LengthWeight& entry : lengths) total += entry.weight;
    return total;
}

// The q-quantile of the weighted lengths, each length spread evenly over
// [length - 0.5, length + 0.5) so that the quantile moves smoothly.
double Quantile(const std::vector<LengthWeight>& lengths, double q) {
    const double target = q * TotalWeight(lengths);
    double below = 0;
    for (const LengthWeight& entry : lengths) {
        if (entry.weight > 0 && below + entry.weight >= target)
            return entry.length - 0.5 + (target - below) / entry.weight;
        below += entry.weight;
    }
    return lengths.empty() ? 0 : lengths.back().length + 0.5;
}

// The weighted median absolute deviation from `center`.
double MedianDeviation(const std::vector<LengthWeight>& lengths, double center) {
    std::vector<LengthWeight> deviations;
    for (const LengthWeight& entry : lengths)
        deviations.push_back({static_cast<int32_t>(std::lround(std::fabs(entry.length - center))),
                              entry.pairs, entry.weight});
    std::sort(deviations.begin(), deviations.end(),
              [](const LengthWeight& a, const LengthWeight& b) { return a.length < b.length; });
    return std::max(0.5, Quantile(deviations, 0.5));
}

// Bins of `width` bases from the shortest kept length on: their weight, and
// the variance of that weight (each pair counting as a Poisson draw).
struct Bins {
    std::vector<double> weight;
    std::vector<double> variance;
};

Bins BinnedWeights(const std::vector<LengthWeight>& lengths, int32_t width) {
    const int32_t first = lengths.front().length;
    const size_t n = static_cast<size_t>((lengths.back().length - first) / width + 1);
    Bins bins{std::vector<double>(n, 0.0), std::vector<double>(n, 0.0)};
    for (const LengthWeight& entry : lengths) {
        const size_t bin = static_cast<size_t>((entry.length - first) / width);
        bins.weight[bin] += entry.weight;
        bins.variance[bin] += entry.weight * entry.weight / static_cast<double>(entry.pairs);
    }
    return bins;
}

// A (1, 2, 1) smoothing of the bins and the variance of each smoothed value.
Bins Smoothed(const Bins& bins) {
    const size_t n = bins.weight.size();
    Bins smooth{std::vector<double>(n), std::vector<double>(n)};
    for (size_t i = 0; i < n; ++i) {
        const auto at = [&](const std::vector<double>& values, size_t j) {
            return j < n ? values[j] : 0.0;  // i - 1 wraps past n at the start
        };
        smooth.weight[i] =
            (at(bins.weight, i - 1) + 2 * bins.weight[i] + at(bins.weight, i + 1)) / 4;
        smooth.variance[i] =
            (at(bins.variance, i - 1) + 4 * bins.variance[i] + at(bins.variance, i + 1)) / 16;
    }
    return smooth;
}

// Two groups in bins of `width`, by the middles of the highest bins on
// either side of the dip: a bin of the lightly smoothed distribution
// that dips to at most deepestDip of the highest bins on both its sides, by
// far more than chance makes, with a good share of the weight on each side.
std::optional<FragmentGroups> TwoGroupsInBins(const std::vector<LengthWeight>& lengths,
                                              int32_t width) {
    const Bins bins = BinnedWeights(lengths, width);
    const size_t n = bins.weight.size();
    if (n < 3) return std::nullopt;
    const Bins smooth = Smoothed(bins);
    const std::vector<double>& height = smooth.weight;
    // The highest bin before and after each bin, and the weight before it.
    std::vector<size_t> peakBefore(n, 0), peakAfter(n, n - 1);
    std::vector<double> weightBefore(n, 0);
    for (size_t i = 1; i < n; ++i) {
        peakBefore[i] = height[i - 1] > height[peakBefore[i - 1]] ? i - 1 : peakBefore[i - 1];
        weightBefore[i] = weightBefore[i - 1] + bins.weight[i - 1];
    }
    for (size_t i = n - 1; i-- > 0;)
        peakAfter[i] = height[i + 1] >= height[peakAfter[i + 1]] ? i + 1 : peakAfter[i + 1];
    const double total = weightBefore[n - 1] + bins.weight[n - 1];
    const auto middle = [&](size_t bin) {
        return lengths.front().length + (static_cast<double>(bin) + 0.5) * width;
    };
    for (size_t i = 1; i + 1 < n; ++i) {
        const double sideWeight =
            std::min(weightBefore[i], total - weightBefore[i] - bins.weight[i]);
        // Each peak must stand above the dip by far more than its own
        // chance variation (the dip's, were there no dip, would be alike).
        const auto standsAbove = [&](size_t peak) {
            const double dip = height[peak] - height[i];
            return height[i] <= deepestDip * height[peak] &&
                   dip >= dipDeviations * std::sqrt(2 * smooth.variance[peak]);
        };
        if (sideWeight >= leastGroupShare * total && standsAbove(peakBefore[i]) &&
            standsAbove(peakAfter[i]))
            return FragmentGroups{middle(peakBefore[i]), middle(peakAfter[i])};
    }
    return std::nullopt;
}

// Two groups of fragments, looked for in bins of half a deviation (where a
// wide and a far second library show), then ever finer ones (where a narrow
// library beside a wide one shows).
std::optional<FragmentGroups> FindTwoGroups(const std::vector<LengthWeight>& lengths,
                                            double deviation) {
    const double range = lengths.back().length - lengths.front().length + 1;
    for (double width = deviation / 2; width >= 1 && range / width <= mostDipBins; width /= 2)
        if (const std::optional<FragmentGroups> groups =
                TwoGroupsInBins(lengths, static_cast<int32_t>(std::lround(width))))
            return groups;
    return std::nullopt;
}

// 1, 2 or 5 times a power of ten, at least `least`.
int32_t RoundBinWidth(double least) {
    for (int32_t scale = 1;; scale *= 10)
        for (const int32_t step : {1, 2, 5})
            if (step * scale >= least) return step * scale;
}

// Bins over the fragments taken (low to high, as far as any was seen).
std::vector<FragmentBin> Histogram(const std::vector<LengthWeight>& lengths, double low,
                                   double high) {
    const double total = TotalWeight(lengths);
    low = std::max(low, static_cast<double>(lengths.front().length));
    high = std::min(high, lengths.back().length + 1.0);
    const int32_t width = RoundBinWidth((high - low) / displayBins);
    const int32_t first = static_cast<int32_t>(std::floor(low / width)) * width;
    std::vector<FragmentBin> bins;
    for (int32_t start = first; start < high; start += width)
        bins.push_back({start, start + width, 0, 0});
    if (bins.empty()) return bins;  // every fragment of one length, no spread
    for (const LengthWeight& entry : lengths) {
        if (entry.length < first || entry.length >= bins.back().end) continue;
        FragmentBin& bin = bins[static_cast<size_t>((entry.length - first) / width)];
        bin.pairs += entry.pairs;
        bin.share += entry.weight / total;
    }
    return bins;
}

}  // namespace

FragmentEstimate EstimateFragmentLengths(const FragmentSample& sample) {
    FragmentEstimate estimate;
    if (!sample.sequenceLengths.empty()) estimate.longestSequence = sample.sequenceLengths.back();
    const std::vector<LengthWeight> lengths = WeightedLengths(sample);

    // Set aside the pairs far from the rest, then measure what is left.
    const double center = Quantile(lengths, 0.5);
    const double fence = farDeviations * madToDeviation * MedianDeviation(lengths, center);
    std::vector<LengthWeight> kept;
    for (const LengthWeight& entry : lengths) {
        if (std::fabs(entry.length - center) <= fence) {
            kept.push_back(entry);
            estimate.pairs += entry.pairs;
        } else {
            estimate.farPairs += entry.pairs;
        }
    }
    const double keptWeight = TotalWeight(kept);
    double squares = 0;
    for (const LengthWeight& entry : kept) squares += entry.weight * entry.weight / entry.pairs;
    estimate.effectivePairs = squares > 0 ? keptWeight * keptWeight / squares : 0;
    const uint64_t allPairs = estimate.pairs + estimate.farPairs;
    estimate.farShare =
        allPairs > 0 ? static_cast<double>(estimate.farPairs) / static_cast<double>(allPairs) : 0;

    if (kept.empty()) return estimate;  // TooFewPairs
    // Measured even for too few pairs: a refusal still suggests distances.
    estimate.lowerQuartile = Quantile(kept, 0.25);
    estimate.median = Quantile(kept, 0.5);
    estimate.upperQuartile = Quantile(kept, 0.75);
    const double lowerDeviation = (estimate.median - estimate.lowerQuartile) / quartileDeviations;
    const double upperDeviation = (estimate.upperQuartile - estimate.median) / quartileDeviations;
    estimate.low = estimate.median - takenDeviations * lowerDeviation;
    estimate.high = estimate.median + takenDeviations * upperDeviation;
    estimate.histogram = Histogram(kept, estimate.low, estimate.high);

    if (estimate.effectivePairs < leastEffectivePairs) {
        estimate.verdict = EstimateVerdict::TooFewPairs;
    } else if (estimate.farShare > mostFarShare) {
        estimate.verdict = EstimateVerdict::NotOneLibrary;
    } else if (const std::optional<FragmentGroups> groups =
                   FindTwoGroups(kept, (lowerDeviation + upperDeviation) / 2)) {
        estimate.verdict = EstimateVerdict::NotOneLibrary;
        estimate.groups = groups;
    } else if (estimate.longestSequence < estimate.median + seenDeviations * upperDeviation) {
        estimate.verdict = EstimateVerdict::SequencesTooShort;
    } else {
        estimate.verdict = EstimateVerdict::Sound;
    }
    return estimate;
}

AnchorDistances DistancesFor(const FragmentEstimate& estimate, int32_t readLength,
                             int64_t leastMinDistance) {
    const double least = static_cast<double>(leastMinDistance);
    const double low = std::floor(estimate.low);
    const double high = std::ceil(estimate.high);
    AnchorDistances distances;
    distances.minDistance =
        static_cast<int32_t>(std::clamp(low - readLength + 20, least, 2147483647.0));
    distances.maxDistance = static_cast<int32_t>(std::clamp(high - 1, 0.0, 2147483647.0));
    return distances;
}

}  // namespace lorvex
