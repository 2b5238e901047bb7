// The votes of up to 16 lanes at a time: one byte counter per lane and base,
// added up into the totals every 255 rows, before a byte can overflow. A
// cycle that counts many blocks then spends a few vector instructions per
// block and none per vote.
#pragma once

#include <cstdint>

#include "calling/overlap_voting.h"
#include "seq/byte_lanes.h"

namespace lorvex {

struct LaneVoteCounter {
    int32_t counts[4] = {0, 0, 0, 0};
    ByteLanes laneCounts[4] = {};
    int pending = 0;  // rows counted into laneCounts
};

// Adds the lane counters into the totals and clears them.
void AddLaneCounts(LaneVoteCounter& counter);

// Counts the vote code (0-3 for A, C, G, T; other codes do not vote) of every
// lane whose byte in `alive` is 0xff.
[[gnu::always_inline]] inline void CountLaneVotes(LaneVoteCounter& counter, ByteLanes codes,
                                                  ByteLanes alive) {
    for (int b = 0; b < 4; ++b)
        counter.laneCounts[b] -= EqualLanes(codes, SplatLanes(static_cast<uint8_t>(b))) & alive;
    if (++counter.pending == 255) [[unlikely]]
        AddLaneCounts(counter);
}

// The votes counted so far.
BaseVotes VotesOf(LaneVoteCounter& counter);

}  // namespace lorvex
