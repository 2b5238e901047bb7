// Votes from the reads that cover the contig's end themselves. A cycle's
// votes come from mates, whose partner lies on an anchor window a fragment
// behind the end; where the coverage is thin, few pairs start at those
// distances, and a side can starve while reads still cover its end. A first
// read that begins on the contig's last bases, equals the contig over at
// least minimumOverlap of them and reaches past the end says which base
// follows, as a mate overlapping by as much would. Such reads only top up a
// cycle that cannot decide on its mates' votes (too few of them, or no base
// dominant): they hold less context than a pair (the overlap, not a
// fragment), so where the mates decide they are not asked. Where the mates'
// split is a fluke of a thin stretch, the reads, drawn apart from them,
// side with the majority; where it is two copies or two even haplotypes,
// they split the same way and the cycle still cannot decide.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calling/overlap_voting.h"
#include "extension/run_setup.h"

namespace lorvex {

// What lookups of end reads keep between cycles so that they stop
// allocating.
struct EndReadScratch {
    std::vector<char> group;
    FoundPairs found;
    std::vector<uint8_t> qualities;
    PairRecord record;
};

// The votes for the base after the contig from first reads that equal its
// last d bases (d from minimumOverlap to R - 1 and at most the contig's
// length) and go on past it, counting a read's base at d when its quality
// is voteQuality or more (a compact table's vote bit, which its own
// threshold set). Throws InputError for a damaged table.
BaseVotes EndReadVotes(const std::string& contig, const RunInputs& inputs, int32_t voteQuality,
                       EndReadScratch& scratch);

}  // namespace lorvex
