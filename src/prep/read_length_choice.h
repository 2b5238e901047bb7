// The table's read length R when the user gives none, chosen from the pairs
// at the start of the input.
//
// A pair is kept at R when both reads begin with R bases of A, C, G, T, so a
// longer R keeps fewer pairs of trimmed reads. But every kept pair votes from
// more overlaps: a mate votes where it overlaps the contig's end by 20 to
// R - 1 bases, R - 20 overlaps in all, and windows of R bases anchor more
// specifically. The votes a cycle collects grow with (pairs kept) x (R - 20),
// and the choice is the R that makes this product largest, the longer R on a
// tie. Reads of one length give that length; on quality-trimmed reads the
// product peaks where the extension goes furthest (bench/RESULTS.md).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace lorvex::prep {

// How many A, C, G, T (either case) a read begins with.
size_t UsableLength(std::string_view sequence);

// For each length u, the pairs whose reads both begin with u usable bases
// and not both with more (lengths above the table's largest R count as it).
struct PairLengths {
    std::vector<uint64_t> pairsUsableFor;
    uint64_t pairs = 0;
    void Add(std::string_view firstSequence, std::string_view secondSequence);
};

struct LengthCandidate {
    int32_t readLength = 0;
    uint64_t pairsKept = 0;
    // (pairs kept) x (R - 20), what the choice makes largest; 0 up to R = 20.
    uint64_t VotingRoom() const;
};

// Pairs kept at every R from the longest usable length down to the shortest
// one (but not below 12), longest first. Empty when no pair has 12 usable
// bases.
std::vector<LengthCandidate> LengthCandidates(const PairLengths& lengths);

// The R of the largest VotingRoom (the longer on a tie); 0 when no candidate
// has room, that is no pair has more than 20 usable bases.
int32_t ChooseReadLength(const std::vector<LengthCandidate>& candidates);

// A few rows to show the trade-off: the longest usable length, the chosen
// R, the R used (when given), and the three lengths 10, 20 and 30 below the
// one used, longest first.
std::vector<LengthCandidate> ShownCandidates(const std::vector<LengthCandidate>& candidates,
                                             int32_t chosen, int32_t used);

// Pairs kept at R (candidates as LengthCandidates gives them).
uint64_t PairsKeptAt(const std::vector<LengthCandidate>& candidates, int32_t readLength);

}  // namespace lorvex::prep
