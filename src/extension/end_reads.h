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

// The end reads of one growing contig. Each start position is looked up
// once, when the contig's end first lies minimumOverlap bases past it; the
// reads found there are kept and checked against each base appended after,
// so a run of cycles that ask costs one lookup a cycle, not one a position.
class EndReads {
  public:
    // Votes count a read's base of quality voteQuality or more (a compact
    // table's vote bit, which its own threshold set).
    EndReads(const RunInputs& inputs, int32_t voteQuality);

    // The votes for the base after `contig` from first reads that equal its
    // last d bases (d from minimumOverlap to R - 1) and go on past it. The
    // contig must be the one of the calls before, grown at its end (another
    // starts afresh). Throws InputError for a damaged table.
    BaseVotes Votes(const std::string& contig);

  private:
    struct Candidate {
        int64_t start = 0;  // where the read begins on the contig
        std::string bases;
        std::vector<uint8_t> votes;  // 1 where the base may vote
    };
    void LookUp(const std::string& contig, int64_t start);

    const RunInputs& inputs_;
    int32_t voteQuality_;
    std::vector<Candidate> candidates_;
    int64_t checkedTo_ = 0;     // the contig length the candidates agree with
    std::string checkedStart_;  // the contig's first bases, to tell another contig
    std::vector<char> group_;
    FoundPairs found_;
};

}  // namespace lorvex
