// The literal overlap vote: every mate is compared with the contig's end at
// every overlap length in every cycle. calling/incremental_voting.h gives the
// same votes from bit sets moved on by each appended base.
#pragma once

#include <cstdint>
#include <string>

#include "base/variant.h"
#include "calling/overlap_voting.h"
#include "reference/literal_mates.h"

namespace lorvex {

// The vote of one mate against the contig's current end, added to votes.
void IncrementCountsFromRead(const char* mate, const uint8_t* quality, BaseVotes& votes,
                             const char* contig, int32_t contigLength, int32_t readLength,
                             Variant variant);

// The votes of every mate of every slot.
BaseVotes CountNextBase(const std::string& contig, const QueueSet& queues, int32_t readLength,
                        Variant variant);

}  // namespace lorvex
