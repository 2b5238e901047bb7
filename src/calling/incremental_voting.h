// Incremental overlap voting, the fast engine's form of IncrementCountsFromRead
// and CountNextBase with the same votes.
//
// The literal vote compares each mate with the contig's end at every overlap
// length in every cycle. But a mate's matching overlaps change in a simple way
// when one base x is appended: the mate's first o+1 bases equal the new end
// exactly when its first o bases equalled the old end and mate[o] is x. So
// each mate keeps the set of its matching overlap lengths as a bit set and
// moves it on with one shift, one OR and one AND per appended base (bit-
// parallel shift-and string matching). A vote is then a few word operations:
// the matching overlaps that also have good quality are the qualifying
// trials, and the mate's base masks shifted by one tell their candidates.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/variant.h"
#include "calling/overlap_voting.h"

namespace lorvex {

// 64-bit words of a bit set with one bit per position of a read.
int32_t OverlapWords(int32_t readLength);

// The mates of one anchor window. Each mate has a record of six bit sets,
// `words` words each, in this order:
//   overlaps     bit o-1 set when the mate's first o bases equal the contig's
//                last o bases (o from 1 to min(R, contig length));
//   qualifying   bit o-1 set when 20 <= o <= R-1 and quality[o] > 29;
//   A, C, G, T   bit i set when mate[i] is that base.
// A record's six sets are read together in every cycle, so they sit side by
// side in one flat array; the mate's bytes are kept apart for the rare append
// of a byte other than A, C, G, T.
struct OverlapSlot {
    int32_t readLength = 0;
    int32_t words = 0;
    int32_t count = 0;
    std::vector<uint64_t> records;
    std::vector<char> bases;
};

inline constexpr int32_t overlapRecordSets = 6;

OverlapSlot MakeOverlapSlot(int32_t readLength);

// Empties the slot, keeping its memory for the next window.
void ClearOverlapSlot(OverlapSlot& slot);

// Adds a mate of R bases with its R decoded qualities, its overlaps computed
// against the contig as it is now.
void AddMate(OverlapSlot& slot, const char* mate, const uint8_t* quality, std::string_view contig);

// Removes mate i of the slot; the slot's last mate takes its place.
void RemoveMate(OverlapSlot& slot, int32_t mate);

// Whether mate i has a matching overlap of 20 to R-1 bases, one that votes
// when its quality qualifies.
bool HasVotingOverlap(const OverlapSlot& slot, int32_t mate);

// The base (0 A, 1 C, 2 G, 3 T) that mate i of the slot votes for, or -1.
int MateVote(const OverlapSlot& slot, int32_t mate, Variant variant);

// Adds the votes of every mate of the slot.
void AddSlotVotes(const OverlapSlot& slot, Variant variant, BaseVotes& votes);

// Moves every mate's overlaps on by the base just appended to the contig.
void AppendBaseToSlot(OverlapSlot& slot, char base);

// The queue set of the fast engine: a ring of slots, oldest first. Dropping
// the oldest window and taking in a new one reuses the oldest slot's memory,
// so a long run stops allocating once its slots have grown to their largest.
struct OverlapQueueSet {
    std::vector<OverlapSlot> slots;
    size_t oldest = 0;
};

OverlapQueueSet MakeOverlapQueueSet(size_t slotCount, int32_t readLength);

// Slot i counted from the oldest.
OverlapSlot& SlotFromOldest(OverlapQueueSet& queues, size_t i);

// Empties the oldest slot and makes it the newest; returns it.
OverlapSlot& RecycleOldestSlot(OverlapQueueSet& queues);

// The votes of every mate of every slot: equal to CountNextBase over the same
// mates held in the same slots.
BaseVotes CountVotesFromOverlaps(const OverlapQueueSet& queues, Variant variant);

void AppendBaseToOverlaps(OverlapQueueSet& queues, char base);

}  // namespace lorvex
