// Variant sites: accepted bases whose votes hold a runner-up that is more
// than errors give, the minority of a population (a quasispecies,
// heteroplasmy, a pooled or diploid sample). The extension follows the
// majority there; the sites are reported beside it.
#pragma once

#include <cstdint>

#include "calling/overlap_voting.h"

namespace lorvex {

// --min-variant-share when it is not given, and the fewest runner-up votes
// a site needs whatever the share.
inline constexpr double defaultMinVariantShare = 0.05;
inline constexpr int32_t leastVariantVotes = 3;

// One site of a side: `step` counts from 1 next to the sequence; the
// accepted base (the majority) and the votes of its cycle.
struct VariantSite {
    int32_t step = 0;
    char base = 'N';
    BaseVotes votes;
};

// Whether the runner-up holds at least `minShare` of the votes and at least
// leastVariantVotes. minShare 0 or less: no site.
bool IsVariantSite(const BaseVotes& votes, double minShare);

// The base with the most votes other than `major` ('A' before 'C' before
// 'G' before 'T' on ties), and the runner-up's share of the votes.
char MinorBase(const BaseVotes& votes, char major);
double MinorShare(const BaseVotes& votes);

}  // namespace lorvex
