// The gap's own copy, as the pairs that only it holds show it. Inside a
// repeat family a cycle's votes come from every copy that shares the side's
// anchor windows, so where they split they cannot tell which base is this
// copy's: with one copy in N odd at a base, the family's majority is wrong
// there for one gap in N. A window of the flank that reaches into
// single-copy sequence selects the pairs of this copy alone, and their mates
// hold its bases as far into the fill as the fragments reach. Such windows
// show by how many mates they select: summed over the windows around one, a
// family's copies multiply the count.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "calling/overlap_voting.h"
#include "extension/extend_contig.h"
#include "extension/run_setup.h"

namespace lorvex::close {

// A window's count is summed with ownCopyNeighbours windows on each side;
// single copy: a sum of at most ownCopyFactor x the median sum, and of at
// most ownCopyFactor x `singleCopySum` (so that a flank that lies mostly in
// a family does not take the family's count for a single copy's).
inline constexpr int64_t ownCopyNeighbours = 50;
inline constexpr double ownCopyFactor = 1.5;

// Whether each window of a row of consecutive windows, by the mates each
// selects, lies at least partly in single-copy sequence.
std::vector<bool> SingleCopyWindows(const std::vector<int32_t>& matesPerWindow,
                                    double singleCopySum);

// The mates a window sums over its neighbourhood in single-copy sequence,
// from the single-copy depth (votes per cycle): a cycle's votes are the
// mates of the windows within a read length, so a window holds about D / R.
double SingleCopyMateSum(double singleCopyDepth, int32_t readLength);

// Per base of `fill`, the bases the mates of the flanks' single-copy windows
// hold there: the left flank's windows on the scaffold's strand, the right
// flank's on the other, summed.
std::vector<BaseVotes> OwnCopyPileup(std::string_view left, std::string_view fill,
                                     std::string_view right, const RunInputs& inputs,
                                     const ExtensionRules& rules, double singleCopyDepth);

}  // namespace lorvex::close
