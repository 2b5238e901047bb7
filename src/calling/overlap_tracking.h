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
// Overlaps are kept together in blocks of 16 lanes, laid out by the cycle
// in which they are read: all lanes of a block read the same row in a cycle,
// which holds each lane's mate byte at that lane's own overlap length and
// its vote code. A cycle then reads one row per block and votes and moves on
// 16 overlaps with a few vector instructions, whatever their lengths. A
// block takes the overlaps born in a few consecutive cycles, so that at deep
// coverage its lanes are mostly in use. A mate with a second living overlap
// (in a repeat), whose candidates must be taken together, is followed by the bit
// sets of incremental_voting.h instead, until it has no overlap of 20 or
// more left, so that repeats cost no more than they do there.
//
// Mates are kept in one ring in the order they were added, windows being
// filled oldest first, so dropping the oldest window drops the oldest mates.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calling/incremental_voting.h"
#include "calling/overlap_voting.h"

namespace lorvex {

inline constexpr int overlapBlockLanes = 16;

// Up to 16 living overlaps that read the same row in every cycle.
struct OverlapBlock {
    int32_t row = -1;   // the row of the lanes' present overlaps; -1 for a free block
    int32_t lanes = 0;  // lanes in use
    uint64_t oldestMate = 0;
    uint64_t mates[overlapBlockLanes] = {};
    uint8_t alive[overlapBlockLanes] = {};  // 0xff for a living overlap
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
    // Per mate, 2 x readLength bytes: its bases, then the vote code of each
    // position (0-3 a qualifying A, C, G, T; 4 a qualifying other byte; 5 a
    // position whose trial never qualifies).
    std::vector<uint8_t> mateBytes;
    // Per mate: the key of its first 20 bases, the previous mate (number + 1,
    // 0 for none) in the same hash bucket, the block and lane of its living
    // overlap if it has one, and its place among the repeat mates or -1.
    std::vector<uint64_t> prefixKeys;
    std::vector<uint64_t> chainNext;
    std::vector<uint32_t> overlapBlock;
    std::vector<uint8_t> overlapLane;
    std::vector<int32_t> repeatIndex;
    std::vector<uint64_t> buckets;  // newest mate number + 1 per bucket, 0 for none
    // Blocks in use, free ones, their rows (32 bytes a row: 16 bases, then 16
    // vote codes; a lane's base is zero where its overlap would reach the
    // whole mate, which no appended base equals), and the block that new
    // overlaps join while it has room.
    std::vector<OverlapBlock> blocks;
    std::vector<uint32_t> liveBlocks;
    std::vector<uint32_t> freeBlocks;
    std::vector<uint8_t> rows;
    uint32_t openBlock = UINT32_MAX;
    // The contig's last min(L, R-1) bytes as of the last append or added
    // mate, the keys of the 20 bytes at each of their starts (index o - 20 for the
    // start of an overlap of o) and how many of those keys fall on each
    // entry of a filter.
    std::string recentTail;
    std::vector<uint64_t> recentKeys;
    uint16_t recentFilter[4096] = {};
    // The votes of the blocks' lanes, counted by the last append and valid
    // until a lane is added or killed elsewhere.
    BaseVotes laneVotes;
    bool laneVotesFresh = false;
    // Mates with several living overlaps, in bit-set form, and their numbers.
    OverlapSlot repeats;
    std::vector<uint64_t> repeatMates;
    std::vector<uint8_t> repeatQuality;
    std::vector<uint64_t> born;
};

TrackedQueueSet MakeTrackedQueueSet(size_t slotCount, int32_t readLength);

// Adds a mate of R bases with its R decoded qualities to slot i counted from
// the oldest, its overlaps computed against the contig as it is now. Slots
// are filled oldest first: every slot after i must still be empty.
void AddTrackedMate(TrackedQueueSet& queues, size_t i, const char* mate, const uint8_t* quality,
                    std::string_view contig);

// The mates held in all slots.
int64_t TrackedMateCount(const TrackedQueueSet& queues);

// Empties the oldest slot and makes it the newest.
void RecycleOldestTrackedSlot(TrackedQueueSet& queues);

// The votes of every mate of every slot: equal to CountNextBase over the same
// mates held in the same slots.
BaseVotes CountTrackedVotes(const TrackedQueueSet& queues, Variant variant);

// Moves every overlap on by the contig's last byte, which was just appended
// (never a zero byte), and adds the overlaps born with it.
void AppendToTracked(TrackedQueueSet& queues, std::string_view contig);

}  // namespace lorvex
