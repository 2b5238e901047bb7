// The evidence of variant rows, apart from the votes that choose the bases.
// A mate votes only where its first bases equal the contig's end, so a
// minority read that also spans an earlier site of its haplotype never
// votes. The pileup looks up the anchor windows along the finished contig
// again, places each mate where one of its keys and the fragment geometry
// put it, allowing a few mismatches, and counts the bases of voting quality
// that placed mates hold at every position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calling/overlap_voting.h"
#include "extension/extend_contig.h"

namespace lorvex {

// Keys of a mate: its bases at offsets 0, 20, 40, ... (and the last 20),
// each to be found exactly on the contig.
inline constexpr int32_t pileupKeyLength = 20;

// Where a pair's mate may start, counted from its window's start, and how
// many of its bases may differ from the contig over their overlap.
struct PileupGeometry {
    int32_t readLength = 0;
    int64_t nearest = 0;
    int64_t farthest = 0;
    int32_t mismatches = 0;
};

// The mates of a run's pairs, for a contig extended by these rules: from one
// base past the overlap of the nearest window's mates to the farthest
// window's, with a mismatch for every 16 bases of a read.
PileupGeometry PileupGeometryFor(const ExtensionRules& rules, int32_t readLength);

// Counts, at contig positions [from, to), the bases that placed mates hold
// with a quality above the vote threshold. A mate is placed at the start s
// in [window + nearest, window + farthest] (s at least 0) where one of its
// keys lies exactly on the contig's bases from `from` - R to `to` + R (R the
// read length) and its bases over the overlap with the contig differ least,
// at most geometry.mismatches; a mate with two such starts, or none, is
// left out.
class MatePileup {
  public:
    MatePileup(const std::string& contig, int64_t from, int64_t to, const PileupGeometry& geometry);

    // `mate` and `quality` hold geometry.readLength bytes.
    void Add(int64_t window, const char* mate, const uint8_t* quality);

    // One entry per contig position from `from` to `to`.
    std::vector<BaseVotes> Counts() const;

  private:
    int64_t Mismatches(const char* mate, int64_t start, int32_t most) const;
    // The slot of a key code in the open-addressed table: its own, or the
    // empty one where it would go.
    size_t Slot(uint64_t code) const;

    const std::string& contig_;
    int64_t from_;
    int64_t to_;
    PileupGeometry geometry_;
    std::vector<int32_t> keyOffsets_;
    // Every key-long stretch of A, C, G, T that may place a mate, by its
    // code: the slots hold code + 1 (0: empty) and the last such stretch,
    // counted from indexFrom_, and previous_ the one before it (-1: none).
    int64_t indexFrom_ = 0;
    int slotBits_ = 4;
    std::vector<uint64_t> slotKeys_;
    std::vector<int32_t> slotHeads_;
    std::vector<int32_t> previous_;
    // Per position the four bases and, fifth, those left out.
    std::vector<int32_t> tallies_;
    std::vector<int64_t> candidates_;
};

// The key offsets of a mate of readLength bases.
std::vector<int32_t> PileupKeyOffsets(int32_t readLength);

// The pileup of the bases a side added: `contig` is the sequence (on the
// strand extended) followed by them, from `sequenceLength` on. Every anchor
// window from a read length past the farthest of the first cycle to the
// nearest of the last is looked up with the run's anchor, allowing at least
// pileupAnchorMismatches past the key, and its mates are placed; then the
// same on the reverse complement, whose mates are the other reads of the
// pairs, so that every read over a base counts once. One entry per added
// base.
inline constexpr int32_t pileupAnchorMismatches = 2;
std::vector<BaseVotes> SidePileup(const std::string& contig, int64_t sequenceLength,
                                  const RunInputs& inputs, const ExtensionRules& rules);

// Adds to each of `counts` the complement of the count of `back` (a pileup
// of the same bases made on the reverse complement, as long) that stands
// over the same base.
void AddReverseComplementCounts(std::vector<BaseVotes>& counts, const std::vector<BaseVotes>& back);

// The mates each of `windows` (in increasing order) selects with the run's
// own anchor rule, as the cycles select them; 0 for a window past the
// contig's end.
std::vector<int32_t> WindowMateCounts(const std::string& contig,
                                      const std::vector<int64_t>& windows, const RunInputs& inputs,
                                      const ExtensionRules& rules);

// The pileup over [from, to) of the mates of `windows` alone (in increasing
// order), selected with the run's own anchor rule and placed as above.
std::vector<BaseVotes> WindowsPileup(const std::string& contig, int64_t from, int64_t to,
                                     const std::vector<int64_t>& windows, const RunInputs& inputs,
                                     const ExtensionRules& rules);

}  // namespace lorvex
