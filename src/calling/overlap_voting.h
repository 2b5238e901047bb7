// Overlap voting: every queued mate is laid against the contig's end at
// every overlap length from readLength - 1 down to 20. Where the mate's
// first o bases equal the contig's last o bases and the next base has a
// decoded quality of 30 or more, that next base is a candidate; a mate whose
// candidates are unambiguous (by the variant's rule) casts one vote.
#pragma once

#include <cstdint>
#include <string>

#include "mates/mate_queues.h"

namespace lorvex {

inline constexpr int32_t minimumOverlap = 20;
inline constexpr uint8_t qualityThreshold = 29;  // a quality byte must exceed this

// The four vote totals of one cycle, in the order A, C, G, T.
struct BaseVotes {
    int32_t a = 0;
    int32_t c = 0;
    int32_t g = 0;
    int32_t t = 0;
    int32_t Total() const { return a + c + g + t; }
    bool operator==(const BaseVotes&) const = default;
};

// Adds 1 to votes[base] for A, C, G, T; ignores any other byte.
void AddVote(BaseVotes& votes, char base);

// The vote of one mate against the contig's current end, added to votes.
void IncrementCountsFromRead(const char* mate, const uint8_t* quality, BaseVotes& votes,
                             const char* contig, int32_t contigLength, int32_t readLength,
                             Variant variant);

// The votes of every mate of every slot.
BaseVotes CountNextBase(const std::string& contig, const QueueSet& queues, int32_t readLength,
                        Variant variant);

}  // namespace lorvex
