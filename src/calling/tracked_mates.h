// The mates of overlap tracking, in one ring in the order they were added.
// Windows are filled oldest first, so dropping the oldest window drops the
// oldest mates, and a mate is known by its number for as long as it is held.
//
// Per mate the ring keeps its bases and the vote code of each position, the
// key of its first 20 bases in a chain of the mates whose keys share a hash
// bucket (so that the mates an overlap can start with are found by key), and
// where its living overlaps are followed: a lane of a block, or the repeats.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "calling/overlap_key.h"

namespace lorvex {

// The vote code of a mate's position: 0-3 a qualifying A, C, G, T; these two
// otherwise. A position below the minimum overlap never qualifies.
inline constexpr uint8_t otherVoteCode = 4;   // a qualifying byte that names no base
inline constexpr uint8_t silentVoteCode = 5;  // a trial that never qualifies

inline constexpr uint32_t noBlock = UINT32_MAX;

// Whether a mate of R bases can have an overlap of 20 to R-1 bases at all.
inline bool TracksOverlaps(int32_t readLength) {
    return readLength - 1 >= minimumOverlap;
}

class TrackedMates {
  public:
    explicit TrackedMates(int32_t readLength) : readLength_(readLength) {}

    // Mates First() .. End()-1 are held.
    uint64_t First() const { return firstMate_; }
    uint64_t End() const { return nextMate_; }

    // Adds a mate of R bases with its R decoded qualities, its overlaps
    // followed nowhere yet; returns its number.
    uint64_t Add(const char* mate, const uint8_t* quality);

    // Drops the mates numbered below `mate`.
    void DropBefore(uint64_t mate);

    // A held mate's R bases, then its R vote codes (and room after the last
    // mate's codes for a 16-byte load that starts in them).
    const uint8_t* Bytes(uint64_t mate) const {
        return mateBytes_.data() + RingIndex(mate) * 2 * static_cast<size_t>(readLength_);
    }
    uint64_t Key(uint64_t mate) const { return prefixKeys_[RingIndex(mate)]; }

    // The block and lane of the mate's living overlap; noBlock for none.
    uint32_t Block(uint64_t mate) const { return overlapBlock_[RingIndex(mate)]; }
    uint8_t Lane(uint64_t mate) const { return overlapLane_[RingIndex(mate)]; }
    void PlaceInBlock(uint64_t mate, uint32_t block, int lane) {
        overlapBlock_[RingIndex(mate)] = block;
        overlapLane_[RingIndex(mate)] = static_cast<uint8_t>(lane);
    }
    void LeaveBlock(uint64_t mate) { overlapBlock_[RingIndex(mate)] = noBlock; }

    // The mate's place among the repeat mates, or -1.
    int32_t RepeatIndex(uint64_t mate) const { return repeatIndex_[RingIndex(mate)]; }
    void SetRepeatIndex(uint64_t mate, int32_t index) { repeatIndex_[RingIndex(mate)] = index; }

    // Calls visit(mate) for every held mate whose first 20 bytes equal the
    // 20 from `bytes`, newest first. Mates are keyed only where
    // TracksOverlaps(R).
    template <typename Visit>
    void ForEachStartingWith(const char* bytes, Visit visit) const {
        if (nextMate_ == firstMate_) return;
        const uint64_t key = OverlapKey(bytes);
        for (uint64_t link = buckets_[BucketOf(key)]; link != 0 && link - 1 >= firstMate_;) {
            const uint64_t mate = link - 1;
            const uint64_t at = RingIndex(mate);
            link = chainNext_[at];
            if (prefixKeys_[at] != key ||
                ((key & otherByteInKey) && std::memcmp(Bytes(mate), bytes, overlapKeyLength) != 0))
                continue;
            visit(mate);
        }
    }

  private:
    uint64_t RingIndex(uint64_t mate) const { return mate & (capacity_ - 1); }
    size_t BucketOf(uint64_t key) const;
    void Chain(uint64_t mate);
    void Grow();

    int32_t readLength_;
    // Mates firstMate_ .. nextMate_-1 are held, mate m at m & (capacity_ - 1).
    uint64_t firstMate_ = 0;
    uint64_t nextMate_ = 0;
    uint64_t capacity_ = 0;
    std::vector<uint8_t> mateBytes_;
    std::vector<uint64_t> prefixKeys_;
    // The previous mate (number + 1, 0 for none) in the same bucket.
    std::vector<uint64_t> chainNext_;
    std::vector<uint32_t> overlapBlock_;
    std::vector<uint8_t> overlapLane_;
    std::vector<int32_t> repeatIndex_;
    std::vector<uint64_t> buckets_;  // newest mate number + 1 per bucket, 0 for none
};

}  // namespace lorvex
