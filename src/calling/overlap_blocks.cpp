#include "calling/overlap_blocks.h"

#include <algorithm>

namespace lorvex {
namespace {

constexpr size_t rowBytes = 2 * overlapBlockLanes;
// Cycles after its first row in which a block still takes births: a block
// has the rows of one overlap from 20 bases to the whole mate, and as many
// more.
constexpr int32_t joiningRows = 32;

}  // namespace

int32_t OverlapBlocks::RowCount() const {
    return readLength_ - minimumOverlap + joiningRows;
}

size_t OverlapBlocks::BlockBytes() const {
    return static_cast<size_t>(RowCount()) * rowBytes;
}

// Row k of a block: 16 bases, then 16 vote codes.
uint8_t* OverlapBlocks::Row(uint32_t block, int32_t row) {
    return rows_.data() + block * BlockBytes() + static_cast<size_t>(row) * rowBytes;
}
const uint8_t* OverlapBlocks::Row(uint32_t block, int32_t row) const {
    return rows_.data() + block * BlockBytes() + static_cast<size_t>(row) * rowBytes;
}

uint32_t OverlapBlocks::NewBlock() {
    uint32_t id;
    if (!freeBlocks_.empty()) {
        id = freeBlocks_.back();
        freeBlocks_.pop_back();
    } else {
        id = static_cast<uint32_t>(blocks_.size());
        blocks_.emplace_back();
        rows_.resize(rows_.size() + BlockBytes());
    }
    Block& block = blocks_[id];
    block = Block{};
    block.row = 0;
    block.oldestMate = UINT64_MAX;
    liveBlocks_.push_back(id);
    openBlock_ = id;
    return id;
}

void OverlapBlocks::FreeBlock(uint32_t id) {
    blocks_[id].row = -1;
    freeBlocks_.push_back(id);
    if (openBlock_ == id) openBlock_ = noBlock;
}

// A block with a lane and the rows for an overlap of `overlap` bases: the
// open one when it has them, else a new one.
uint32_t OverlapBlocks::BlockWithRoom(int32_t overlap) {
    const uint32_t id = openBlock_;
    if (id != noBlock) {
        const Block& block = blocks_[id];
        if (block.lanes < overlapBlockLanes && block.row + readLength_ - overlap <= RowCount())
            return id;
    }
    return NewBlock();
}

// Puts a held mate, which has no living overlap, into the next lane of a
// block. Returns the lane.
int OverlapBlocks::JoinBlock(TrackedMates& mates, uint32_t id, uint64_t mate) {
    Block& block = blocks_[id];
    const int lane = block.lanes++;
    block.mates[lane] = mate;
    block.alive[lane] = 0xff;
    block.oldestMate = std::min(block.oldestMate, mate);
    mates.PlaceInBlock(mate, id, lane);
    return lane;
}

// A lane's last row, where its overlap would reach the whole mate: its base
// there is zero, so that it dies at the next append.
void OverlapBlocks::EndLane(uint32_t id, int lane, int32_t overlap) {
    Row(id, blocks_[id].row + readLength_ - 1 - overlap)[lane] = 0;
}

void OverlapBlocks::Add(TrackedMates& mates, uint64_t mate, int32_t overlap) {
    laneVotesFresh_ = false;
    const uint32_t id = BlockWithRoom(overlap);
    const int lane = JoinBlock(mates, id, mate);
    const uint8_t* bases = mates.Bytes(mate);
    const uint8_t* codes = bases + readLength_;
    uint8_t* row = Row(id, blocks_[id].row);
    for (int32_t o = overlap; o < readLength_; ++o, row += rowBytes) {
        row[lane] = bases[o];
        row[overlapBlockLanes + lane] = codes[o];
    }
    EndLane(id, lane, overlap);
}

// Adds overlaps of 20 bases to free lanes of a block, their rows filled by
// transposing 16 positions of the 16 lanes at a time and blending the new
// lanes in. Returns the new lanes.
ByteLanes OverlapBlocks::FillBornLanes(TrackedMates& mates, uint32_t id, const uint64_t* born,
                                       int count) {
    const int32_t r = readLength_;
    const uint8_t* bytes[overlapBlockLanes] = {};
    ByteLanes newLanes{};
    int lane = 0;
    for (int k = 0; k < count; ++k) {
        lane = JoinBlock(mates, id, born[k]);
        bytes[lane] = mates.Bytes(born[k]);
        newLanes[lane] = 0xff;
    }
    ByteLanes in[overlapBlockLanes], out[overlapBlockLanes];
    const int32_t firstRow = blocks_[id].row;
    for (int32_t from = minimumOverlap; from < r; from += overlapBlockLanes) {
        const int rowCount = std::min(overlapBlockLanes, r - from);
        uint8_t* row = Row(id, firstRow + from - minimumOverlap);
        for (const int32_t half : {0, r}) {
            for (int k = 0; k < overlapBlockLanes; ++k)
                in[k] = bytes[k] ? LoadLanes(bytes[k] + half + from) : ByteLanes{};
            TransposeLanes(in, out);
            for (int i = 0; i < rowCount; ++i) {
                uint8_t* at = row + i * rowBytes + (half == 0 ? 0 : overlapBlockLanes);
                StoreLanes(at, (LoadLanes(at) & ~newLanes) | (out[i] & newLanes));
            }
        }
    }
    for (int k = lane - count + 1; k <= lane; ++k) EndLane(id, k, minimumOverlap);
    return newLanes;
}

void OverlapBlocks::AddBorn(TrackedMates& mates, std::span<const uint64_t> born,
                            LaneVoteCounter& nextVotes) {
    for (size_t from = 0; from < born.size();) {
        const uint32_t id = BlockWithRoom(minimumOverlap);
        const int count = static_cast<int>(std::min<size_t>(
            static_cast<size_t>(overlapBlockLanes - blocks_[id].lanes), born.size() - from));
        const ByteLanes newLanes = FillBornLanes(mates, id, born.data() + from, count);
        CountLaneVotes(nextVotes, LoadLanes(Row(id, blocks_[id].row) + overlapBlockLanes),
                       newLanes);
        from += static_cast<size_t>(count);
    }
}

void OverlapBlocks::Kill(TrackedMates& mates, uint64_t mate) {
    const uint32_t id = mates.Block(mate);
    if (id == noBlock) return;
    blocks_[id].alive[mates.Lane(mate)] = 0;
    mates.LeaveBlock(mate);
    laneVotesFresh_ = false;
}

void OverlapBlocks::DropMatesBefore(uint64_t firstMate) {
    size_t kept = 0;
    for (const uint32_t id : liveBlocks_) {
        Block& block = blocks_[id];
        if (block.oldestMate < firstMate) {
            block.oldestMate = UINT64_MAX;
            bool any = false;
            for (int lane = 0; lane < block.lanes; ++lane) {
                if (block.alive[lane] && block.mates[lane] < firstMate) {
                    block.alive[lane] = 0;
                    laneVotesFresh_ = false;
                }
                if (block.alive[lane]) {
                    any = true;
                    block.oldestMate = std::min(block.oldestMate, block.mates[lane]);
                }
            }
            if (!any) {
                FreeBlock(id);
                continue;
            }
        }
        liveBlocks_[kept++] = id;
    }
    liveBlocks_.resize(kept);
}

LaneVoteCounter OverlapBlocks::Advance(uint8_t appendedByte, TrackedMates& mates) {
    const ByteLanes appended = SplatLanes(appendedByte);
    LaneVoteCounter nextVotes;
    size_t kept = 0;
    // The loop reads through local pointers: its stores to the blocks could
    // otherwise alias every member.
    Block* const blocks = blocks_.data();
    uint32_t* const live = liveBlocks_.data();
    const uint8_t* const rows = rows_.data();
    const size_t blockBytes = BlockBytes();
    const size_t liveCount = liveBlocks_.size();
    for (size_t i = 0; i < liveCount; ++i) {
        const uint32_t id = live[i];
        Block& block = blocks[id];
        const int32_t rowIndex = block.row;
        const uint8_t* const row =
            rows + id * blockBytes + static_cast<size_t>(rowIndex) * rowBytes;
        const ByteLanes alive = LoadLanes(block.alive);
        const ByteLanes lives = alive & EqualLanes(LoadLanes(row), appended);
        const ByteLanes dies = alive & ~lives;
        if (AnyLane(dies)) [[unlikely]] {
            for (int lane = 0; lane < block.lanes; ++lane)
                if (dies[lane]) mates.LeaveBlock(block.mates[lane]);
            StoreLanes(block.alive, lives);
            // A block can also have been emptied by mates moved to the repeats.
            if (!AnyLane(lives)) {
                FreeBlock(id);
                continue;
            }
        } else if (!AnyLane(lives)) [[unlikely]] {
            FreeBlock(id);
            continue;
        }
        block.row = rowIndex + 1;
        live[kept++] = id;
        CountLaneVotes(nextVotes, LoadLanes(row + rowBytes + overlapBlockLanes), lives);
    }
    liveBlocks_.resize(kept);
    laneVotesFresh_ = true;
    return nextVotes;
}

BaseVotes OverlapBlocks::Votes() const {
    if (laneVotesFresh_) return laneVotes_;
    LaneVoteCounter counter;
    for (const uint32_t id : liveBlocks_)
        CountLaneVotes(counter, LoadLanes(Row(id, blocks_[id].row) + overlapBlockLanes),
                       LoadLanes(blocks_[id].alive));
    return VotesOf(counter);
}

}  // namespace lorvex
