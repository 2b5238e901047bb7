// Variant sites: accepted bases where the mates placed on the finished
// contig hold another base more often than errors give, the minority of a
// population (a quasispecies, heteroplasmy, a pooled or diploid sample).
// The extension follows the majority there; the sites are reported beside
// it.
#pragma once

#include <cstdint>

#include "calling/overlap_voting.h"

namespace lorvex {

// --min-variant-share when it is not given, and the fewest runner-up votes
// a site needs whatever the share.
inline constexpr double defaultMinVariantShare = 0.05;
inline constexpr int32_t leastVariantVotes = 3;

// One site of a side: `step` counts from 1 next to the sequence; the
// accepted base (the majority) and the bases the placed mates hold there.
struct VariantSite {
    int32_t step = 0;
    char base = 'N';
    BaseVotes votes;
};

// Whether the most frequent base other than `major` holds at least
// `minShare` of the counts and at least leastVariantVotes. minShare 0 or
// less: no site.
bool IsVariantSite(const BaseVotes& votes, char major, double minShare);

// The base counted most often other than `major` ('A' before 'C' before 'G'
// before 'T' on ties), and its share of the counts.
char MinorBase(const BaseVotes& votes, char major);
double MinorShare(const BaseVotes& votes, char major);

}  // namespace lorvex
