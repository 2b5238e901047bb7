// Overlap tracking, the programs' form of CountNextBase: the same votes, at a
// cost that grows with the mates that overlap the contig's end, not with all
// queued mates.
//
// A mate can only vote through an overlap o of 20 to R-1 bases, where its
// first o bases equal the contig's last o. Such an overlap is born at o = 20,
// in the cycle whose contig ends with the mate's first 20 bases, and then
// lives while every appended base equals the mate's base at o (its candidate
// of that cycle), growing by one per cycle until it passes R-1. So instead of
// following every mate's overlaps from length 1 on, the set keeps only the
// living overlaps of length 20 or more, and finds the births of a cycle by
// looking the contig's last 20 bases up among the mates' first 20. Most
// queued mates (anchored too far from the end, or not on this haplotype)
// have no living overlap and cost nothing in a cycle.
//
// The parts: the mates in the order they were added (tracked_mates.h), their
// living overlaps in blocks of 16 lanes (overlap_blocks.h), the mates with a
// second living overlap in a repeat (repeat_mates.h), and the keys of the
// contig's end that a new mate's overlaps are looked up in
// (recent_tail_filter.h).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/variant.h"
#include "calling/overlap_blocks.h"
#include "calling/overlap_voting.h"
#include "calling/recent_tail_filter.h"
#include "calling/repeat_mates.h"
#include "calling/tracked_mates.h"

namespace lorvex {

// The mates of a ring of slots, one per anchor window, oldest first.
class TrackedQueueSet {
  public:
    TrackedQueueSet(size_t slotCount, int32_t readLength);

    // Adds a mate of R bases with its R decoded qualities to slot i counted
    // from the oldest, its overlaps computed against the contig as it is now.
    // Slots are filled oldest first: every slot after i must still be empty.
    void AddMate(size_t i, const char* mate, const uint8_t* quality, std::string_view contig);

    // The mates held in all slots.
    int64_t MateCount() const;

    // Empties the oldest slot and makes it the newest.
    void RecycleOldestSlot();

    // The votes of every mate of every slot: equal to CountNextBase over the
    // same mates held in the same slots.
    BaseVotes Votes(Variant variant) const;

    // Moves every overlap on by the contig's last byte, which was just
    // appended (never a zero byte), and adds the overlaps born with it.
    void Append(std::string_view contig);

  private:
    void MoveToRepeats(uint64_t mate, std::string_view contig);
    void FindBirths(std::string_view contig);

    int32_t readLength_;
    // Per slot, a range of mate numbers; slot oldestSlot_ is the oldest.
    std::vector<uint64_t> slotBegin_;
    std::vector<uint64_t> slotEnd_;
    size_t oldestSlot_ = 0;
    TrackedMates mates_;
    OverlapBlocks blocks_;
    RepeatMates repeats_;
    RecentTailFilter recentTail_;
    std::vector<uint64_t> born_;
};

}  // namespace lorvex
