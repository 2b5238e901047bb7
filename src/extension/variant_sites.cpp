#include "extension/variant_sites.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

namespace lorvex {
namespace {

constexpr std::array<char, 4> bases = {'A', 'C', 'G', 'T'};

std::array<int32_t, 4> Counts(const BaseVotes& votes) {
    return {votes.a, votes.c, votes.g, votes.t};
}

// The index of the highest count other than `skip` (-1: none skipped).
int HighestIndex(const std::array<int32_t, 4>& counts, int skip) {
    int best = -1;
    for (int i = 0; i < 4; ++i)
        if (i != skip && (best < 0 || counts[i] > counts[best])) best = i;
    return best;
}

int MajorIndex(char major) {
    for (int i = 0; i < 4; ++i)
        if (bases[i] == major) return i;
    return -1;
}

int32_t MinorCount(const BaseVotes& votes, char major) {
    return Counts(votes)[HighestIndex(Counts(votes), MajorIndex(major))];
}

// Reads against the majority that plainly are not all errors.
constexpr int32_t plainSiteReads = 3;

}  // namespace

double PileupErrorRate(const std::vector<BaseVotes>& counts, const std::string& accepted,
                       double minShare) {
    double against = priorErrorRate * priorErrorBases, total = priorErrorBases;
    for (size_t i = 0; i < counts.size() && i < accepted.size(); ++i) {
        const BaseVotes& votes = counts[i];
        const int32_t minor = MinorCount(votes, accepted[i]);
        if (minor >= plainSiteReads && minor >= minShare * votes.Total()) continue;
        const int major = MajorIndex(accepted[i]);
        against += votes.Total() - (major < 0 ? 0 : Counts(votes)[major]);
        total += votes.Total();
    }
    return against / total;
}

int32_t LeastVariantReads(int32_t depth, double errorRate) {
    // One given other base: a binomial of `depth` draws at a third of the
    // rate; any of the three may reach the count.
    const double p = std::clamp(errorRate / 3, 1e-12, 0.5);
    const double ratio = std::log(p) - std::log1p(-p);
    double logTerm = depth * std::log1p(-p), below = 0;
    for (int32_t k = 0; k < depth; ++k) {
        below += std::exp(logTerm);
        logTerm += std::log(static_cast<double>(depth - k) / (k + 1)) + ratio;
        if (k + 1 >= 2 && 3 * (1 - below) <= variantErrorChance) return k + 1;
    }
    return std::max(depth + 1, 2);
}

bool IsVariantSite(const BaseVotes& votes, char major, double minShare, int32_t leastReads) {
    if (!(minShare > 0)) return false;
    const int32_t minor = MinorCount(votes, major);
    return minor >= leastReads && minor >= minShare * votes.Total();
}

std::vector<VariantSite> FindVariantSites(const std::vector<BaseVotes>& counts,
                                          const std::string& accepted, double minShare) {
    std::vector<VariantSite> sites;
    if (!(minShare > 0)) return sites;
    const double errorRate = PileupErrorRate(counts, accepted, minShare);
    std::unordered_map<int32_t, int32_t> leastByDepth;
    for (size_t i = 0; i < counts.size() && i < accepted.size(); ++i) {
        const int32_t depth = counts[i].Total();
        auto [least, added] = leastByDepth.try_emplace(depth, 0);
        if (added) least->second = LeastVariantReads(depth, errorRate);
        if (IsVariantSite(counts[i], accepted[i], minShare, least->second))
            sites.push_back({static_cast<int32_t>(i + 1), accepted[i], counts[i]});
    }
    return sites;
}

char MinorBase(const BaseVotes& votes, char major) {
    return bases[HighestIndex(Counts(votes), MajorIndex(major))];
}

double MinorShare(const BaseVotes& votes, char major) {
    return votes.Total() > 0 ? static_cast<double>(MinorCount(votes, major)) / votes.Total() : 0;
}

}  // namespace lorvex
