#include "calling/lane_vote_counter.h"

#include <cstring>

namespace lorvex {

void AddLaneCounts(LaneVoteCounter& counter) {
    for (int b = 0; b < 4; ++b) {
        // Lane counts summed in pairs of lanes, then across the two halves.
        uint64_t halves[2];
        std::memcpy(halves, &counter.laneCounts[b], sizeof halves);
        for (uint64_t half : halves) {
            half = (half & 0x00ff00ff00ff00ffull) + ((half >> 8) & 0x00ff00ff00ff00ffull);
            half = (half & 0x0000ffff0000ffffull) + ((half >> 16) & 0x0000ffff0000ffffull);
            counter.counts[b] += static_cast<int32_t>((half & 0xffffffffull) + (half >> 32));
        }
        counter.laneCounts[b] = ByteLanes{};
    }
    counter.pending = 0;
}

BaseVotes VotesOf(LaneVoteCounter& counter) {
    AddLaneCounts(counter);
    BaseVotes votes;
    votes.a = counter.counts[0];
    votes.c = counter.counts[1];
    votes.g = counter.counts[2];
    votes.t = counter.counts[3];
    return votes;
}

}  // namespace lorvex
