// Mate lookup in the compact pair table: the same selection as
// FetchSelectedMates makes in the text table, for reads of every length.
// A first read of L bases lies on a window when its first min(L, length)
// bases lie on it by the anchor rule, so a short read anchors where the
// whole of it matches; its mate, reverse complemented, is padded to the
// table's longest read (see SelectedMates). Mates come in the text table's
// order (input order of the pairs, the pair's read 1 first), so that both
// forms of one read set give the same queues.
#pragma once

#include <cstdint>
#include <string>

#include "input/pair_table.h"
#include "mates/mate_fetch.h"

namespace lorvex {

// Looks up the window's first `anchor.length` bytes (not terminated) and
// fills `selected` with mates of readLength bases (the table's longest read).
// Without mismatches only the reads that begin with the window are decoded;
// with them, every read that shares the 12-base key is compared past it.
// Safe to call from several threads on one table, each with its own
// SelectedMates.
void FetchPairTableMates(const char* window, const PairTable& table, const AnchorRule& anchor,
                         int32_t readLength, SelectedMates& selected);

// The MateSource of the cycles (extension/incremental_cycles.h) for the
// compact table: each window looked up when it is fetched, in memory.
class PairTableMates {
  public:
    PairTableMates(const PairTable& table, const AnchorRule& anchor, int32_t readLength)
        : table_(table), anchor_(anchor), readLength_(readLength) {}
    const SelectedMates& Fetch(const std::string& contig, int64_t windowStart) {
        PrefetchAhead(contig, windowStart);
        FetchPairTableMates(contig.data() + windowStart, table_, anchor_, readLength_, selected_);
        return selected_;
    }

  private:
    // Windows are fetched in the order of their starts, one a cycle, and
    // those of the next cycles lie inside the contig already: the lookups of
    // the next three are prefetched a step each, so that a lookup finds its
    // directory slot, entries and records in the cache.
    void PrefetchAhead(const std::string& contig, int64_t windowStart) const;

    const PairTable& table_;
    AnchorRule anchor_;
    int32_t readLength_;
    SelectedMates selected_;
};

}  // namespace lorvex
