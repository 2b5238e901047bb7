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
// living overlaps of length 20 or more, one entry each, and finds the births
// of a cycle by looking the contig's last 20 bases up among the mates' first
// 20. Most queued mates (anchored too far from the end, or not on this
// haplotype) have no living overlap and cost nothing in a cycle.
//
// Mates are kept in one ring in the order they were added, windows being
// filled oldest first, so dropping the oldest window drops the oldest mates.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "calling/overlap_voting.h"

namespace lorvex {

// One living overlap of a mate: the mate's number in the ring, the overlap
// length, and the mate's byte and vote code at that length (see below).
struct TrackedOverlap {
    uint64_t mate = 0;
    int32_t overlap = 0;
    uint16_t position = 0;
};

struct TrackedQueueSet {
    int32_t readLength = 0;
    // Windows, a ring of ranges of mate numbers; slot `oldest` is the oldest.
    std::vector<uint64_t> slotBegin;
    std::vector<uint64_t> slotEnd;
    size_t oldest = 0;
    // Mates firstMate .. nextMate-1 are held, mate m at m & (capacity - 1).
    uint64_t firstMate = 0;
    uint64_t nextMate = 0;
    uint64_t capacity = 0;
    // Per mate, readLength entries: low byte the mate's base, high byte the
    // vote code of that position (0-3 a qualifying A, C, G, T; 4 a
    // qualifying other byte; 5 a position whose quality does not qualify).
    std::vector<uint16_t> positions;
    // Per mate, the key of its first 20 bases and the previous mate (number
    // + 1, 0 for none) in the same hash bucket.
    std::vector<uint64_t> prefixKeys;
    std::vector<uint64_t> chainNext;
    std::vector<uint64_t> buckets;  // newest mate number + 1 per bucket, 0 for none
    // The living overlaps, in ascending mate order.
    std::vector<TrackedOverlap> overlaps;
    std::vector<TrackedOverlap> births;
};

TrackedQueueSet MakeTrackedQueueSet(size_t slotCount, int32_t readLength);

// Number of mates in slot i counted from the oldest.
uint64_t TrackedSlotSize(const TrackedQueueSet& queues, size_t i);

// Adds a mate of R bases with its R decoded qualities to slot i counted from
// the oldest, its overlaps computed against the contig as it is now. Slots
// are filled oldest first: every slot after i must still be empty.
void AddTrackedMate(TrackedQueueSet& queues, size_t i, const char* mate, const uint8_t* quality,
                    std::string_view contig);

// Empties the oldest slot and makes it the newest.
void RecycleOldestTrackedSlot(TrackedQueueSet& queues);

// The votes of every mate of every slot: equal to CountNextBase over the same
// mates held in the same slots.
BaseVotes CountTrackedVotes(const TrackedQueueSet& queues, Variant variant);

// Moves every overlap on by the contig's last byte, which was just appended,
// and adds the overlaps born with it.
void AppendToTracked(TrackedQueueSet& queues, std::string_view contig);

}  // namespace lorvex
