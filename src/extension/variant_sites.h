// Variant sites: accepted bases where the mates placed on the finished
// contig hold another base more often than errors give, the minority of a
// population (a quasispecies, heteroplasmy, a pooled or diploid sample).
// The extension follows the majority there; the sites are reported beside
// it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calling/overlap_voting.h"

namespace lorvex {

// --min-variant-share when it is not given.
inline constexpr double defaultMinVariantShare = 0.05;

// How often errors may make a row at one position: the chance that some
// other base reaches the count a row needs, were every read against the
// majority an error. Low enough that a side of tens of kilobases at low
// depth gives about no row by chance.
inline constexpr double variantErrorChance = 1e-4;

// What the error rate is taken to be before a side's own counts say
// otherwise: one base in a thousand, the most a counted base (quality 30 or
// more) should carry, over as many bases as this.
inline constexpr double priorErrorRate = 1e-3;
inline constexpr double priorErrorBases = 1000;

// One site of a side: `step` counts from 1 next to the sequence; the
// accepted base (the majority) and the bases the placed mates hold there.
struct VariantSite {
    int32_t step = 0;
    char base = 'N';
    BaseVotes votes;
};

// The share of counted bases that differ from the accepted ones, over the
// positions that are not plainly sites (another base in at least 3 reads and
// in `minShare` of them), with the prior's bases added.
double PileupErrorRate(const std::vector<BaseVotes>& counts, const std::string& accepted,
                       double minShare);

// The fewest reads another base needs over `depth` reads, at least 2: the
// least count that errors at `errorRate` (spread over the three other
// bases) give one of them with a chance of variantErrorChance at most.
int32_t LeastVariantReads(int32_t depth, double errorRate);

// Whether the most frequent base other than `major` holds at least
// `minShare` of the counts and at least `leastReads`. minShare 0 or less:
// no site.
bool IsVariantSite(const BaseVotes& votes, char major, double minShare, int32_t leastReads);

// The sites among a side's accepted bases (`counts` one per base), by the
// side's own error rate.
std::vector<VariantSite> FindVariantSites(const std::vector<BaseVotes>& counts,
                                          const std::string& accepted, double minShare);

// The base counted most often other than `major` ('A' before 'C' before 'G'
// before 'T' on ties), and its share of the counts.
char MinorBase(const BaseVotes& votes, char major);
double MinorShare(const BaseVotes& votes, char major);

}  // namespace lorvex
