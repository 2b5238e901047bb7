// The mates of overlap tracking that have a second living overlap (in a
// repeat), whose candidates must be taken together. They are followed in the
// bit-set form of incremental_voting.h, which follows all of a mate's
// overlaps at a fixed cost, until they have no overlap of 20 or more left, so
// that repeats cost no more than they do there.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "calling/incremental_voting.h"
#include "calling/tracked_mates.h"

namespace lorvex {

class RepeatMates {
  public:
    explicit RepeatMates(int32_t readLength) : slot_(MakeOverlapSlot(readLength)) {}

    // Follows a held mate from now on, its overlaps computed against the
    // contig as it is now.
    void Add(TrackedMates& mates, uint64_t mate, std::string_view contig);

    // Moves every mate on by the byte just appended to the contig, and lets
    // go of those that have no overlap of 20 or more left.
    void Advance(char appended, TrackedMates& mates);

    // Lets go of the mates numbered below `firstMate`, which are no longer
    // held.
    void DropMatesBefore(uint64_t firstMate, TrackedMates& mates);

    void AddVotes(Variant variant, BaseVotes& votes) const;

  private:
    void Remove(int32_t index, TrackedMates& mates);

    OverlapSlot slot_;
    std::vector<uint64_t> numbers_;  // per mate of the slot, its number
    std::vector<uint8_t> quality_;
};

}  // namespace lorvex
