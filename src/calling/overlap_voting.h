// Overlap voting: every queued mate is laid against the contig's end at
// every overlap length from readLength - 1 down to 20. Where the mate's
// first o bases equal the contig's last o bases and the next base has a
// decoded quality of 30 or more, that next base is a candidate; a mate whose
// candidates are unambiguous (by the variant's rule) casts one vote. Here are
// the rule's numbers and the votes of a cycle; incremental_voting.h computes
// them.
#pragma once

#include <cstdint>

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
    BaseVotes operator+(const BaseVotes& o) const { return {a + o.a, c + o.c, g + o.g, t + o.t}; }
    BaseVotes operator-(const BaseVotes& o) const { return {a - o.a, c - o.c, g - o.g, t - o.t}; }
    bool operator==(const BaseVotes&) const = default;
};

// Adds 1 to votes[base] for A, C, G, T; ignores any other byte.
void AddVote(BaseVotes& votes, char base);

}  // namespace lorvex
