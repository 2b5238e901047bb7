#include "extension/variant_sites.h"

#include <array>

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

int MinorIndex(const BaseVotes& votes, char major) {
    int skip = -1;
    for (int i = 0; i < 4; ++i)
        if (bases[i] == major) skip = i;
    return HighestIndex(Counts(votes), skip);
}

}  // namespace

bool IsVariantSite(const BaseVotes& votes, char major, double minShare) {
    if (!(minShare > 0)) return false;
    const int32_t minor = Counts(votes)[MinorIndex(votes, major)];
    return minor >= leastVariantVotes && minor >= minShare * votes.Total();
}

char MinorBase(const BaseVotes& votes, char major) {
    return bases[MinorIndex(votes, major)];
}

double MinorShare(const BaseVotes& votes, char major) {
    return votes.Total() > 0
               ? static_cast<double>(Counts(votes)[MinorIndex(votes, major)]) / votes.Total()
               : 0;
}

}  // namespace lorvex
