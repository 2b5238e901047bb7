#include "calling/tracked_mates.h"

#include <algorithm>
#include <bit>

#include "seq/byte_lanes.h"

namespace lorvex {
namespace {

constexpr uint64_t minimumCapacity = 64;

// The vote code of every position of a mate.
void WriteVoteCodes(const char* mate, const uint8_t* quality, int32_t readLength, uint8_t* codes) {
    const auto baseCodes = [](ByteLanes bases) {
        const ByteLanes a = EqualLanes(bases, SplatLanes('A'));
        const ByteLanes c = EqualLanes(bases, SplatLanes('C'));
        const ByteLanes g = EqualLanes(bases, SplatLanes('G'));
        const ByteLanes t = EqualLanes(bases, SplatLanes('T'));
        return (c & 1) | (g & 2) | (t & 3) | (~(a | c | g | t) & otherVoteCode);
    };
    int32_t o = 0;
    for (; o + byteLanes <= readLength; o += byteLanes) {
        const ByteLanes qualifies =
            GreaterLanes(LoadLanes(quality + o), SplatLanes(qualityThreshold));
        const ByteLanes code =
            (baseCodes(LoadLanes(mate + o)) & qualifies) | (~qualifies & silentVoteCode);
        StoreLanes(codes + o, code);
    }
    for (; o < readLength; ++o) {
        const int base = BaseIndex(mate[o]);
        codes[o] = static_cast<uint8_t>(quality[o] <= qualityThreshold ? silentVoteCode
                                        : base < 0                     ? otherVoteCode
                                                                       : base);
    }
    std::fill_n(codes, std::min(readLength, minimumOverlap), silentVoteCode);
}

}  // namespace

uint64_t TrackedMates::Add(const char* mate, const uint8_t* quality) {
    if (nextMate_ - firstMate_ == capacity_) Grow();
    const uint64_t number = nextMate_++;
    const uint64_t at = RingIndex(number);
    const size_t r = static_cast<size_t>(readLength_);
    uint8_t* bytes = mateBytes_.data() + at * 2 * r;
    std::memcpy(bytes, mate, r);
    WriteVoteCodes(mate, quality, readLength_, bytes + r);
    overlapBlock_[at] = noBlock;
    repeatIndex_[at] = -1;
    if (TracksOverlaps(readLength_)) {
        prefixKeys_[at] = OverlapKey(mate);
        Chain(number);
    }
    return number;
}

void TrackedMates::DropBefore(uint64_t mate) {
    firstMate_ = std::max(firstMate_, mate);
}

size_t TrackedMates::BucketOf(uint64_t key) const {
    return KeyBucket(key, std::countr_zero(buckets_.size()));
}

void TrackedMates::Chain(uint64_t mate) {
    const uint64_t at = RingIndex(mate);
    const size_t bucket = BucketOf(prefixKeys_[at]);
    chainNext_[at] = buckets_[bucket];
    buckets_[bucket] = mate + 1;
}

// Doubles the ring, moving every held mate to its new place.
void TrackedMates::Grow() {
    const uint64_t oldMask = capacity_ - 1;
    const size_t r = 2 * static_cast<size_t>(readLength_);
    const std::vector<uint8_t> oldBytes = std::move(mateBytes_);
    const std::vector<uint64_t> oldKeys = std::move(prefixKeys_);
    const std::vector<uint32_t> oldBlocks = std::move(overlapBlock_);
    const std::vector<uint8_t> oldLanes = std::move(overlapLane_);
    const std::vector<int32_t> oldRepeats = std::move(repeatIndex_);
    capacity_ = std::max(minimumCapacity, 2 * capacity_);
    mateBytes_.assign(capacity_ * r + byteLanes, 0);
    prefixKeys_.assign(capacity_, 0);
    chainNext_.assign(capacity_, 0);
    overlapBlock_.assign(capacity_, noBlock);
    overlapLane_.assign(capacity_, 0);
    repeatIndex_.assign(capacity_, -1);
    // Twice as many buckets as mates keeps the chains short.
    buckets_.assign(2 * capacity_, 0);
    for (uint64_t mate = firstMate_; mate < nextMate_; ++mate) {
        const uint64_t from = mate & oldMask;
        const uint64_t to = RingIndex(mate);
        std::copy_n(oldBytes.data() + from * r, r, mateBytes_.data() + to * r);
        prefixKeys_[to] = oldKeys[from];
        overlapBlock_[to] = oldBlocks[from];
        overlapLane_[to] = oldLanes[from];
        repeatIndex_[to] = oldRepeats[from];
        if (TracksOverlaps(readLength_)) Chain(mate);
    }
}

}  // namespace lorvex
