// The living overlaps of overlap tracking, kept together in blocks of 16
// lanes and laid out by the cycle in which they are read: all lanes of a
// block read the same row in a cycle, which holds each lane's mate byte at
// that lane's own overlap length and its vote code. A cycle then reads one
// row per block and votes and moves on 16 overlaps with a few vector
// instructions, whatever their lengths. A block takes the overlaps born in a
// few consecutive cycles, so that at deep coverage its lanes are mostly in
// use.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "calling/lane_vote_counter.h"
#include "calling/tracked_mates.h"

namespace lorvex {

inline constexpr int overlapBlockLanes = byteLanes;

class OverlapBlocks {
  public:
    explicit OverlapBlocks(int32_t readLength) : readLength_(readLength) {}

    // Adds the living overlap of `overlap` bases of a held mate that has
    // none yet.
    void Add(TrackedMates& mates, uint64_t mate, int32_t overlap);

    // Adds the overlaps of 20 bases born in this cycle, mates that have no
    // living overlap yet, and counts their votes for the next cycle.
    void AddBorn(TrackedMates& mates, std::span<const uint64_t> born, LaneVoteCounter& nextVotes);

    // Ends the mate's living overlap, if it has one.
    void Kill(TrackedMates& mates, uint64_t mate);

    // Ends the overlaps of the mates numbered below `firstMate`, which are no
    // longer held.
    void DropMatesBefore(uint64_t firstMate);

    // Moves every overlap on by the byte just appended to the contig (never a
    // zero byte): an overlap lives on when the byte is its candidate. Returns
    // the next cycle's votes of the lanes that live on, counted while their
    // block is at hand.
    LaneVoteCounter Advance(uint8_t appended, TrackedMates& mates);

    // Keeps the votes that Advance and AddBorn counted: the lanes' votes
    // until a lane is added or killed by another call.
    void KeepVotes(LaneVoteCounter& nextVotes) { laneVotes_ = VotesOf(nextVotes); }

    // The votes of every living overlap.
    BaseVotes Votes() const;

  private:
    // Up to 16 living overlaps that read the same row in every cycle.
    struct Block {
        int32_t row = -1;   // the row of the lanes' present overlaps; -1 for a free block
        int32_t lanes = 0;  // lanes in use
        uint64_t oldestMate = 0;
        uint64_t mates[overlapBlockLanes] = {};
        uint8_t alive[overlapBlockLanes] = {};  // 0xff for a living overlap
    };

    int32_t RowCount() const;
    size_t BlockBytes() const;
    uint8_t* Row(uint32_t block, int32_t row);
    const uint8_t* Row(uint32_t block, int32_t row) const;
    uint32_t NewBlock();
    void FreeBlock(uint32_t block);
    uint32_t BlockWithRoom(int32_t overlap);
    int JoinBlock(TrackedMates& mates, uint32_t block, uint64_t mate);
    void EndLane(uint32_t block, int lane, int32_t overlap);
    ByteLanes FillBornLanes(TrackedMates& mates, uint32_t block, const uint64_t* born, int count);

    int32_t readLength_;
    // Blocks in use, free ones, their rows (32 bytes a row: 16 bases, then
    // 16 vote codes; a lane's base is zero where its overlap would reach the
    // whole mate, which no appended byte equals), and the block that new
    // overlaps join while it has room.
    std::vector<Block> blocks_;
    std::vector<uint32_t> liveBlocks_;
    std::vector<uint32_t> freeBlocks_;
    std::vector<uint8_t> rows_;
    uint32_t openBlock_ = noBlock;
    BaseVotes laneVotes_;
    bool laneVotesFresh_ = false;
};

}  // namespace lorvex
